#include "errors.hpp"

#include <olectl.h>

#include <new>
#include <string>

#include "com_ref.hpp"
#include "identifiers.hpp"
#include "text.hpp"

namespace tintbox::windows {
namespace {

void set_error_object(const std::wstring& description) {
    ComRef<ICreateErrorInfo> created;
    if (FAILED(CreateErrorInfo(created.put()))) {
        return;
    }
    created->SetGUID(kIidDispatchInterface);
    created->SetSource(const_cast<LPOLESTR>(kSourceName));
    created->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    const auto info = created.query<IErrorInfo>(IID_IErrorInfo);
    SetErrorInfo(0, info.get());
}

}  // namespace

HRESULT hresult_of(ErrorKind kind) noexcept {
    switch (kind) {
        case ErrorKind::Overflow:
            return CTL_E_OVERFLOW;
        case ErrorKind::InvalidPropertyValue:
            return CTL_E_INVALIDPROPERTYVALUE;
        case ErrorKind::InvalidProcedureCall:
            return CTL_E_ILLEGALFUNCTIONCALL;
        case ErrorKind::InvalidPicture:
            return CTL_E_INVALIDPICTURE;
        case ErrorKind::FileError:
            return CTL_E_DEVICEIOERROR;
        case ErrorKind::BadPropertyBag:
            return CTL_E_INVALIDFILEFORMAT;
        case ErrorKind::Internal:
            break;
    }
    return E_UNEXPECTED;
}

HRESULT report_error(const std::exception_ptr& error, EXCEPINFO* exception) noexcept {
    HRESULT code = E_UNEXPECTED;
    std::wstring description;
    try {
        try {
            std::rethrow_exception(error);
        } catch (const Error& control_error) {
            code = hresult_of(control_error.kind());
            description = wide_of_utf8(std::string(error_kind_name(control_error.kind())) + ": " +
                                       control_error.detail());
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception& other) {
            description = wide_of_utf8(std::string("Internal: ") + other.what());
        }
        set_error_object(description);
        if (!exception) {
            return code;
        }
        *exception = EXCEPINFO{};
        exception->bstrSource = to_bstr(std::wstring_view(kSourceName));
        exception->bstrDescription = to_bstr(description);
        exception->scode = code;
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_OUTOFMEMORY;  // no memory left for the description
    }
}

}  // namespace tintbox::windows
