// How the control's errors reach a COM caller: an HRESULT of the control facility for each
// kind (Overflow is 0x800A0006, so a script's Err.Number is 6), with an EXCEPINFO for
// IDispatch::Invoke and the thread's error object (ISupportErrorInfo) for every caller.
#pragma once

#include <oaidl.h>

#include <exception>

#include "tintbox/error.hpp"

namespace tintbox::windows {

HRESULT hresult_of(ErrorKind kind) noexcept;

// Reports the exception that ended a call. With `exception` (Invoke) the description
// goes there too and DISP_E_EXCEPTION is returned; without it the error's own HRESULT.
HRESULT report_error(const std::exception_ptr& error, EXCEPINFO* exception) noexcept;

}  // namespace tintbox::windows
