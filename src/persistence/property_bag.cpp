// The in-memory property bag.
#include "tintbox/property_bag.hpp"

#include <utility>

namespace tintbox {

namespace {

// A null picture pointer means "no picture", which the bag spells Nothing; folding it
// keeps a host's null picture from being stored as a value that differs from Nothing.
PropertyValue normalized(PropertyValue value) {
    if (const auto* picture = std::get_if<PicturePtr>(&value); picture && !*picture) {
        return std::monostate{};
    }
    return value;
}

}  // namespace

bool same_property_value(const PropertyValue& a, const PropertyValue& b) {
    // Pictures are objects: two pictures are the same only when they are one object,
    // which is what comparing the shared pointers does.
    return normalized(a) == normalized(b);
}

PropertyValue MemoryPropertyBag::ReadProperty(const std::string& name,
                                              const PropertyValue& default_value) {
    const auto found = entries_.find(name);
    return found == entries_.end() ? default_value : found->second;
}

void MemoryPropertyBag::WriteProperty(const std::string& name, const PropertyValue& value,
                                      const PropertyValue& default_value) {
    if (same_property_value(value, default_value)) {
        entries_.erase(name);
    } else {
        set_entry(name, value);
    }
}

void MemoryPropertyBag::set_entry(const std::string& name, PropertyValue value) {
    entries_[name] = normalized(std::move(value));
}

}  // namespace tintbox
