// The names and descriptions that assistive technology hears for the control and its
// views, for every Qt front end (widgets and Qt Quick): the table all front ends share
// (tintbox/accessible_names.hpp), translated in the context "Tintbox". Only the views a
// person can reach are in it; txtHidden, txtHidden2, the pair fields over txtWebHex,
// the labels, the frames and the colour strips are not.
#pragma once

#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tintbox::qtskin {

struct AccessibleTexts {
    QString name;
    QString description;  // empty where the description follows the state (the swatches)
};

// The views a person can reach, as the table lists them.
std::vector<std::string_view> accessible_views();

// The texts of a view a person can reach; false for every other view.
bool accessible_texts(std::string_view view, AccessibleTexts& texts);

// The control's own name, where the host gave it none.
QString control_accessible_name();

// Whether the view is one of the two swatches, whose description is their colour.
bool is_swatch(std::string_view view);

// "#3C8DDC, red 60, green 141, blue 220": a swatch's colour as it is announced.
QString color_description(std::int32_t color);

}  // namespace tintbox::qtskin
