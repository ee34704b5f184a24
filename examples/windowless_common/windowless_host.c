#include "windowless_host.h"

#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

static TintboxClassFactory* factory;

TintboxWindowless* windowless_open(const char* path) {
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "%s\n", dlerror());
        return NULL;
    }
    TintboxDllGetClassObjectFn get_class_object;
    void* symbol = dlsym(library, "DllGetClassObject");
    memcpy(&get_class_object, &symbol, sizeof symbol);
    TintboxWindowless* control = NULL;
    if (get_class_object == NULL ||
        get_class_object(&TINTBOX_CLSID_Tintbox, &TINTBOX_IID_ClassFactory, (void**)&factory) !=
            TINTBOX_OK ||
        factory->vtbl->CreateInstance(factory, &TINTBOX_IID_Windowless,
                                      (TintboxControl**)&control) != TINTBOX_OK) {
        fprintf(stderr, "this library offers no windowless control\n");
        return NULL;
    }
    return control;
}

void windowless_close(TintboxWindowless* control) {
    control->vtbl->SetSite(control, NULL);
    control->vtbl->Release(control);
    factory->vtbl->Release(factory);
}

static TintboxStatus invoke(TintboxWindowless* control, int32_t dispatch_id, int32_t kind,
                            TintboxVariant* args, int32_t count, TintboxVariant* result) {
    TintboxControl* dispatch = NULL;
    TintboxStatus status = control->vtbl->GetDispatch(control, &dispatch);
    if (status == TINTBOX_OK) {
        status = dispatch->vtbl->Invoke(dispatch, dispatch_id, kind, args, count, result);
        if (status != TINTBOX_OK) {
            fprintf(stderr, "%s\n", dispatch->vtbl->ErrorMessage(dispatch));
        }
        dispatch->vtbl->Release(dispatch);
    }
    return status;
}

int32_t windowless_get_rgb(TintboxWindowless* control) {
    TintboxVariant result;
    memset(&result, 0, sizeof result);
    invoke(control, TINTBOX_DISPID_GetRGB, TINTBOX_INVOKE_METHOD, NULL, 0, &result);
    return result.value.i4;
}

void windowless_set_rgb(TintboxWindowless* control, int32_t rgb) {
    TintboxVariant value;
    memset(&value, 0, sizeof value);
    value.type = TINTBOX_VT_I4;
    value.value.i4 = rgb;
    invoke(control, TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD, &value, 1, NULL);
}

void windowless_set_spectrum(TintboxWindowless* control) {
    enum { width = 180, height = 200 };
    static int32_t pixels[width * height];
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            /* Hue along x, from full colour at the top to black at the bottom. */
            const int sector = x * 6 / width;
            const int up = (x * 6 - sector * width) * 255 / width;
            const int down = 255 - up;
            static const int order[6][3] = {{2, 1, 0}, {1, 2, 0}, {0, 2, 1},
                                            {0, 1, 2}, {1, 0, 2}, {2, 0, 1}};
            /* Per sector, red, green and blue are off (0), ramping (1: up in the even
             * sectors, down in the odd ones) or full (2). */
            int rgb[3];
            for (int c = 0; c < 3; ++c) {
                const int role = order[sector][c];
                rgb[c] = role == 2 ? 255 : role == 0 ? 0 : (sector % 2 == 0 ? up : down);
            }
            const int light = 255 - y * 255 / height;
            pixels[y * width + x] = (rgb[0] * light / 255) | ((rgb[1] * light / 255) << 8) |
                                    ((rgb[2] * light / 255) << 16);
        }
    }
    TintboxVariant value;
    memset(&value, 0, sizeof value);
    value.type = TINTBOX_VT_PICTURE;
    value.value.picture.width = width;
    value.value.picture.height = height;
    value.value.picture.pixels = pixels;
    invoke(control, TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYPUTREF, &value, 1, NULL);
}

const TintboxCursorImage* windowless_cursor(int32_t shape) {
    const unsigned char* bytes = NULL;
    size_t size = 0;
    if (factory->vtbl->GetResource(factory, TINTBOX_RESOURCE_CURSOR, shape, &bytes, &size) !=
            TINTBOX_OK ||
        size != sizeof(TintboxCursorImage)) {
        return NULL;
    }
    return (const TintboxCursorImage*)(const void*)bytes;
}

void windowless_format(int32_t rgb, char out[8]) {
    snprintf(out, 8, "#%02X%02X%02X", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}
