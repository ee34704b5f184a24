// An owning pointer to a COM interface: releases its reference when it goes.
#pragma once

#include <unknwn.h>

#include <utility>

namespace tintbox::windows {

template <typename Interface>
class ComRef {
  public:
    ComRef() = default;
    // Takes over one reference that the caller owns.
    static ComRef adopt(Interface* pointer) noexcept {
        ComRef ref;
        ref.pointer_ = pointer;
        return ref;
    }
    // Adds a reference of its own.
    static ComRef share(Interface* pointer) noexcept {
        if (pointer) {
            pointer->AddRef();
        }
        return adopt(pointer);
    }
    ComRef(const ComRef& other) noexcept : pointer_(other.pointer_) {
        if (pointer_) {
            pointer_->AddRef();
        }
    }
    ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef& operator=(ComRef other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~ComRef() { reset(); }

    void reset() noexcept {
        if (Interface* old = std::exchange(pointer_, nullptr)) {
            old->Release();
        }
    }
    Interface* get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    Interface& operator*() const noexcept { return *pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }
    // For functions that hand out a reference: releases the old one first.
    Interface** put() noexcept {
        reset();
        return &pointer_;
    }
    // Hands the reference to the caller.
    Interface* detach() noexcept { return std::exchange(pointer_, nullptr); }

    template <typename Other>
    ComRef<Other> query(REFIID iid) const noexcept {
        ComRef<Other> other;
        if (pointer_) {
            pointer_->QueryInterface(iid, reinterpret_cast<void**>(other.put()));
        }
        return other;
    }

  private:
    Interface* pointer_ = nullptr;
};

}  // namespace tintbox::windows
