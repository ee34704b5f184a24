#include "spectrum.hpp"

#include <QColor>

namespace tintbox::demo {

// Each column's hue is converted to RGB once (a QColor made from HSV converts again on
// every component read), and each row is written straight into its scan line.
QImage make_spectrum(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    const double middle = (height - 1) / 2.0;
    for (int x = 0; x < width; ++x) {
        const QColor hue =
            QColor::fromHsvF(static_cast<float>(x) / static_cast<float>(width), 1.0f, 1.0f).toRgb();
        const double hue_red = hue.redF();
        const double hue_green = hue.greenF();
        const double hue_blue = hue.blueF();
        for (int y = 0; y < height; ++y) {
            double red = hue_red;
            double green = hue_green;
            double blue = hue_blue;
            if (y <= middle) {
                const double whiteness = 1.0 - y / middle;  // 1 at the top
                red += (1.0 - red) * whiteness;
                green += (1.0 - green) * whiteness;
                blue += (1.0 - blue) * whiteness;
            } else {
                const double brightness =
                    1.0 - (y - middle) / (height - 1 - middle);  // 0 at the bottom
                red *= brightness;
                green *= brightness;
                blue *= brightness;
            }
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] =
                qRgb(qRound(red * 255), qRound(green * 255), qRound(blue * 255));
        }
    }
    return image;
}

}  // namespace tintbox::demo
