#include "spectrum.hpp"

#include <QColor>

namespace tintbox::demo {

QImage make_spectrum(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    const double middle = (height - 1) / 2.0;
    for (int x = 0; x < width; ++x) {
        const QColor hue =
            QColor::fromHsvF(static_cast<float>(x) / static_cast<float>(width), 1.0f, 1.0f);
        for (int y = 0; y < height; ++y) {
            double red = hue.redF();
            double green = hue.greenF();
            double blue = hue.blueF();
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
            image.setPixel(x, y, qRgb(qRound(red * 255), qRound(green * 255), qRound(blue * 255)));
        }
    }
    return image;
}

}  // namespace tintbox::demo
