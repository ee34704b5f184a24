// The library's four exports and the class factory of Tintbox.
#include <olectl.h>

#include <new>

#include "control_object.hpp"
#include "identifiers.hpp"
#include "module.hpp"
#include "registration.hpp"

namespace tintbox::windows {
namespace {

// One factory for the process; each reference to it keeps the library loaded.
class ClassFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        module::object_created();
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        module::object_destroyed();
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        return ControlObject::create(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            module::lock();
            return S_OK;
        }
        return module::unlock() ? S_OK : E_UNEXPECTED;
    }
};

ClassFactory g_factory;

}  // namespace
}  // namespace tintbox::windows

using namespace tintbox::windows;

STDAPI DllGetClassObject(REFCLSID class_id, REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (class_id != kClsId) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() {
    return module::can_unload() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    try {
        return register_server();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() {
    try {
        return unregister_server();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
