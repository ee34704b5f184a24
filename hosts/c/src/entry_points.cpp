// The four exported entry points and the class factory of Tintbox.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <atomic>
#include <new>
#include <string>

#include "registry.hpp"
#include "resources.hpp"
#include "server.hpp"
#include "type_library.hpp"

#define TINTBOX_EXPORT extern "C" __attribute__((visibility("default")))

namespace tintbox::shell {
namespace {

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};
std::atomic<std::uint32_t> factory_references{0};

// Decrements a count that must not go below zero; false when it was zero already.
template <typename Count>
bool decrement_if_positive(std::atomic<Count>& count) noexcept {
    Count value = count.load();
    while (value > 0) {
        if (count.compare_exchange_weak(value, value - 1)) {
            return true;
        }
    }
    return false;
}

std::uint32_t factory_add_ref(TintboxClassFactory* self) noexcept {
    if (self == nullptr) {
        return 0;
    }
    object_created();
    return ++factory_references;
}

std::uint32_t factory_release(TintboxClassFactory* self) noexcept {
    if (self == nullptr || !decrement_if_positive(factory_references)) {
        return 0;
    }
    object_destroyed();
    return factory_references.load();
}

TintboxStatus create_instance(TintboxClassFactory* self, const TintboxGuid* interface_id,
                              TintboxControl** out) noexcept {
    if (out == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    *out = nullptr;
    if (self == nullptr || interface_id == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    if (same_guid(*interface_id, TINTBOX_IID_Windowless)) {
        return create_windowless(reinterpret_cast<TintboxWindowless**>(out));
    }
    if (!same_guid(*interface_id, TINTBOX_IID__Tintbox)) {
        return TINTBOX_E_CLASS_NOT_AVAILABLE;
    }
    return create_control(out);
}

TintboxStatus lock_server(TintboxClassFactory* self, std::int32_t lock) noexcept {
    if (self == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    if (lock != 0) {
        ++server_locks;
        return TINTBOX_OK;
    }
    return decrement_if_positive(server_locks) ? TINTBOX_OK : TINTBOX_E_INVALID_ARGUMENT;
}

TintboxStatus get_type_library(TintboxClassFactory* self, const TintboxTypeLibrary** out) noexcept {
    if (self == nullptr || out == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    try {
        *out = &type_library();
        return TINTBOX_OK;
    } catch (const std::bad_alloc&) {
        return TINTBOX_E_OUT_OF_MEMORY;
    }
}

TintboxStatus get_resource(TintboxClassFactory* self, std::int32_t type, std::int32_t id,
                           const unsigned char** data, std::size_t* size) noexcept {
    if (self == nullptr || data == nullptr || size == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    *data = nullptr;
    *size = 0;
    std::string_view bytes;
    if (type == TINTBOX_RESOURCE_BITMAP && id == TINTBOX_ID_TOOLBOX_BITMAP) {
        bytes = toolbox_bitmap();
    } else if (type == TINTBOX_RESOURCE_VERSION && id == TINTBOX_ID_VERSION) {
        bytes = version_info();
    } else if (type == TINTBOX_RESOURCE_CURSOR && cursor_resource(id, *size) != nullptr) {
        *data = cursor_resource(id, *size);
        return TINTBOX_OK;
    } else {
        return TINTBOX_E_NOT_FOUND;
    }
    *data = reinterpret_cast<const unsigned char*>(bytes.data());
    *size = bytes.size();
    return TINTBOX_OK;
}

const TintboxClassFactoryVtbl kFactoryVtbl = {
    factory_add_ref, factory_release, create_instance, lock_server, get_type_library, get_resource,
};

TintboxClassFactory factory{&kFactoryVtbl};

}  // namespace

void object_created() noexcept {
    ++live_objects;
}

void object_destroyed() noexcept {
    --live_objects;
}

std::string library_path() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&factory_add_ref), &info) == 0 ||
        info.dli_fname == nullptr) {
        return "";
    }
    char resolved[PATH_MAX];
    return ::realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
}

}  // namespace tintbox::shell

using namespace tintbox::shell;

TINTBOX_EXPORT TintboxStatus DllGetClassObject(const TintboxGuid* class_id,
                                               const TintboxGuid* interface_id, void** out) {
    if (out == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    *out = nullptr;
    if (class_id == nullptr || interface_id == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    if (!same_guid(*class_id, TINTBOX_CLSID_Tintbox) ||
        !same_guid(*interface_id, TINTBOX_IID_ClassFactory)) {
        return TINTBOX_E_CLASS_NOT_AVAILABLE;
    }
    factory_add_ref(&factory);
    *out = &factory;
    return TINTBOX_OK;
}

TINTBOX_EXPORT TintboxStatus DllCanUnloadNow(void) {
    return live_objects.load() == 0 && server_locks.load() == 0 ? TINTBOX_OK : TINTBOX_E_IN_USE;
}

TINTBOX_EXPORT TintboxStatus DllRegisterServer(void) {
    try {
        const std::string path = library_path();
        return path.empty() ? TINTBOX_E_REGISTRY : register_server(path);
    } catch (const std::bad_alloc&) {
        return TINTBOX_E_OUT_OF_MEMORY;
    } catch (...) {
        return TINTBOX_E_INTERNAL;
    }
}

TINTBOX_EXPORT TintboxStatus DllUnregisterServer(void) {
    try {
        return unregister_server();
    } catch (const std::bad_alloc&) {
        return TINTBOX_E_OUT_OF_MEMORY;
    } catch (...) {
        return TINTBOX_E_INTERNAL;
    }
}
