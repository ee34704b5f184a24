#include "accessible_names.hpp"

#include <QCoreApplication>

#include "tintbox/accessible_names.hpp"

namespace tintbox::qtskin {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("Tintbox", text);
}

}  // namespace

std::vector<std::string_view> accessible_views() {
    std::vector<std::string_view> views;
    for (const AccessibleName& entry : kAccessibleNames) {
        views.emplace_back(entry.view);
    }
    return views;
}

bool accessible_texts(std::string_view view, AccessibleTexts& texts) {
    const AccessibleName* entry = accessible_name(view);
    if (entry == nullptr) {
        return false;
    }
    texts.name = tr(entry->name);
    texts.description = *entry->description ? tr(entry->description) : QString();
    return true;
}

QString control_accessible_name() {
    return tr(kControlAccessibleName);
}

bool is_swatch(std::string_view view) {
    return tintbox::is_swatch(view);
}

QString color_description(std::int32_t color) {
    return QString::fromStdString(
        tintbox::color_description(color, tr(kColorDescription).toStdString()));
}

}  // namespace tintbox::qtskin
