#include "accessibility.hpp"

#include <oleacc.h>

#include <atomic>
#include <new>

namespace tintbox::windows {
namespace {

// mingw-w64's liboleacc.a gives IID_IAccessible as an import thunk, not the GUID: the
// interface's own declaration names it.
const IID& kIidAccessible = __uuidof(IAccessible);

std::atomic<long> g_live{0};

// The standard proxy with the view's own name and description; everything else is the
// proxy's.
class NamedAccessible final : public IAccessible {
  public:
    // Takes over the reference to `standard`.
    NamedAccessible(HWND window, IAccessible* standard) : window_(window), standard_(standard) {
        ++g_live;
    }
    NamedAccessible(const NamedAccessible&) = delete;
    NamedAccessible& operator=(const NamedAccessible&) = delete;

    // IUnknown: the proxy's other interfaces (IOleWindow, IEnumVARIANT) are its own.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return standard_->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** out) override {
        return standard_->GetTypeInfo(index, locale, out);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument_error) override {
        return standard_->Invoke(id, iid, locale, flags, params, result, exception, argument_error);
    }
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        return text(kAccessibleName, child, out) ? S_OK : standard_->get_accName(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return text(kAccessibleDescription, child, out) ? S_OK
                                                        : standard_->get_accDescription(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
        return standard_->get_accParent(out);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* out) override {
        return standard_->get_accChildCount(out);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return standard_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        return standard_->get_accValue(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        return standard_->get_accRole(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        return standard_->get_accState(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        return standard_->get_accHelp(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return standard_->get_accKeyboardShortcut(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        return standard_->get_accFocus(out);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        return standard_->get_accSelection(out);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return standard_->get_accDefaultAction(child, out);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* out) override {
        return standard_->accNavigate(direction, start, out);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* out) override {
        return standard_->accHitTest(left, top, out);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

  private:
    ~NamedAccessible() {
        standard_->Release();
        --g_live;
    }

    // The window's text of `kind` for the window itself (not one of the proxy's parts).
    bool text(WPARAM kind, const VARIANT& child, BSTR* out) const {
        if (!out || V_VT(&child) != VT_I4 || V_I4(&child) != CHILDID_SELF || !IsWindow(window_)) {
            return false;
        }
        std::wstring text;
        if (!SendMessageW(window_, kAccessibleTextMessage, kind, reinterpret_cast<LPARAM>(&text))) {
            return false;
        }
        *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *out != nullptr;
    }

    ULONG references_ = 1;
    HWND window_;
    IAccessible* standard_;
};

}  // namespace

bool accessible_objects_alive() noexcept {
    return g_live.load() > 0;
}

LRESULT answer_get_object(HWND window, WPARAM wparam, LPARAM lparam) {
    if (static_cast<LONG>(lparam) != OBJID_CLIENT) {
        return 0;
    }
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, kIidAccessible,
                                         reinterpret_cast<void**>(&standard)))) {
        return 0;
    }
    auto* named = new (std::nothrow) NamedAccessible(window, standard);
    if (named == nullptr) {
        standard->Release();
        return 0;
    }
    const LRESULT result = LresultFromObject(kIidAccessible, wparam, named);
    named->Release();
    return result;
}

}  // namespace tintbox::windows
