#include <QApplication>
#include <tintbox/qt/tintbox_widget.hpp>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tintbox::TintboxWidget widget;
    widget.setRGB(0x00FF00);
    return widget.getGreen() == 255 ? 0 : 1;
}
