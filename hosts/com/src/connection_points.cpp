#include "connection_points.hpp"

#include <olectl.h>

#include "snapshot_enumerator.hpp"

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
