// State of the whole server: what keeps the library from being unloaded, and the
// creation of instances.
#pragma once

#include "tintbox/tintbox_shell.h"

namespace tintbox::shell {

// Instances and factory references alive; DllCanUnloadNow waits for both to reach 0
// together with the server locks.
void object_created() noexcept;
void object_destroyed() noexcept;

// A new instance of the class Tintbox with one reference; *out stays null on failure.
TintboxStatus create_control(TintboxControl** out) noexcept;

}  // namespace tintbox::shell
