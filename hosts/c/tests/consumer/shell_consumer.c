#include <dlfcn.h>
#include <string.h>
#include <tintbox/tintbox_shell.h>

int main(void) {
    /* The version the package reports (CMake's or pkg-config's) is the headers' own. */
    if (strcmp(TINTBOX_VERSION, TINTBOX_EXPECTED_VERSION) != 0) {
        return 1;
    }
    void* library = dlopen(TINTBOX_SHELL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        return 1;
    }
    TintboxDllGetClassObjectFn get_class_object;
    void* symbol = dlsym(library, "DllGetClassObject");
    memcpy(&get_class_object, &symbol, sizeof symbol);
    TintboxClassFactory* factory = NULL;
    TintboxControl* control = NULL;
    if (get_class_object(&TINTBOX_CLSID_Tintbox, &TINTBOX_IID_ClassFactory, (void**)&factory) !=
            TINTBOX_OK ||
        factory->vtbl->CreateInstance(factory, &TINTBOX_IID__Tintbox, &control) != TINTBOX_OK) {
        return 1;
    }
    TintboxVariant value = {TINTBOX_VT_I4, {.i4 = 0xABCDEF}};
    TintboxVariant result = {TINTBOX_VT_EMPTY, {.i4 = 0}};
    control->vtbl->Invoke(control, TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD, &value, 1, NULL);
    control->vtbl->Invoke(control, TINTBOX_DISPID_GetRGB, TINTBOX_INVOKE_METHOD, NULL, 0, &result);
    control->vtbl->Release(control);
    factory->vtbl->Release(factory);
    dlclose(library);
    return result.value.i4 == 0xABCDEF ? 0 : 1;
}
