// tintbox-demo: the Tintbox control in a window a person can use.
//   tintbox-demo                    opens the window
//   tintbox-demo --screenshot FILE  renders the window to a PNG and exits
//   tintbox-demo --first-frame      prints the monotonic clock (ns) at the window's
//                                   first painted frame and exits (start-up timing)
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo_window.hpp"
#include "first_frame.hpp"
#include "tintbox/qt/tintbox_widget.hpp"

namespace {

bool display_available() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const char* screenshot = nullptr;
    bool first_frame = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tintbox-demo: --screenshot needs a file name\n");
                return 2;
            }
            screenshot = argv[++i];
        } else if (std::strcmp(argv[i], "--first-frame") == 0) {
            first_frame = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: tintbox-demo [--screenshot FILE.png | --first-frame]\n");
            return 0;
        }
    }
    if (!display_available()) {
        if (screenshot == nullptr) {
            std::fprintf(stderr,
                         "tintbox-demo: no display available (DISPLAY and WAYLAND_DISPLAY are "
                         "unset); run with --screenshot FILE to render the window to a PNG\n");
            return 1;
        }
        std::fprintf(stderr,
                     "tintbox-demo: no display available; rendering with Qt's "
                     "offscreen platform\n");
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    tintbox::demo::DemoWindow window;
    window.picker().setRGB(0xDC8D3C);
    if (first_frame) {
        tintbox::demo::quit_after_first_frame(window);
    }
    window.show();
    if (screenshot == nullptr) {
        return app.exec();
    }

    int status = 0;
    QTimer::singleShot(0, &window, [&] {
        const QFileInfo file(QString::fromLocal8Bit(screenshot));
        QDir().mkpath(file.absolutePath());
        if (!window.grab().save(file.absoluteFilePath(), "PNG")) {
            std::fprintf(stderr, "tintbox-demo: cannot write %s\n", screenshot);
            status = 1;
        } else {
            std::printf("%s\n", qPrintable(file.absoluteFilePath()));
        }
        app.quit();
    });
    app.exec();
    return status;
}
