// The one export of the windowless module: its entry table for the shell.
#include "server.hpp"
#include "windowless_plugin.hpp"

namespace tintbox::shell {
namespace {

const TintboxServerServices* services = nullptr;

TintboxStatus create(const TintboxServerServices* shell, TintboxWindowless** out) noexcept {
    if (shell == nullptr || out == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    services = shell;  // a shell loaded again hands in its new table
    return create_windowless(out);
}

const unsigned char* cursor(std::int32_t id, std::size_t* size) noexcept {
    return cursor_resource(id, *size);
}

const TintboxWindowlessPlugin kPlugin = {create, cursor};

}  // namespace

// The instances here count into the shell's bookkeeping (DllCanUnloadNow).
void object_created() noexcept {
    services->object_created();
}

void object_destroyed() noexcept {
    services->object_destroyed();
}

}  // namespace tintbox::shell

extern "C" __attribute__((visibility("default"))) const TintboxWindowlessPlugin*
tintbox_windowless_plugin() {
    return &tintbox::shell::kPlugin;
}
