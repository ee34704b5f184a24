// An instance of the class Tintbox: a headless control behind the C dispatch table.
// Every call is checked against the type library before the control sees it, and no
// exception crosses the C boundary. Calls from several threads run one at a time, and
// each thread hears about its own last call.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "arguments.hpp"
#include "server.hpp"
#include "text/text.hpp"
#include "tintbox/error.hpp"
#include "tintbox/property_bag.hpp"
#include "tintbox/tintbox.hpp"
#include "type_library.hpp"

namespace tintbox::shell {
namespace {

std::int32_t error_kind_code(ErrorKind kind) noexcept {
    switch (kind) {
        case ErrorKind::Overflow:
            return TINTBOX_ERROR_OVERFLOW;
        case ErrorKind::InvalidPropertyValue:
            return TINTBOX_ERROR_INVALID_PROPERTY_VALUE;
        case ErrorKind::InvalidProcedureCall:
            return TINTBOX_ERROR_INVALID_PROCEDURE_CALL;
        case ErrorKind::InvalidPicture:
            return TINTBOX_ERROR_INVALID_PICTURE;
        case ErrorKind::FileError:
            return TINTBOX_ERROR_FILE;
        case ErrorKind::BadPropertyBag:
            return TINTBOX_ERROR_BAD_PROPERTY_BAG;
        case ErrorKind::Internal:
            break;
    }
    return TINTBOX_ERROR_INTERNAL;
}

struct ControlObject : TintboxControl {
    struct Subscription {
        TintboxEventCallback callback;
        void* context;
    };

    ControlObject();
    ControlObject(Tintbox& shown, DispatchOwner& owner);
    ~ControlObject() { object_destroyed(); }
    void connect();

    // Runs one call of the host: clears the last error, and turns every failure into a
    // status code with its message.
    template <typename Body>
    TintboxStatus run(Body&& body) noexcept;
    TintboxStatus call(std::int32_t dispatch_id, std::int32_t invoke_kind, TintboxVariant* args,
                       std::int32_t arg_count, TintboxVariant* result) noexcept;
    void dispatch(const Member& member, TintboxVariant* args, TintboxVariant* result);
    void raise_change();
    // The calling thread's last error; fail() never throws, it is called from handlers.
    TintboxStatus fail(TintboxStatus status, std::int32_t kind, std::string message) noexcept;
    void forget_error() noexcept;

    std::atomic<std::uint32_t> references{1};
    std::unique_ptr<Tintbox> own_control;  // null when the owner's control is shown
    Tintbox& control;
    DispatchOwner* owner = nullptr;
    int calls_running = 0;  // host calls in progress (a Change callback may nest one)
    // By cookie: cookies grow, so this is the order in which the host subscribed.
    std::map<std::uint32_t, Subscription> subscriptions;
    std::uint32_t next_cookie = 1;
    // One call at a time; a Change callback may call the same instance again.
    std::recursive_mutex call_mutex;
    // Per thread that failed in its last call here: a call of one thread neither clears
    // nor frees the message that another is reading.
    struct LastError {
        std::int32_t kind;
        std::string message;
    };
    std::mutex errors_mutex;
    std::map<std::thread::id, LastError> errors;
    // The first error that an event handler of the control reported during a call.
    struct HandlerError {
        std::int32_t kind;
        std::string message;
    };
    std::optional<HandlerError> handler_error;
};

ControlObject* object_of(TintboxControl* self) noexcept {
    return static_cast<ControlObject*>(self);
}

std::uint32_t add_ref(TintboxControl* self) noexcept {
    if (self == nullptr) {
        return 0;
    }
    ControlObject* object = object_of(self);
    return object->owner != nullptr ? object->owner->add_ref() : ++object->references;
}

std::uint32_t release(TintboxControl* self) noexcept {
    if (self == nullptr) {
        return 0;
    }
    ControlObject* object = object_of(self);
    if (object->owner != nullptr) {
        return object->owner->release();
    }
    const std::uint32_t left = --object->references;
    if (left == 0) {
        delete object;
    }
    return left;
}

// Keeps an instance alive while one of its calls runs: a Change callback may release
// the host's last reference.
class CallGuard {
  public:
    explicit CallGuard(TintboxControl* self) : self_(self) { add_ref(self_); }
    ~CallGuard() { release(self_); }
    CallGuard(const CallGuard&) = delete;
    CallGuard& operator=(const CallGuard&) = delete;

