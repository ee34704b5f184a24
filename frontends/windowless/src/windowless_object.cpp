// An instance of the windowless interface: checks every call of the host before the
// control sees it, turns every failure into a status code with its message, and stays
// answerable (TINTBOX_E_RELEASED) for a while after its last release.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "server.hpp"
#include "tintbox/error.hpp"
#include "windowless_control.hpp"

namespace tintbox::shell {
namespace {

constexpr std::int32_t kMaxSide = 1 << 15;

struct WindowlessObject;

// The control and the Qt it runs on: Qt starts first and ends last.
struct Live {
    explicit Live(WindowlessObject& object);
    QtProcess qt;
    WindowlessControl control;
};

struct WindowlessObject : TintboxWindowless {
    WindowlessObject();
    std::atomic<std::uint32_t> references{1};
    std::unique_ptr<Live> live;  // null after the last release
    std::string error_message;
    // The list of live instances.
    WindowlessObject* previous = nullptr;
    WindowlessObject* next = nullptr;
};

// The live instances. A process may end while its host still holds some (scripting
// languages and collected hosts do): nothing destroys them then, because by the time
// static destructors run Qt's own statics may be gone. The list only keeps them
// reachable, so that leak checkers see them as the process's, not as lost.
WindowlessObject* first_live = nullptr;

void link_live(WindowlessObject& object) noexcept {
    object.next = first_live;
    if (first_live != nullptr) {
        first_live->previous = &object;
    }
    first_live = &object;
}

void unlink_live(WindowlessObject& object) noexcept {
    (object.previous != nullptr ? object.previous->next : first_live) = object.next;
    if (object.next != nullptr) {
        object.next->previous = object.previous;
    }
    object.previous = object.next = nullptr;
}

// The most recently released instances, kept without their control so that a host's
// stale pointer to one of them gets TINTBOX_E_RELEASED instead of touching freed memory;
// older ones are freed, so that memory stays the same however many instances come and go.
constexpr std::size_t kTombstones = 256;
WindowlessObject* tombstones[kTombstones] = {};
std::size_t next_tombstone = 0;

void bury(WindowlessObject& object) noexcept {
    object.error_message = std::string();
    delete tombstones[next_tombstone];
    tombstones[next_tombstone] = &object;
    next_tombstone = (next_tombstone + 1) % kTombstones;
}

WindowlessObject* object_of(TintboxWindowless* self) noexcept {
    return static_cast<WindowlessObject*>(self);
}

// Instances whose last release came from another thread than Qt's: their Qt objects end
// on Qt's thread, at its next windowless call. A hint only: the live list says which.
std::atomic<int> orphans{0};

void end(WindowlessObject& object) noexcept {
    unlink_live(object);
    object.live.reset();
    object_destroyed();
    bury(object);
}

// On Qt's thread.
void end_orphans() noexcept {
    if (orphans.load() <= 0) {
        return;
    }
    for (WindowlessObject* object = first_live; object != nullptr;) {
        WindowlessObject* const next = object->next;
        if (object->references.load() == 0) {
            end(*object);
            --orphans;
        }
        object = next;
    }
}

// A windowless call from another thread than Qt's, refused; what ErrorMessage tells that
// thread.
thread_local bool refused_here = false;
constexpr const char* kWrongThread =
    "a windowless control is called from another thread than the one it runs on";

std::uint32_t add_ref(TintboxWindowless* self) noexcept {
    if (self == nullptr || !object_of(self)->live || object_of(self)->references.load() == 0) {
        return 0;
    }
    return ++object_of(self)->references;
}

// Counts from any thread; ends the instance on Qt's thread only.
std::uint32_t release(TintboxWindowless* self) noexcept {
    WindowlessObject* object = self == nullptr ? nullptr : object_of(self);
    if (object == nullptr || !object->live || object->references.load() == 0) {
        return 0;
    }
    const std::uint32_t left = --object->references;
    if (left == 0) {
        if (QtProcess::on_interface_thread()) {
            end(*object);
        } else {
            ++orphans;
        }
    }
    return left;
}

Live::Live(WindowlessObject& object)
    : control([&object] { return add_ref(&object); }, [&object] { return release(&object); }) {}

// Runs one call of the host on a live instance.
template <typename Body>
TintboxStatus run(TintboxWindowless* self, Body&& body) noexcept {
    if (self == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    if (!QtProcess::on_interface_thread()) {
        refused_here = true;
        return TINTBOX_E_WRONG_THREAD;
    }
    end_orphans();
    WindowlessObject* object = object_of(self);
    if (!object->live) {
        return TINTBOX_E_RELEASED;
    }
    object->error_message.clear();
    // A callback of the site may release the host's last reference: the control lives
    // until this call returns.
    ++object->references;
    TintboxStatus status = TINTBOX_OK;
    try {
        body(object->live->control);
    } catch (const WindowlessFault& fault) {
        status = fault.status;
        object->error_message = fault.message;
    } catch (const Error& error) {
        status = TINTBOX_E_CONTROL_ERROR;
        object->error_message = error.what();
    } catch (const std::bad_alloc&) {
        status = TINTBOX_E_OUT_OF_MEMORY;
        object->error_message = "out of memory";
    } catch (const std::exception& error) {
        status = TINTBOX_E_INTERNAL;
        object->error_message = error.what();
    } catch (...) {
        status = TINTBOX_E_INTERNAL;
        object->error_message = "unknown failure";
    }
    release(self);
    return status;
}

[[noreturn]] void refuse(TintboxStatus status, std::string message) {
    throw WindowlessFault{status, std::move(message)};
}

TintboxStatus set_site(TintboxWindowless* self, const TintboxSite* site) noexcept {
    TintboxSite grown{};
    return run(self, [&](WindowlessControl& control) {
        if (site != nullptr) {
            if (site->size < TINTBOX_SITE_SIZE_V2) {
                refuse(TINTBOX_E_INVALID_ARGUMENT, "the site's size is " +
                                                       std::to_string(site->size) + ", expected " +
                                                       std::to_string(sizeof(TintboxSite)));
            }
            // A host built against an older header has a shorter table: the members it
            // lacks stay null, and so does one that its size covers only in part.
            std::memcpy(&grown, site, std::min<std::size_t>(site->size, sizeof grown));
            if (site->size <
                offsetof(TintboxSite, eyedropper_state) + sizeof grown.eyedropper_state) {
                grown.eyedropper_state = nullptr;
            }
            grown.size = sizeof grown;
            site = &grown;
            const struct {
                bool present;
                const char* name;
            } required[] = {
                {site->invalidate != nullptr, "invalidate"},
                {site->set_pointer != nullptr, "set_pointer"},
                {site->request_focus != nullptr, "request_focus"},
                {site->get_clipboard_text != nullptr, "get_clipboard_text"},
                {site->set_clipboard_text != nullptr, "set_clipboard_text"},
            };
            for (const auto& callback : required) {
                if (!callback.present) {
                    refuse(TINTBOX_E_INVALID_ARGUMENT,
                           std::string("the site has no ") + callback.name + " callback");
                }
            }
            if ((site->start_timer == nullptr) != (site->stop_timer == nullptr)) {
                refuse(TINTBOX_E_INVALID_ARGUMENT,
                       "the site gives start_timer and stop_timer together or neither");
            }
            if ((site->get_pointer_position == nullptr) != (site->read_screen_pixel == nullptr)) {
                refuse(TINTBOX_E_INVALID_ARGUMENT,
                       "the site gives get_pointer_position and read_screen_pixel together or "
                       "neither");
            }
        }
        control.set_site(site);
    });
}

TintboxStatus get_dispatch(TintboxWindowless* self, TintboxControl** out) noexcept {
    if (out == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    *out = nullptr;
    return run(self, [&](WindowlessControl& control) {
        TintboxControl* dispatch = control.dispatch();
        dispatch->vtbl->AddRef(dispatch);
        *out = dispatch;
    });
}

TintboxStatus set_extent(TintboxWindowless* self, std::int32_t width, std::int32_t height,
                         double ratio) noexcept {
    return run(self, [&](WindowlessControl& control) {
        if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) {
            refuse(TINTBOX_E_INVALID_ARGUMENT, "the extent " + std::to_string(width) + " x " +
                                                   std::to_string(height) + " is outside 0.." +
                                                   std::to_string(kMaxSide));
        }
        if (!std::isfinite(ratio) || ratio < 0.5 || ratio > 8.0) {
            refuse(TINTBOX_E_INVALID_ARGUMENT, "the device pixel ratio must lie in 0.5..8");
        }
        control.set_extent(width, height, ratio);
    });
}

TintboxStatus get_extent(TintboxWindowless* self, std::int32_t* width,
                         std::int32_t* height) noexcept {
    if (width == nullptr || height == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    return run(self, [&](WindowlessControl& control) {
        const QSize size = control.extent();
        *width = size.width();
        *height = size.height();
    });
}

TintboxStatus draw(TintboxWindowless* self, void* pixels, std::int32_t width, std::int32_t height,
                   std::int32_t stride, const TintboxRect* area) noexcept {
    return run(self, [&](WindowlessControl& control) {
        if (pixels == nullptr) {
            refuse(TINTBOX_E_INVALID_ARGUMENT, "Draw: no pixel buffer");
        }
        if (reinterpret_cast<std::uintptr_t>(pixels) % 4 != 0 || stride % 4 != 0) {
            refuse(TINTBOX_E_INVALID_ARGUMENT,
                   "Draw: the buffer and its stride must be multiples of 4 bytes");
        }
        if (width > kMaxSide || height > kMaxSide) {
            refuse(TINTBOX_E_INVALID_ARGUMENT,
                   "Draw: a buffer side above " + std::to_string(kMaxSide));
        }
        if (area != nullptr && (area->width < 0 || area->height < 0)) {
            refuse(TINTBOX_E_INVALID_ARGUMENT, "Draw: an area of negative size");
        }
        const QSize needed = control.extent();
        if (width < needed.width() || height < needed.height()) {
            refuse(TINTBOX_E_BUFFER_TOO_SMALL,
                   "Draw: the buffer is " + std::to_string(width) + " x " + std::to_string(height) +
                       ", the control " + std::to_string(needed.width()) + " x " +
                       std::to_string(needed.height()));
        }
        if (static_cast<std::int64_t>(stride) < static_cast<std::int64_t>(width) * 4) {
            refuse(TINTBOX_E_BUFFER_TOO_SMALL, "Draw: a stride of " + std::to_string(stride) +
                                                   " bytes holds fewer than " +
                                                   std::to_string(width) + " pixels");
        }
        control.draw(pixels, width, height, stride, area);
    });
}

TintboxStatus input(TintboxWindowless* self, const TintboxInputEvent* event,
                    std::int32_t* handled) noexcept {
    if (handled != nullptr) {
        *handled = 0;
    }
    return run(self, [&](WindowlessControl& control) {
        if (event == nullptr) {
            refuse(TINTBOX_E_INVALID_ARGUMENT, "Input: no event");
        }
        if (!control.has_site()) {
            refuse(TINTBOX_E_NO_SITE, "Input: no site is set");
        }
        const bool used = control.input(*event);
        if (handled != nullptr) {
            *handled = used ? 1 : 0;
        }
    });
}

TintboxStatus tick(TintboxWindowless* self, std::int32_t elapsed_ms) noexcept {
    return run(self, [&](WindowlessControl& control) {
        if (elapsed_ms < 0) {
            refuse(TINTBOX_E_INVALID_ARGUMENT, "Tick: negative time");
        }
        control.tick(elapsed_ms);
    });
}

TintboxStatus timer_interval(TintboxWindowless* self, std::int32_t* interval_ms) noexcept {
    if (interval_ms == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    *interval_ms = 0;
    return run(self, [&](WindowlessControl& control) { *interval_ms = control.timer_interval(); });
}

const char* error_message(TintboxWindowless* self) noexcept {
    if (self == nullptr) {
        return "";
    }
    if (!QtProcess::on_interface_thread()) {
        return refused_here ? kWrongThread : "";
    }
    WindowlessObject* object = object_of(self);
    return object->live ? object->error_message.c_str() : "the instance was released";
}

const TintboxWindowlessVtbl kWindowlessVtbl = {
    add_ref, release, set_site, get_dispatch,   set_extent,    get_extent,
    draw,    input,   tick,     timer_interval, error_message,
};

WindowlessObject::WindowlessObject() : TintboxWindowless{&kWindowlessVtbl} {}

}  // namespace

TintboxStatus create_windowless(TintboxWindowless** out) noexcept {
    try {
        if (QtProcess::on_interface_thread()) {
            end_orphans();
        }
        auto object = std::make_unique<WindowlessObject>();
        object->live = std::make_unique<Live>(*object);
        object_created();
        link_live(*object);
        *out = object.release();
        return TINTBOX_OK;
    } catch (const WindowlessFault& fault) {
        return fault.status;
    } catch (const std::bad_alloc&) {
        return TINTBOX_E_OUT_OF_MEMORY;
    } catch (...) {
        return TINTBOX_E_INTERNAL;
    }
}

const unsigned char* cursor_resource(std::int32_t id, std::size_t& size) noexcept {
    const TintboxCursorImage* image = cursor_image(id);
    size = image != nullptr ? sizeof *image : 0;
    return reinterpret_cast<const unsigned char*>(image);
}

}  // namespace tintbox::shell
