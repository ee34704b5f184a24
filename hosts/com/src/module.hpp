// The library's own state: its module handle, and what keeps it loaded (live objects,
// class-factory references and server locks), which DllCanUnloadNow reports.
#pragma once

#include <windows.h>

#include <string>

namespace tintbox::windows::module {

HMODULE handle() noexcept;
// The full path of Tintbox.ocx as loaded.
std::wstring path();

// Every COM object of the library counts itself from construction to destruction.
void object_created() noexcept;
void object_destroyed() noexcept;
// IClassFactory::LockServer. unlock returns false when no lock is held.
void lock() noexcept;
bool unlock() noexcept;
bool can_unload() noexcept;

// Counts a COM object while it lives; a base of each object class.
struct Counted {
    Counted() noexcept { object_created(); }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    ~Counted() { object_destroyed(); }
};

}  // namespace tintbox::windows::module
