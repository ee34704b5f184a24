// What assistive technology hears of the Win32 views through MSAA. A window a person
// can reach answers WM_GETOBJECT for its client with the system's standard proxy for
// it (EDIT's, SCROLLBAR's, or a plain client's: role, state, value, location,
// navigation), wrapped so that the name and the description are the shared table's
// (tintbox/accessible_names.hpp). The wrapper asks the window for them with
// kAccessibleTextMessage each time a client reads them, so a swatch's description is
// its colour at that moment; the skin announces a change with
// EVENT_OBJECT_DESCRIPTIONCHANGE. A window that is gone leaves the proxy's own texts.
#pragma once

#include <windows.h>

#include <string>

namespace tintbox::windows {

// Sent to a view window from its own thread: WPARAM is the text wanted (kAccessibleName
// or kAccessibleDescription), LPARAM a std::wstring* that receives it; the window answers
// TRUE when it has that text. Sent from another thread, it is not answered.
inline constexpr UINT kAccessibleTextMessage = WM_APP + 0x7B1;
inline constexpr WPARAM kAccessibleName = 0;
inline constexpr WPARAM kAccessibleDescription = 1;

// Whether a client still holds one of the objects answer_get_object made: their code is
// the library's, which must stay loaded meanwhile (DllCanUnloadNow).
bool accessible_objects_alive() noexcept;

// The answer to WM_GETOBJECT for `window`: the named proxy for OBJID_CLIENT, 0 (the
// system's own answer) for any other object or when the proxy cannot be made.
LRESULT answer_get_object(HWND window, WPARAM wparam, LPARAM lparam);

}  // namespace tintbox::windows
