// State of the whole server: what keeps the library from being unloaded, and the
// creation of instances.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "tintbox/tintbox.hpp"
#include "tintbox/tintbox_shell.h"
#include "tintbox/tintbox_windowless.h"

namespace tintbox::shell {

// Instances and factory references alive; DllCanUnloadNow waits for both to reach 0
// together with the server locks.
void object_created() noexcept;
void object_destroyed() noexcept;

// The absolute path of the shell library, as the registry records it ("" if unknown).
std::string library_path();

// A new instance of the class Tintbox with one reference; *out stays null on failure.
TintboxStatus create_control(TintboxControl** out) noexcept;

// The object that owns a control shown by a host (the windowless instance), as the
// dispatch interface over that control sees it.
class DispatchOwner {
  public:
    // The dispatch interface shares its owner's references.
    virtual std::uint32_t add_ref() noexcept = 0;
    virtual std::uint32_t release() noexcept = 0;
    // Runs one host call, then shows its effects.
    virtual void host_call(const std::function<void()>& call) = 0;
    // After the dispatch interface's own subscribers heard Change.
    virtual void changed() = 0;
    // An event handler of the control failed; `in_call` when a host call was running.
    virtual void handler_failed(const Error& error, bool in_call) = 0;
    // Whether the calling thread is the one the owner runs on; calls from others are
    // refused with TINTBOX_E_WRONG_THREAD.
    virtual bool on_interface_thread() const noexcept = 0;

  protected:
    ~DispatchOwner() = default;
};

// A new windowless instance with one reference; TINTBOX_E_CLASS_NOT_AVAILABLE when the
// windowless module is missing (a build without Qt).
TintboxStatus create_windowless(TintboxWindowless** out) noexcept;
// The bytes of a TintboxCursorImage (TINTBOX_RESOURCE_CURSOR), null when none.
const unsigned char* cursor_resource(std::int32_t id, std::size_t& size) noexcept;

// The dispatch interface over `control`, owned by the caller (destroy_dispatch).
TintboxControl* create_dispatch(Tintbox& control, DispatchOwner& owner);
void destroy_dispatch(TintboxControl* dispatch) noexcept;

}  // namespace tintbox::shell
