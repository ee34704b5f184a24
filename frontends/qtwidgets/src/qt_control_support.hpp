// What every Qt front end needs of the control beyond the platform services: the font
// its fields draw with, and the conversions between Qt's images and the control's
// pictures.
#pragma once

#include <QFont>
#include <QImage>

#include "tintbox/picture.hpp"

namespace tintbox::qtskin {

// The base font's family at the largest pixel size at which every editor shows its
// longest value in full, at this screen's twips per pixel (kept for the next control).
QFont fitted_field_font(const QFont& base, float twips_per_pixel);

// The picture an image shows, transparent parts white; null for a null image.
// Error(InvalidPicture) for an image larger than Picture::kMaxSide on a side.
PicturePtr to_picture(const QImage& image);
QImage to_image(const Picture& picture);

}  // namespace tintbox::qtskin
