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

// Per user when the process is not elevated, machine-wide when it is.
HRESULT register_server();
HRESULT unregister_server();

}  // namespace tintbox::windows