  private:
    TintboxControl* self_;
};

class CallDepth {
  public:
    explicit CallDepth(int& depth) : depth_(depth) { ++depth_; }
    ~CallDepth() { --depth_; }
    CallDepth(const CallDepth&) = delete;
    CallDepth& operator=(const CallDepth&) = delete;

  private:
    int& depth_;
};

TintboxStatus ControlObject::fail(TintboxStatus status, std::int32_t kind,
                                  std::string message) noexcept {
    try {
        const std::lock_guard<std::mutex> lock(errors_mutex);
        errors.insert_or_assign(std::this_thread::get_id(), LastError{kind, std::move(message)});
    } catch (...) {
        // Out of memory for the message: the status still tells the host.
    }
    return status;
}

void ControlObject::forget_error() noexcept {
    const std::lock_guard<std::mutex> lock(errors_mutex);
    errors.erase(std::this_thread::get_id());
}

template <typename Body>
TintboxStatus ControlObject::run(Body&& body) noexcept {
    forget_error();
    if (owner != nullptr && !owner->on_interface_thread()) {
        return fail(TINTBOX_E_WRONG_THREAD, TINTBOX_ERROR_NONE,
                    "a windowless control is called from another thread than the one it runs "
                    "on");
    }
    try {
        const std::lock_guard<std::recursive_mutex> lock(call_mutex);
        handler_error.reset();
        const CallDepth depth(calls_running);
        if (owner != nullptr) {
            owner->host_call(body);
        } else {
            body();
        }
        // A handler that failed inside the call did not stop it, but the host must hear
        // of it; the call's effects stay.
        if (handler_error) {
            return fail(TINTBOX_E_CONTROL_ERROR, handler_error->kind,
                        std::move(handler_error->message));
        }
        return TINTBOX_OK;
    } catch (const CallFault& fault) {
        return fail(fault.status, TINTBOX_ERROR_NONE, fault.message);
    } catch (const Error& error) {
        return fail(TINTBOX_E_CONTROL_ERROR, error_kind_code(error.kind()), error.what());
    } catch (const std::bad_alloc&) {
        return fail(TINTBOX_E_OUT_OF_MEMORY, TINTBOX_ERROR_NONE, "out of memory");
    } catch (const std::exception& error) {
        return fail(TINTBOX_E_INTERNAL, TINTBOX_ERROR_NONE, error.what());
    } catch (...) {
        return fail(TINTBOX_E_INTERNAL, TINTBOX_ERROR_NONE, "unknown failure");
    }
}

TintboxStatus ControlObject::call(std::int32_t dispatch_id, std::int32_t invoke_kind,
                                  TintboxVariant* args, std::int32_t arg_count,
                                  TintboxVariant* result) noexcept {
    if (result != nullptr) {
        result->type = TINTBOX_VT_EMPTY;
    }
    return run([&] {
        constexpr std::int32_t kAllKinds = TINTBOX_INVOKE_METHOD | TINTBOX_INVOKE_PROPERTYGET |
                                           TINTBOX_INVOKE_PROPERTYPUT |
                                           TINTBOX_INVOKE_PROPERTYPUTREF;
        if (invoke_kind == 0 || (invoke_kind & ~kAllKinds) != 0) {
            throw CallFault{TINTBOX_E_INVALID_ARGUMENT,
                            "unknown kind of call " + std::to_string(invoke_kind)};
        }
        bool id_known = false;
        const Member* member = find_member(dispatch_id, invoke_kind, id_known);
        if (member == nullptr) {
            throw CallFault{id_known ? TINTBOX_E_WRONG_MEMBER_KIND : TINTBOX_E_UNKNOWN_MEMBER,
                            (id_known ? "no such kind of call for dispatch id "
                                      : "no member has dispatch id ") +
                                std::to_string(dispatch_id)};
        }
        if (arg_count < 0 || (arg_count > 0 && args == nullptr)) {
            throw CallFault{TINTBOX_E_INVALID_ARGUMENT,
                            std::string(member->name) + ": no argument array"};
        }
        if (static_cast<std::size_t>(arg_count) != member->param_count) {
            throw CallFault{TINTBOX_E_BAD_ARGUMENT_COUNT, std::string(member->name) + " takes " +
                                                              std::to_string(member->param_count) +
                                                              " argument(s), got " +
                                                              std::to_string(arg_count)};
        }
        dispatch(*member, args, result);
    });
}

void ControlObject::dispatch(const Member& member, TintboxVariant* args, TintboxVariant* result) {
    const Arguments in(member, args);
    std::vector<MemberValue> values = in.read(control.Picture());
    const TintboxVariant out = Arguments::result(member.call(control, values));
    in.write_back(values);
    if (result != nullptr) {
        *result = out;
    }
}

void ControlObject::raise_change() {
    // Callbacks may subscribe and unsubscribe: a subscription made during the event hears
    // the next one, and one that an earlier callback removed is skipped.
    const std::uint32_t subscribed_before = next_cookie;
    auto next = subscriptions.begin();
    while (next != subscriptions.end() && next->first < subscribed_before) {
        const std::uint32_t cookie = next->first;
        const Subscription subscription = next->second;
        subscription.callback(subscription.context, this, TINTBOX_DISPID_Change);
        next = subscriptions.upper_bound(cookie);
    }
    if (owner != nullptr) {
        owner->changed();
    }
}

// A call refused for a missing or unknown argument, before anything happened.
CallFault invalid_argument(std::string message) {
    return {TINTBOX_E_INVALID_ARGUMENT, std::move(message)};
}

TintboxStatus get_dispatch_id(TintboxControl* self, const char* name,
                              std::int32_t* dispatch_id) noexcept {
    if (self == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    return object_of(self)->run([&] {
        if (name == nullptr || dispatch_id == nullptr) {
            throw invalid_argument(name == nullptr ? "GetDispatchId: no name"
                                                   : "GetDispatchId: no place for the id");
        }
        if (!find_dispatch_id(name, *dispatch_id)) {
            throw CallFault{TINTBOX_E_UNKNOWN_MEMBER, "no member is named " + text::excerpt(name)};
        }
    });
}

TintboxStatus invoke(TintboxControl* self, std::int32_t dispatch_id, std::int32_t invoke_kind,
                     TintboxVariant* args, std::int32_t arg_count,
                     TintboxVariant* result) noexcept {
    if (self == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    const CallGuard guard(self);
    return object_of(self)->call(dispatch_id, invoke_kind, args, arg_count, result);
}

TintboxStatus invoke_by_name(TintboxControl* self, const char* name, std::int32_t invoke_kind,
                             TintboxVariant* args, std::int32_t arg_count,
                             TintboxVariant* result) noexcept {
    std::int32_t dispatch_id = 0;
    const TintboxStatus status = get_dispatch_id(self, name, &dispatch_id);
    if (status != TINTBOX_OK) {
        return status;
    }
    return invoke(self, dispatch_id, invoke_kind, args, arg_count, result);
}

TintboxStatus advise(TintboxControl* self, TintboxEventCallback callback, void* context,
                     std::uint32_t* cookie) noexcept {
    if (self == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    ControlObject* object = object_of(self);
    return object->run([&] {
        if (callback == nullptr || cookie == nullptr) {
            throw invalid_argument(callback == nullptr ? "Advise: no callback"
                                                       : "Advise: no place for the cookie");
        }
        object->subscriptions.emplace(object->next_cookie,
                                      ControlObject::Subscription{callback, context});
        *cookie = object->next_cookie++;
    });
}

TintboxStatus unadvise(TintboxControl* self, std::uint32_t cookie) noexcept {
    if (self == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    ControlObject* object = object_of(self);
    return object->run([&] {
        if (object->subscriptions.erase(cookie) != 0) {
            return;
        }
        throw invalid_argument("Unadvise: no subscription has the cookie " +
                               std::to_string(cookie));
    });
}

TintboxStatus read_properties(TintboxControl* self, const char* bag_path) noexcept {
    if (self == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    ControlObject* object = object_of(self);
    const CallGuard guard(self);
    return object->run([&] {
        if (bag_path == nullptr) {
            throw invalid_argument("ReadProperties: no file name");
        }
        MemoryPropertyBag bag = load_property_bag(bag_path);
        object->control.UserControl_ReadProperties(bag);
    });
}

TintboxStatus write_properties(TintboxControl* self, const char* bag_path) noexcept {
    if (self == nullptr) {
        return TINTBOX_E_INVALID_ARGUMENT;
    }
    ControlObject* object = object_of(self);
    const CallGuard guard(self);
    return object->run([&] {
        if (bag_path == nullptr) {
            throw invalid_argument("WriteProperties: no file name");
        }
        MemoryPropertyBag bag;
        object->control.UserControl_WriteProperties(bag);
        save_property_bag(bag, bag_path);
    });
}

std::int32_t last_error_kind(TintboxControl* self) noexcept {
    if (self == nullptr) {
        return TINTBOX_ERROR_NONE;
    }
    ControlObject* object = object_of(self);
    const std::lock_guard<std::mutex> lock(object->errors_mutex);
    const auto found = object->errors.find(std::this_thread::get_id());
    return found != object->errors.end() ? found->second.kind : TINTBOX_ERROR_NONE;
}

// Only the calling thread replaces or erases its own entry: the text stays valid until
// its next call here, whatever other threads do.
const char* last_error_message(TintboxControl* self) noexcept {
    if (self == nullptr) {
        return "";
    }
    ControlObject* object = object_of(self);
    const std::lock_guard<std::mutex> lock(object->errors_mutex);
    const auto found = object->errors.find(std::this_thread::get_id());
    return found != object->errors.end() ? found->second.message.c_str() : "";
}

const TintboxControlVtbl kControlVtbl = {
    add_ref,  release,         get_dispatch_id,  invoke,          invoke_by_name,     advise,
    unadvise, read_properties, write_properties, last_error_kind, last_error_message,
};

ControlObject::ControlObject()
    : TintboxControl{&kControlVtbl},
      own_control(std::make_unique<Tintbox>()),
      control(*own_control) {
    connect();
}

ControlObject::ControlObject(Tintbox& shown, DispatchOwner& owner)
    : TintboxControl{&kControlVtbl}, control(shown), owner(&owner) {
    connect();
}

void ControlObject::connect() {
    control.set_change_handler([this] { raise_change(); });
    control.set_error_sink([this](const Error& error) {
        if (!handler_error) {
            handler_error = {error_kind_code(error.kind()), error.what()};
        }
        if (owner != nullptr) {
            owner->handler_failed(error, calls_running > 0);
        }
    });
    object_created();
}

}  // namespace

TintboxControl* create_dispatch(Tintbox& control, DispatchOwner& owner) {
    return new ControlObject(control, owner);
}

void destroy_dispatch(TintboxControl* dispatch) noexcept {
    delete object_of(dispatch);
}

TintboxStatus create_control(TintboxControl** out) noexcept {
    try {
        *out = new ControlObject();
        return TINTBOX_OK;
    } catch (const std::bad_alloc&) {
        return TINTBOX_E_OUT_OF_MEMORY;
    } catch (...) {
        return TINTBOX_E_INTERNAL;
    }
}

}  // namespace tintbox::shell
