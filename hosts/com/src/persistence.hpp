// The ways a container persists the control: a property bag of its own (IPropertyBag,
// through IPersistPropertyBag) and a stream (IPersistStreamInit, and IPersistStorage,
// which keeps that stream in a storage).
#pragma once

#include <ocidl.h>

#include <cstdint>

#include "tintbox/property_bag.hpp"

namespace tintbox::windows {

class ControlObject;

// The host's IPropertyBag as the bag the control reads and writes. "Picture" travels as
// the OLE picture object (a bag may also return an image file's bytes); "Enabled" as a
// VARIANT_BOOL. A value equal to its default is not written.
class HostPropertyBag final : public PropertyBag {
  public:
    HostPropertyBag(IPropertyBag& bag, IErrorLog* log, ControlObject& control)
        : bag_(bag), log_(log), control_(control) {}

    PropertyValue ReadProperty(const std::string& name,
                               const PropertyValue& default_value) override;
    void WriteProperty(const std::string& name, const PropertyValue& value,
                       const PropertyValue& default_value) override;

  private:
    IPropertyBag& bag_;
    IErrorLog* log_;
    ControlObject& control_;
};

// The stream holds the project's property-bag text (the format of bag files) after its
// length as 4 bytes, least significant first, so a container may store more after it.
MemoryPropertyBag read_stream_bag(IStream& stream);
void write_stream_bag(IStream& stream, const MemoryPropertyBag& bag);
std::uint64_t stream_bag_size(const MemoryPropertyBag& bag);

}  // namespace tintbox::windows
