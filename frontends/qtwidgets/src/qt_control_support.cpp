#include "qt_control_support.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "qt_platform.hpp"
#include "tintbox/error.hpp"
#include "tintbox/tintbox.hpp"

namespace tintbox::qtskin {
namespace {

// The longest value each editor must show in full.
struct Longest {
    const char* field;
    const char16_t* text;
};
constexpr Longest kLongestValues[] = {
    {"txtRed", u"255"},      {"txtGreen", u"255"},  {"txtBlue", u"255"},
    {"txtDec", u"16777215"}, {"txtHex", u"FFFFFF"}, {"txtWebHex", u"FFFFFF"},
};

}  // namespace

// The base font's family at the largest pixel size at which every editor shows its
// longest value in full, beside whatever covers the field's right end (the colour
// strips), within the field's height. The size follows the fields' design geometry at
// this screen's twips per pixel, not the application's font size.
//
// The fields hold digits and hexadecimal letters, which need no shaping: the font
// prefers none, which halves the cost of every text the fields show. Each pixel size
// tried loads a font engine, so one size is measured, the answer is estimated from it
// (widths and heights grow close to in proportion to the size) and only the sizes next
// to the estimate are tried; the answer is kept for the next control on the same screen.
QFont fitted_field_font(const QFont& base, float twips_per_pixel) {
    QFont font = base;
    font.setStyleStrategy(QFont::PreferNoShaping);
    constexpr int kLargest = 32;
    constexpr int kSmallest = 7;
    constexpr int kMeasured = 16;
    font.setPixelSize(kLargest);
    static std::map<std::pair<QString, float>, int> fitted_sizes;
    const auto key = std::make_pair(font.key(), twips_per_pixel);
    if (const auto known = fitted_sizes.find(key); known != fitted_sizes.end()) {
        font.setPixelSize(known->second);
        return font;
    }

    const Tintbox design;  // the views at their design-time places
    const Surface& surface = design.UserControl();
    struct Room {
        double width;   // the pixels that show the longest value
        double height;  // the field's height, with one pixel to spare
        QString text;
    };
    std::vector<Room> rooms;
    for (const Longest& longest : kLongestValues) {
        const View& field = *surface.find(longest.field);
        const Twips middle = field.Top() + field.Height() / 2;
        const View* at_right_end = surface.view_at(field.Left() + field.Width() - 1, middle);
        const Twips visible = at_right_end != &field && at_right_end != nullptr
                                  ? at_right_end->Left() - field.Left()
                                  : field.Width();
        rooms.push_back({visible / twips_per_pixel, field.Height() / twips_per_pixel + 1,
                         to_qstring(longest.text)});
    }
    const auto fits = [&](int pixels) {
        font.setPixelSize(pixels);
        const QFontMetricsF metrics(font);
        // One pixel stays free for the caret after the last character.
        return std::all_of(rooms.begin(), rooms.end(), [&](const Room& room) {
            return metrics.horizontalAdvance(room.text) + 1 <= room.width &&
                   metrics.height() <= room.height;
        });
    };
    // The factor by which the font at `pixels` could grow and still fit.
    const auto growth = [&](int pixels) {
        font.setPixelSize(pixels);
        const QFontMetricsF metrics(font);
        double factor = std::numeric_limits<double>::max();
        for (const Room& room : rooms) {
            factor = std::min({factor, (room.width - 1) / metrics.horizontalAdvance(room.text),
                               room.height / metrics.height()});
        }
        return factor;
    };
    // The largest size that fits, or the smallest when none does.
    int fitting = std::clamp(static_cast<int>(kMeasured * growth(kMeasured)), kSmallest, kLargest);
    while (fitting > kSmallest && !fits(fitting)) {
        --fitting;
    }
    while (fitting < kLargest && fits(fitting + 1)) {
        ++fitting;
    }
    fitted_sizes.emplace(key, fitting);
    font.setPixelSize(fitting);
    return font;
}

PicturePtr to_picture(const QImage& image) {
    if (image.isNull()) {
        return nullptr;
    }
    if (image.width() > Picture::kMaxSide || image.height() > Picture::kMaxSide) {
        throw Error(ErrorKind::InvalidPicture,
                    "the image is " + std::to_string(image.width()) + " x " +
                        std::to_string(image.height()) + " pixels; at most " +
                        std::to_string(Picture::kMaxSide) + " on a side can be shown");
    }
    // Transparent parts show white: the control's pictures are opaque.
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    {
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    }
    std::vector<ColorValue> pixels;
    pixels.reserve(static_cast<std::size_t>(opaque.width()) *
                   static_cast<std::size_t>(opaque.height()));
    for (int y = 0; y < opaque.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(opaque.constScanLine(y));
        for (int x = 0; x < opaque.width(); ++x) {
            pixels.push_back(to_color_value(line[x]));
        }
    }
    return std::make_shared<const Picture>(opaque.width(), opaque.height(), std::move(pixels));
}

QImage to_image(const Picture& picture) {
    QImage image(picture.width(), picture.height(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const ColorValue color = picture.pixel(x, y);
            line[x] = qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
        }
    }
    return image;
}

}  // namespace tintbox::qtskin
