// Self-registration: the registry keys of the class, its program ids and its type
// library, written all or nothing, and removed again exactly.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "registry_transaction.hpp"

namespace tintbox::windows {

// What DllRegisterServer writes under a Classes key for the library at `module_path`:
// the class (InprocServer32, ThreadingModel, ProgID, TypeLib, Version, Control,
// ToolboxBitmap32, Implemented Categories), and the program ids with CurVer.
std::vector<RegistryEntry> registry_entries(const std::wstring& module_path);

// The keys those entries live in, which unregistration deletes with all they hold.
std::vector<std::wstring> registry_roots();

// Deletes the registry roots under a Classes key; a root that is not there is no error.
LSTATUS delete_registry_roots(HKEY classes);

// Where registration writes: HKCU\Software\Classes (this user only) or
// HKLM\Software\Classes (every user; needs an elevated process). An elevated process
// reads only the machine-wide classes: a class registered per user is not found there.
enum class RegistrationScope { PerUser, MachineWide };

// DllRegisterServer's scope: machine-wide when the process is elevated, per user when
// it is not.
RegistrationScope default_scope();

HRESULT register_server(RegistrationScope scope);
HRESULT unregister_server(RegistrationScope scope);

}  // namespace tintbox::windows
