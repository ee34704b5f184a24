// What assistive technology sees of the control: one named group whose children are
// the views a person can reach, in reading order, each with a name and a description
// from one table (the same texts serve as tooltips). The views that only the control's
// own logic uses (txtHidden, txtHidden2, the pair fields over txtWebHex, the labels, the
// frames and the colour strips) are not in it; while txtHidden parks the keyboard focus
// during and after a pick, the spectrum is the focused object.
#pragma once

#include <QString>
#include <cstdint>
#include <string_view>

class QWidget;

namespace tintbox::qtskin {

struct AccessibleTexts {
    QString name;
    QString description;  // empty where the description follows the state (the swatches)
};

// The texts of a view a person can reach; false for every other view.
bool accessible_texts(std::string_view view, AccessibleTexts& texts);

// "#3C8DDC, red 60, green 141, blue 220": a swatch's colour as it is announced.
QString color_description(std::int32_t color);

// Installs the control's accessibility factory (once per process).
void install_accessibility();

}  // namespace tintbox::qtskin
