#include "module.hpp"

#include <atomic>

namespace tintbox::windows::module {
namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

}  // namespace

HMODULE handle() noexcept {
    return g_module;
}

std::wstring path() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(g_module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);  // a long path: try again with more room
    }
}

void object_created() noexcept {
    ++g_objects;
}

void object_destroyed() noexcept {
    --g_objects;
}

void lock() noexcept {
    ++g_locks;
}

bool unlock() noexcept {
    long held = g_locks.load();
    while (held > 0) {
        if (g_locks.compare_exchange_weak(held, held - 1)) {
            return true;
        }
    }
    return false;
}

bool can_unload() noexcept {
    return g_objects.load() == 0 && g_locks.load() == 0;
}

}  // namespace tintbox::windows::module

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        tintbox::windows::module::g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
