#include "registry_transaction.hpp"

namespace tintbox::windows {

RegistryTransaction::~RegistryTransaction() {
    if (committed_) {
        return;
    }
    for (auto old = old_values_.rbegin(); old != old_values_.rend(); ++old) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(classes_, old->key.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
            continue;
        }
        const wchar_t* name = old->name.empty() ? nullptr : old->name.c_str();
        if (old->existed) {
            RegSetValueExW(key, name, 0, old->type, old->data.data(),
                           static_cast<DWORD>(old->data.size()));
        } else {
            RegDeleteValueW(key, name);
        }
        RegCloseKey(key);
    }
    for (auto key = created_keys_.rbegin(); key != created_keys_.rend(); ++key) {
        RegDeleteTreeW(classes_, key->c_str());
    }
}

LSTATUS RegistryTransaction::write(const std::vector<RegistryEntry>& entries) {
    for (const RegistryEntry& entry : entries) {
        HKEY key = nullptr;
        LSTATUS status = create_key(entry.key, &key);
        if (status == ERROR_SUCCESS && entry.has_value) {
            status = set_value(key, entry);
        }
        if (key) {
            RegCloseKey(key);
        }
        if (status != ERROR_SUCCESS) {
            return status;
        }
    }
    return ERROR_SUCCESS;
}

// One level at a time, so that every key this transaction makes is known.
LSTATUS RegistryTransaction::create_key(const std::wstring& key, HKEY* opened) {
    HKEY parent = classes_;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = key.find(L'\\', start);
        const std::wstring part = key.substr(start, end - start);
        HKEY child = nullptr;
        DWORD disposition = 0;
        const LSTATUS status = RegCreateKeyExW(parent, part.c_str(), 0, nullptr, 0,
                                               KEY_READ | KEY_WRITE, nullptr, &child, &disposition);
        if (parent != classes_) {
            RegCloseKey(parent);
        }
        if (status != ERROR_SUCCESS) {
            return status;
        }
        if (disposition == REG_CREATED_NEW_KEY) {
            created_keys_.push_back(key.substr(0, end));
        }
        if (end == std::wstring::npos) {
            *opened = child;
            return ERROR_SUCCESS;
        }
        parent = child;
        start = end + 1;
    }
}

LSTATUS RegistryTransaction::set_value(HKEY opened, const RegistryEntry& entry) {
    const wchar_t* name = entry.name.empty() ? nullptr : entry.name.c_str();
    OldValue old{entry.key, entry.name, false, REG_NONE, {}};
    DWORD size = 0;
    if (RegQueryValueExW(opened, name, nullptr, &old.type, nullptr, &size) == ERROR_SUCCESS) {
        old.data.resize(size);
        old.existed = RegQueryValueExW(opened, name, nullptr, &old.type, old.data.data(), &size) ==
                      ERROR_SUCCESS;
    }
    old_values_.push_back(std::move(old));
    const auto bytes = static_cast<DWORD>((entry.data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(opened, name, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(entry.data.c_str()), bytes);
}

}  // namespace tintbox::windows
