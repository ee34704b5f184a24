// tintbox-qml-demo: the Tintbox picker in a QML window a person can use, the same panel
// as tintbox-demo's.
//   tintbox-qml-demo                    opens the window
//   tintbox-qml-demo --screenshot FILE  renders the window to a PNG and exits
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QUrl>
#include <cstdio>
#include <cstring>

#include "spectrum.hpp"

int main(int argc, char** argv) {
    const char* screenshot = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            screenshot = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: tintbox-qml-demo [--screenshot FILE.png]\n");
            return 0;
        }
    }
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    // The build tree's module first, so that a demo run from the build uses its own.
    const QString build_imports = QStringLiteral(TINTBOX_QML_BUILD_IMPORT_DIR);
    if (QFileInfo::exists(build_imports)) {
        engine.addImportPath(build_imports);
    }
    engine.setInitialProperties({{QStringLiteral("spectrum"),
                                  QVariant::fromValue(tintbox::demo::make_spectrum(256, 256))}});
    engine.load(QUrl(QStringLiteral("qrc:/TintboxDemo/Main.qml")));
    if (engine.rootObjects().isEmpty()) {
        return 1;
    }
    if (screenshot == nullptr) {
        return app.exec();
    }
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().first());
    int status = 0;
    QObject::connect(
        window, &QQuickWindow::frameSwapped, &app,
        [&] {
            const QFileInfo file(QString::fromLocal8Bit(screenshot));
            QDir().mkpath(file.absolutePath());
            if (!window->grabWindow().save(file.absoluteFilePath(), "PNG")) {
                std::fprintf(stderr, "tintbox-qml-demo: cannot write %s\n", screenshot);
                status = 1;
            }
            app.quit();
        },
        Qt::SingleShotConnection);
    app.exec();
    return status;
}
