// Registration of the server in the per-user registry directory.
#pragma once

#include <string>

#include "tintbox/tintbox_shell.h"

namespace tintbox::shell {

// TINTBOX_REGISTRY_DIR, else $XDG_DATA_HOME/tintbox/registry, else
// $HOME/.local/share/tintbox/registry; empty when none of them is set.
std::string registry_directory();

// Writes every entry of the class, its program id, its interfaces and its type library,
// naming `library_path` as the server. All or nothing: TINTBOX_E_REGISTRY leaves no entry
// of this call behind. First removes the temporary files of registrations that were
// killed in the middle (their process ended, untouched for ten minutes).
TintboxStatus register_server(const std::string& library_path);

// Removes those entries; entries that are not there are not an error.
TintboxStatus unregister_server();

}  // namespace tintbox::shell
