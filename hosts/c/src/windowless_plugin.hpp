// The windowless interface runs on Qt, so it lives in a module of its own,
// libtintboxctl-windowless.so beside libtintboxctl.so, which the shell loads the first
// time a host asks for that interface: hosts of the dispatch interface never load Qt.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tintbox/tintbox_windowless.h"

#define TINTBOX_WINDOWLESS_PLUGIN_FILE "libtintboxctl-windowless.so"
#define TINTBOX_WINDOWLESS_PLUGIN_SYMBOL "tintbox_windowless_plugin"

extern "C" {

// The shell's own bookkeeping, which the module's objects count into.
struct TintboxServerServices {
    void (*object_created)();
    void (*object_destroyed)();
};

struct TintboxWindowlessPlugin {
    TintboxStatus (*create)(const TintboxServerServices* services, TintboxWindowless** out);
    // The bytes of a TintboxCursorImage, null when `id` names none.
    const unsigned char* (*cursor)(std::int32_t id, std::size_t* size);
};

using TintboxWindowlessPluginFn = const TintboxWindowlessPlugin* (*)();
}
