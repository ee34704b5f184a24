#include "accessible_names.hpp"

#include <QCoreApplication>

namespace tintbox::qtskin {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("Tintbox", text);
}

struct Entry {
    const char* view;
    const char* name;
    const char* description;
};

// One table for every view a person can reach.
constexpr Entry kEntries[] = {
    {"picOldColor", "Previous colour", ""},
    {"picNewColor", "New colour", ""},
    {"hsRed", "Red", "Red component, 0 to 255"},
    {"txtRed", "Red value", "Red component as a number, 0 to 255"},
    {"hsGreen", "Green", "Green component, 0 to 255"},
    {"txtGreen", "Green value", "Green component as a number, 0 to 255"},
    {"hsBlue", "Blue", "Blue component, 0 to 255"},
    {"txtBlue", "Blue value", "Blue component as a number, 0 to 255"},
    {"txtDec", "Colour number, decimal", "The whole colour as a decimal number, 0 to 16777215"},
    {"txtHex", "Colour number, hexadecimal, blue first",
     "The whole colour as a hexadecimal number: blue, green and red digit pairs"},
    {"txtWebHex", "Web colour, red green blue",
     "The colour as on the web: red, green and blue digit pairs"},
    {"Colors", "Colour spectrum",
     "Press or drag with the left button to pick a colour; hold the right button to pick "
     "any pixel of the screen; Escape puts the colour back"},
};

}  // namespace

std::vector<std::string_view> accessible_views() {
    std::vector<std::string_view> views;
    for (const Entry& entry : kEntries) {
        views.emplace_back(entry.view);
    }
    return views;
}

bool accessible_texts(std::string_view view, AccessibleTexts& texts) {
    for (const Entry& entry : kEntries) {
        if (view == entry.view) {
            texts.name = tr(entry.name);
            texts.description = *entry.description ? tr(entry.description) : QString();
            return true;
        }
    }
    return false;
}

QString control_accessible_name() {
    return tr("Colour picker");
}

bool is_swatch(std::string_view view) {
    return view == "picOldColor" || view == "picNewColor";
}

QString color_description(std::int32_t color) {
    const int red = color & 0xFF;
    const int green = (color >> 8) & 0xFF;
    const int blue = (color >> 16) & 0xFF;
    return tr("#%1, red %2, green %3, blue %4")
        .arg(QStringLiteral("%1%2%3")
                 .arg(red, 2, 16, QChar('0'))
                 .arg(green, 2, 16, QChar('0'))
                 .arg(blue, 2, 16, QChar('0'))
                 .toUpper())
        .arg(red)
        .arg(green)
        .arg(blue);
}

}  // namespace tintbox::qtskin
