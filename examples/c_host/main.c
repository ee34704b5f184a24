/* A minimal C host: loads the control library, creates a Tintbox, listens to Change,
 * sets and reads the colour, converts values, and unloads the library again.
 *
 * usage: tintbox_c_host_example path/to/libtintboxctl.so */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "tintbox/tintbox_shell.h"

static void on_change(void* context, TintboxControl* sender, int32_t event_dispatch_id) {
    (void)event_dispatch_id;
    TintboxVariant rgb;
    if (sender->vtbl->Invoke(sender, TINTBOX_DISPID_GetRGB, TINTBOX_INVOKE_METHOD, NULL, 0, &rgb) ==
        TINTBOX_OK) {
        printf("%s: colour is now 0x%06X\n", (const char*)context, (unsigned)rgb.value.i4);
    }
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s path/to/libtintboxctl.so\n", argv[0]);
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    TintboxDllGetClassObjectFn get_class_object;
    TintboxDllCanUnloadNowFn can_unload_now;
    void* symbol = dlsym(library, "DllGetClassObject");
    memcpy(&get_class_object, &symbol, sizeof symbol);
    symbol = dlsym(library, "DllCanUnloadNow");
    memcpy(&can_unload_now, &symbol, sizeof symbol);

    TintboxClassFactory* factory = NULL;
    TintboxControl* control = NULL;
    if (get_class_object(&TINTBOX_CLSID_Tintbox, &TINTBOX_IID_ClassFactory, (void**)&factory) !=
            TINTBOX_OK ||
        factory->vtbl->CreateInstance(factory, &TINTBOX_IID__Tintbox, &control) != TINTBOX_OK) {
        fprintf(stderr, "cannot create the control\n");
        return 1;
    }
    uint32_t cookie = 0;
    control->vtbl->Advise(control, on_change, "Change", &cookie);

    /* SetRGB(&H123456) */
    TintboxVariant value = {TINTBOX_VT_I4, {.i4 = 0x123456}};
    control->vtbl->Invoke(control, TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD, &value, 1, NULL);

    /* SepRGB(Value, Red, Green, Blue): the components come back in the arguments. */
    TintboxVariant parts[4] = {{TINTBOX_VT_I4, {.i4 = 0x123456}},
                               {TINTBOX_VT_I4, {.i4 = 0}},
                               {TINTBOX_VT_I4, {.i4 = 0}},
                               {TINTBOX_VT_I4, {.i4 = 0}}};
    control->vtbl->InvokeByName(control, "SepRGB", TINTBOX_INVOKE_METHOD, parts, 4, NULL);
    printf("red %d, green %d, blue %d\n", (int)parts[1].value.i4, (int)parts[2].value.i4,
           (int)parts[3].value.i4);

    /* Dec(Number) cleans its argument in place. */
    char text[] = "#ff8000";
    TintboxVariant number = {TINTBOX_VT_UTF8, {.text = {text, strlen(text), sizeof text}}};
    TintboxVariant result;
    control->vtbl->Invoke(control, TINTBOX_DISPID_Dec, TINTBOX_INVOKE_METHOD, &number, 1, &result);
    printf("Dec gave %d and left \"%s\"\n", (int)result.value.i4, text);

    /* Errors come back as codes with a message. */
    TintboxVariant too_big = {TINTBOX_VT_I4, {.i4 = 100000}};
    TintboxStatus status = control->vtbl->Invoke(control, TINTBOX_DISPID_SetRed,
                                                 TINTBOX_INVOKE_METHOD, &too_big, 1, NULL);
    printf("SetRed(100000): status %d, %s\n", (int)status, control->vtbl->ErrorMessage(control));

    control->vtbl->Unadvise(control, cookie);
    control->vtbl->Release(control);
    factory->vtbl->Release(factory);
    if (can_unload_now() == TINTBOX_OK) {
        dlclose(library);
    }
    return 0;
}
