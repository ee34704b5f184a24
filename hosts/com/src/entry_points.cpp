// The library's exports (the four of an in-process COM server and DllInstall) and the
// class factory of Tintbox.
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

namespace {

HRESULT change_registration(bool install, RegistrationScope scope) {
    try {
        return install ? register_server(scope) : unregister_server(scope);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace

STDAPI DllRegisterServer() {
    return change_registration(true, default_scope());
}

STDAPI DllUnregisterServer() {
    return change_registration(false, default_scope());
}

// regsvr32 /n /i:user registers for the current user even from an elevated prompt
// (/u /n /i:user removes that registration); /i:machine registers for every user. Without
// a command line it does what DllRegisterServer does.
STDAPI DllInstall(BOOL install, LPCWSTR command_line) {
    RegistrationScope scope = default_scope();
    if (command_line != nullptr && *command_line != L'\0') {
        if (lstrcmpiW(command_line, L"user") == 0) {
            scope = RegistrationScope::PerUser;
        } else if (lstrcmpiW(command_line, L"machine") == 0) {
            scope = RegistrationScope::MachineWide;
        } else {
            return E_INVALIDARG;
        }
    }
    return change_registration(install != FALSE, scope);
}
