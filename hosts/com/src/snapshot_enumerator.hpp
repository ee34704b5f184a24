// An enumerator over a snapshot of items (IEnumConnectionPoints, IEnumConnections,
// IEnumFORMATETC and their kind): the items are copied when it is made, each with a
// reference of its own where the item holds one.
#pragma once

#include <unknwn.h>

#include <atomic>
#include <new>
#include <vector>

#include "com_ref.hpp"
#include "module.hpp"

namespace tintbox::windows {

// `Items` names the item type (Item) and how an item is copied and released.
template <typename Interface, const IID& kIid, typename Items>
class SnapshotEnumerator final : public Interface, private module::Counted {
  public:
    using Item = typename Items::Item;

    SnapshotEnumerator(ComRef<IUnknown> owner, const std::vector<Item>& items)
        : owner_(std::move(owner)) {
        items_.reserve(items.size());
        for (const Item& item : items) {
            items_.push_back(Items::copy(item));
        }
    }
    ~SnapshotEnumerator() {
        for (const Item& item : items_) {
            Items::release(item);
        }
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == kIid) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count != 1 && !fetched)) {
            return E_POINTER;
        }
        ULONG given = 0;
        for (; given < count && position_ < items_.size(); ++given, ++position_) {
            out[given] = Items::copy(items_[position_]);
        }
        if (fetched) {
            *fetched = given;
        }
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = items_.size() - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        auto* clone = new (std::nothrow) SnapshotEnumerator(owner_, items_);
        if (!clone) {
            return E_OUTOFMEMORY;
        }
        clone->position_ = position_;
        *out = clone;
        return S_OK;
    }

  private:
    std::atomic<ULONG> references_{1};
    ComRef<IUnknown> owner_;  // keeps the objects behind the items alive
    std::vector<Item> items_;
    std::size_t position_ = 0;
};

// Hands *out a new enumerator over `items`; `owner` is kept alive while it lives.
template <typename Interface, const IID& kIid, typename Items>
HRESULT make_enumerator(ComRef<IUnknown> owner, const std::vector<typename Items::Item>& items,
                        Interface** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    try {
        *out = new SnapshotEnumerator<Interface, kIid, Items>(std::move(owner), items);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace tintbox::windows
