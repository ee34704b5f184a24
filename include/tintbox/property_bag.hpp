/// \file
/// The property bag in which a host persists the control's properties, and the project's
/// own file format for it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "tintbox/picture.hpp"

namespace tintbox {

/// Nothing (std::monostate), a boolean, a number, a text or a picture object. A null
/// PicturePtr is not used: "no picture" is Nothing.
using PropertyValue = std::variant<std::monostate, bool, std::int32_t, std::u16string, PicturePtr>;

/// Whether two values are the same: equal, pictures only when they are one object, and
/// a null picture the same as Nothing.
bool same_property_value(const PropertyValue& a, const PropertyValue& b);

/// Where a control keeps its properties between sessions (a form's saved state).
class PropertyBag {
  public:
    virtual ~PropertyBag() = default;
    /// The stored value, or `default_value` for a key that the bag does not hold.
    virtual PropertyValue ReadProperty(const std::string& name,
                                       const PropertyValue& default_value) = 0;
    /// Stores `value` under `name` when it differs from `default_value`; otherwise makes
    /// sure nothing is stored under `name`.
    virtual void WriteProperty(const std::string& name, const PropertyValue& value,
                               const PropertyValue& default_value) = 0;
};

/// A property bag in memory, as the bag file holds it.
class MemoryPropertyBag : public PropertyBag {
  public:
    PropertyValue ReadProperty(const std::string& name,
                               const PropertyValue& default_value) override;
    void WriteProperty(const std::string& name, const PropertyValue& value,
                       const PropertyValue& default_value) override;

    /// What the bag holds, by name.
    const std::map<std::string, PropertyValue>& entries() const noexcept { return entries_; }
    /// Stores `value` under `name`, whatever it is.
    void set_entry(const std::string& name, PropertyValue value);

  private:
    std::map<std::string, PropertyValue> entries_;
};

/// The bag file: a small versioned text format (see src/persistence/bag_file.cpp). Saving
/// writes a temporary file beside the old one and renames it over it, so a crash or a
/// full disk never leaves a half-written bag; the file keeps its mode (and owner and
/// group where permitted), a symbolic link is written through, a read-only file is
/// refused with Error(FileError), and what a killed save left of the same file is
/// removed at the next save. Loading raises Error(FileError) for a
/// file that cannot be read and Error(BadPropertyBag) for a truncated, corrupt or wrongly
/// versioned one, naming the file and the fault.
///@{
void save_property_bag(const MemoryPropertyBag& bag, const std::string& path);
MemoryPropertyBag load_property_bag(const std::string& path);
///@}

/// The same format in memory (the file functions are built on these).
///@{
std::string serialize_property_bag(const MemoryPropertyBag& bag);
MemoryPropertyBag parse_property_bag(std::string_view text, const std::string& source_name);
///@}

}  // namespace tintbox
