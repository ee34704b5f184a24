// Writing a set of registry keys and values as one change that is undone unless it is
// committed: what self-registration needs so that a failure leaves nothing half-written.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tintbox::windows {

// One registry key below a Classes key, with the one value that registration gives it
// (`name` empty: the key's default value), or with none (`has_value` false).
struct RegistryEntry {
    std::wstring key;
    std::wstring name;
    std::wstring data;
    bool has_value = true;
};

// Writes registry entries as one change: until commit() the change can be undone, and it
// is undone when the transaction goes without a commit (new keys deleted, values that
// were overwritten restored).
class RegistryTransaction {
  public:
    explicit RegistryTransaction(HKEY classes) : classes_(classes) {}
    RegistryTransaction(const RegistryTransaction&) = delete;
    RegistryTransaction& operator=(const RegistryTransaction&) = delete;
    ~RegistryTransaction();

    // ERROR_SUCCESS, or the error of the first entry that could not be written; after an
    // error the entries written so far stay until the transaction goes.
    LSTATUS write(const std::vector<RegistryEntry>& entries);
    void commit() noexcept { committed_ = true; }

  private:
    struct OldValue {
        std::wstring key;
        std::wstring name;
        bool existed;
        DWORD type;
        std::vector<BYTE> data;
    };
    LSTATUS create_key(const std::wstring& key, HKEY* opened);
    LSTATUS set_value(HKEY opened, const RegistryEntry& entry);

    HKEY classes_;
    std::vector<std::wstring> created_keys_;  // in the order made
    std::vector<OldValue> old_values_;        // of keys that existed before
    bool committed_ = false;
};

}  // namespace tintbox::windows
