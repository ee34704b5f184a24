// The shell's side of the windowless module: found beside the shell library, loaded once
// and kept loaded (Qt cannot be unloaded from a process it ran in).
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "server.hpp"
#include "windowless_plugin.hpp"

namespace tintbox::shell {
namespace {

const TintboxWindowlessPlugin* plugin() noexcept {
    static const TintboxWindowlessPlugin* const loaded = []() -> const TintboxWindowlessPlugin* {
        try {
            const std::string self = library_path();
            const std::string path =
                self.substr(0, self.rfind('/') + 1) + TINTBOX_WINDOWLESS_PLUGIN_FILE;
            void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
            if (module == nullptr) {
                return nullptr;  // a build without Qt
            }
            // The module calls back into this library (object_created, object_destroyed)
            // for as long as its instances live: a host's dlclose must not unmap it.
            ::dlopen(self.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            void* symbol = ::dlsym(module, TINTBOX_WINDOWLESS_PLUGIN_SYMBOL);
            TintboxWindowlessPluginFn entry = nullptr;
            static_assert(sizeof entry == sizeof symbol);
            std::memcpy(&entry, &symbol, sizeof entry);
            return entry != nullptr ? entry() : nullptr;
        } catch (...) {
            return nullptr;
        }
    }();
    return loaded;
}

const TintboxServerServices kServices = {object_created, object_destroyed};

}  // namespace

TintboxStatus create_windowless(TintboxWindowless** out) noexcept {
    const TintboxWindowlessPlugin* windowless = plugin();
    return windowless != nullptr ? windowless->create(&kServices, out)
                                 : TINTBOX_E_CLASS_NOT_AVAILABLE;
}

const unsigned char* cursor_resource(std::int32_t id, std::size_t& size) noexcept {
    size = 0;
    const TintboxWindowlessPlugin* windowless = plugin();
    return windowless != nullptr ? windowless->cursor(id, &size) : nullptr;
}

}  // namespace tintbox::shell
