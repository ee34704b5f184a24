#include "registration.hpp"

#include <olectl.h>

#include "com_ref.hpp"
#include "identifiers.hpp"
#include "module.hpp"

// In oleaut32 since Windows Vista; mingw-w64's headers do not declare them.
WINOLEAUTAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* help_directory);
WINOLEAUTAPI UnRegisterTypeLibForUser(REFGUID library, WORD major, WORD minor, LCID locale,
                                      SYSKIND kind);

namespace tintbox::windows {
namespace {

constexpr wchar_t kClassName[] = L"Tintbox colour-picker control";
// CATID_Control: the class is an ActiveX control.
constexpr wchar_t kControlCategory[] = L"{40FC6ED4-2438-11CF-A3DB-080036F12502}";

std::wstring text_of(const GUID& guid) {
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

bool process_is_elevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const BOOL known =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return known && elevation.TokenIsElevated;
}

// HKLM\Software\Classes for an elevated process, HKCU\Software\Classes otherwise.
class ClassesKey {
  public:
    explicit ClassesKey(bool machine_wide) {
        status_ = RegCreateKeyExW(machine_wide ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                                  L"Software\\Classes", 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                  nullptr, &key_, nullptr);
    }
    ClassesKey(const ClassesKey&) = delete;
    ClassesKey& operator=(const ClassesKey&) = delete;
    ~ClassesKey() {
        if (status_ == ERROR_SUCCESS) {
            RegCloseKey(key_);
        }
    }
    LSTATUS status() const noexcept { return status_; }
    HKEY get() const noexcept { return key_; }

  private:
    HKEY key_ = nullptr;
    LSTATUS status_;
};

SYSKIND this_syskind() {
    return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
}

}  // namespace

std::vector<RegistryEntry> registry_entries(const std::wstring& module_path) {
    const std::wstring clsid = text_of(kClsId);
    const std::wstring class_key = L"CLSID\\" + clsid;
    const std::wstring prog_id = kProgId;
    const std::wstring versioned = kVersionedProgId;
    return {
        {class_key, L"", kClassName},
        {class_key + L"\\InprocServer32", L"", module_path},
        {class_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {class_key + L"\\ProgID", L"", versioned},
        {class_key + L"\\VersionIndependentProgID", L"", prog_id},
        {class_key + L"\\TypeLib", L"", text_of(kLibId)},
        {class_key + L"\\Version", L"", L"1.0"},
        {class_key + L"\\Control", L"", L"", false},
        // OLEMISC_ACTIVATEWHENVISIBLE, SETCLIENTSITEFIRST, INSIDEOUT, CANTLINKINSIDE and
        // RECOMPOSEONRESIZE: a control in-place active whenever it shows (activation.cpp).
        {class_key + L"\\MiscStatus", L"", L"0"},
        {class_key + L"\\MiscStatus\\1", L"", L"131473"},
        {class_key + L"\\Programmable", L"", L"", false},
        {class_key + L"\\ToolboxBitmap32", L"",
         module_path + L", " + std::to_wstring(kToolboxBitmapId)},
        {class_key + L"\\Implemented Categories\\" + kControlCategory, L"", L"", false},
        {prog_id, L"", kClassName},
        {prog_id + L"\\CLSID", L"", clsid},
        {prog_id + L"\\CurVer", L"", versioned},
        {versioned, L"", kClassName},
        {versioned + L"\\CLSID", L"", clsid},
    };
}

std::vector<std::wstring> registry_roots() {
    return {L"CLSID\\" + text_of(kClsId), kProgId, kVersionedProgId};
}

LSTATUS delete_registry_roots(HKEY classes) {
    for (const std::wstring& root : registry_roots()) {
        const LSTATUS status = RegDeleteTreeW(classes, root.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            return status;
        }
    }
    return ERROR_SUCCESS;
}

HRESULT register_server() {
    std::wstring path = module::path();
    ComRef<ITypeLib> library;
    if (path.empty() || FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()))) {
        return SELFREG_E_TYPELIB;
    }
    const bool machine_wide = process_is_elevated();
    const ClassesKey classes(machine_wide);
    if (classes.status() != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(classes.status());
    }
    RegistryTransaction transaction(classes.get());
    if (transaction.write(registry_entries(path)) != ERROR_SUCCESS) {
        return SELFREG_E_CLASS;
    }
    const HRESULT registered = machine_wide
                                   ? RegisterTypeLib(library.get(), path.data(), nullptr)
                                   : RegisterTypeLibForUser(library.get(), path.data(), nullptr);
    if (FAILED(registered)) {
        return SELFREG_E_TYPELIB;
    }
    transaction.commit();
    return S_OK;
}

HRESULT unregister_server() {
    const bool machine_wide = process_is_elevated();
    const ClassesKey classes(machine_wide);
    if (classes.status() != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(classes.status());
    }
    const LSTATUS removed = delete_registry_roots(classes.get());
    const HRESULT unregistered =
        machine_wide ? UnRegisterTypeLib(kLibId, kTypeLibMajor, kTypeLibMinor, kTypeLibLocale,
                                         this_syskind())
                     : UnRegisterTypeLibForUser(kLibId, kTypeLibMajor, kTypeLibMinor,
                                                kTypeLibLocale, this_syskind());
    if (removed != ERROR_SUCCESS) {
        return SELFREG_E_CLASS;
    }
    // A type library that is not registered is already as unregistration leaves it.
    if (FAILED(unregistered) && unregistered != TYPE_E_REGISTRYACCESS) {
        return SELFREG_E_TYPELIB;
    }
    return S_OK;
}

}  // namespace tintbox::windows
