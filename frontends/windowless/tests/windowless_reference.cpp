// The Qt widget's own rendering, for the windowless test host to compare with: a
// TintboxWidget of the given size, colour and test picture, grabbed into a raw image
// ("P7-like" header "width height\n", then premultiplied 0xAARRGGBB rows), and the place
// of every view that has a widget ("name x y width height" in logical pixels).
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

#include "tintbox/qt/tintbox_widget.hpp"
#include "tintbox/views.hpp"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s IMAGE GEOMETRY WIDTH HEIGHT RGB\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    tintbox::TintboxWidget picker;
    // The windowless test's picture: 64 x 48, red along x, green along y.
    QImage spectrum(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < spectrum.height(); ++y) {
        for (int x = 0; x < spectrum.width(); ++x) {
            spectrum.setPixel(x, y, qRgb(x * 4, y * 5, 128));
        }
    }
    picker.setPicture(spectrum);
    picker.resize(std::atoi(argv[3]), std::atoi(argv[4]));
    picker.setRGB(static_cast<qint32>(std::strtol(argv[5], nullptr, 0)));
    const QImage image =
        picker.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);

    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly)) {
        return 1;
    }
    out.write(QByteArray::number(image.width()) + ' ' + QByteArray::number(image.height()) + '\n');
    for (int y = 0; y < image.height(); ++y) {
        out.write(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4);
    }

    QFile geometry(QString::fromLocal8Bit(argv[2]));
    if (!geometry.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return 1;
    }
    QTextStream lines(&geometry);
    for (const auto& view : picker.control().UserControl().views()) {
        const QWidget* widget = picker.viewWidget(QString::fromStdString(view->name()));
        if (widget != nullptr) {
            const QPoint at = widget->mapTo(&picker, QPoint(0, 0));
            lines << QString::fromStdString(view->name()) << ' ' << at.x() << ' ' << at.y() << ' '
                  << widget->width() << ' ' << widget->height() << '\n';
        }
    }
    return 0;
}
