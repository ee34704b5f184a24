#include "connection_points.hpp"

#include <olectl.h>

#include <atomic>
#include <new>

#include "module.hpp"

namespace tintbox::windows {
namespace {

// What the enumerators hand out: connection points, and connections (sink + cookie).
struct PointItems {
    using Item = IConnectionPoint*;
    static Item copy(Item item) noexcept {
        item->AddRef();
        return item;
    }
    static void release(Item item) noexcept { item->Release(); }
};

struct ConnectionItems {
    using Item = CONNECTDATA;
    static Item copy(Item item) noexcept {
        item.pUnk->AddRef();
        return item;
    }
    static void release(Item item) noexcept { item.pUnk->Release(); }
};

// An enumerator over a fixed list of items, each held with a reference of its own.
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

}  // namespace

std::vector<ComRef<IUnknown>> ConnectionPoint::sinks() const {
    std::vector<ComRef<IUnknown>> result;
    result.reserve(sinks_.size());
    for (const auto& entry : sinks_) {
        result.push_back(entry.second);
    }
    return result;
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) {
        return E_POINTER;
    }
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) {
        return E_POINTER;
    }
    container_.AddRef();
    *out = &container_;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) {
        return E_POINTER;
    }
    *cookie = 0;
    if (!sink) {
        return E_POINTER;
    }
    ComRef<IUnknown> typed;
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(typed.put())))) {
        return CONNECT_E_CANNOTCONNECT;
    }
    try {
        sinks_.emplace(next_cookie_, std::move(typed));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *cookie = next_cookie_++;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    // The sink is released after it has left the map: its Release may call back.
    ComRef<IUnknown> leaving;
    const auto found = sinks_.find(cookie);
    if (found == sinks_.end()) {
        return CONNECT_E_NOCONNECTION;
    }
    leaving = std::move(found->second);
    sinks_.erase(found);
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
    try {
        std::vector<CONNECTDATA> connections;
        for (const auto& [cookie, sink] : sinks_) {
            connections.push_back(CONNECTDATA{sink.get(), cookie});
        }
        return make_enumerator<IEnumConnections, IID_IEnumConnections, ConnectionItems>(
            ComRef<IUnknown>::share(&container_), connections, out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT enumerate_connection_points(IConnectionPointContainer& container,
                                    const std::vector<IConnectionPoint*>& points,
                                    IEnumConnectionPoints** out) {
    return make_enumerator<IEnumConnectionPoints, IID_IEnumConnectionPoints, PointItems>(
        ComRef<IUnknown>::share(&container), points, out);
}

}  // namespace tintbox::windows
