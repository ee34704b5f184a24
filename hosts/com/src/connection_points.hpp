// Connection points: the sinks that a client advises for one outgoing interface, and the
// enumerators that list connection points and connections.
#pragma once

#include <ocidl.h>

#include <cstdint>
#include <map>
#include <vector>

#include "com_ref.hpp"

namespace tintbox::windows {

// A connection point that lives inside its container: it shares the container's
// reference count, so a client's reference to it keeps the whole object alive.
class ConnectionPoint final : public IConnectionPoint {
  public:
    ConnectionPoint(IConnectionPointContainer& container, const IID& iid) noexcept
        : container_(container), iid_(iid) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    const IID& iid() const noexcept { return iid_; }
    // The advised sinks now, each with a reference of its own: a sink that unadvises
    // while the caller notifies the others does not disappear under it.
    std::vector<ComRef<IUnknown>> sinks() const;
    // Drops every sink (the container is going away).
    void clear() noexcept { sinks_.clear(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return container_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return container_.Release(); }
    // IConnectionPoint
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

  private:
    IConnectionPointContainer& container_;
    IID iid_;
    std::map<DWORD, ComRef<IUnknown>> sinks_;  // by cookie; each sink Queried for iid_
    DWORD next_cookie_ = 1;
};

// IConnectionPointContainer::EnumConnectionPoints: a snapshot of the container's points.
// Holds a reference to the container, which owns the points.
HRESULT enumerate_connection_points(IConnectionPointContainer& container,
                                    const std::vector<IConnectionPoint*>& points,
                                    IEnumConnectionPoints** out);

}  // namespace tintbox::windows
