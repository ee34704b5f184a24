// The Qt skin against Qt's own colour dialog, in one process, both windows shown:
//   SetRGB on TintboxWidget            vs  QColorDialog::setCurrentColor
//   one eyedropper tick (X11 only;      vs  a one-pixel QScreen::grabWindow
//   pointer still, and jumping)
// Prints each median and the ratios. With --peak-memory it instead runs tintbox-demo
// and a process that shows a QColorDialog, and prints the peak resident memory of each.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" tintbox_qt_bench      (all four)
//   QT_QPA_PLATFORM=offscreen tintbox_qt_bench                      (SetRGB only)
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QDir>
#include <QImage>
#include <QScreen>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../../src/control/tintbox_internals.hpp"
#include "median_reporter.hpp"
#include "tintbox/qt/tintbox_widget.hpp"

extern char** environ;

using tintbox::bench::MedianReporter;
using tintbox::bench::print_ratio;
using tintbox::bench::register_for_medians;

namespace {

void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
}

bool on_x11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// The mirror's work is done when the call returns; painting follows on the event loop,
// as it does for the dialog.
void TintboxWidget_SetRGB(benchmark::State& state) {
    tintbox::TintboxWidget picker;
    picker.show();
    settle();
    const qint32 colors[] = {0x123456, 0x654321};
    int i = 0;
    for (auto _ : state) {
        picker.setRGB(colors[++i & 1]);
    }
    settle();
}

void QColorDialog_setCurrentColor(benchmark::State& state) {
    QColorDialog dialog;
    dialog.show();
    settle();
    const QColor colors[] = {QColor(0x56, 0x34, 0x12), QColor(0x21, 0x43, 0x65)};
    int i = 0;
    for (auto _ : state) {
        dialog.setCurrentColor(colors[++i & 1]);
    }
    settle();
}

// Both sides with their repaint: the call, then the event loop until it is idle.
void TintboxWidget_SetRGB_Painted(benchmark::State& state) {
    tintbox::TintboxWidget picker;
    picker.show();
    settle();
    const qint32 colors[] = {0x123456, 0x654321};
    int i = 0;
    for (auto _ : state) {
        picker.setRGB(colors[++i & 1]);
        QCoreApplication::processEvents();
    }
}

void QColorDialog_setCurrentColor_Painted(benchmark::State& state) {
    QColorDialog dialog;
    dialog.show();
    settle();
    const QColor colors[] = {QColor(0x56, 0x34, 0x12), QColor(0x21, 0x43, 0x65)};
    int i = 0;
    for (auto _ : state) {
        dialog.setCurrentColor(colors[++i & 1]);
        QCoreApplication::processEvents();
    }
}

// One tick of the eyedropper as the skin's timer runs it: pointer position, one screen
// pixel, UpdateColor, and the mirror into the Qt widgets. When the pointer jumps 200
// pixels before every tick, the pixels fetched around its last position miss and the
// tick takes a second round trip.
void TintboxWidget_EyedropperTick(benchmark::State& state, bool pointer_jumps) {
    if (!on_x11()) {
        state.SkipWithError("needs an X server (run under xvfb-run)");
        return;
    }
    tintbox::TintboxWidget picker;
    picker.show();
    settle();
    tintbox::Tintbox& control = picker.control();
    tintbox::TintboxInternals inside(control);
    tintbox::Surface& surface = control.UserControl();
    const tintbox::Twips x = inside.Colors.surface_left() + inside.Colors.Width() / 2;
    const tintbox::Twips y = inside.Colors.surface_top() + inside.Colors.Height() / 2;
    surface.press(tintbox::kRightButton, x, y);
    const QPoint spots[] = {picker.mapToGlobal(QPoint(20, 20)),  // over picOldColor
                            picker.mapToGlobal(QPoint(220, 20))};
    QCursor::setPos(spots[0]);
    settle();
    int i = 0;
    for (auto _ : state) {
        if (pointer_jumps) {
            state.PauseTiming();
            QCursor::setPos(spots[++i & 1]);
            state.ResumeTiming();
        }
        surface.advance_time(10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // the mirror's flush
    }
    surface.release(tintbox::kRightButton, x, y);
    settle();
}

void QScreen_grabWindow_OnePixel(benchmark::State& state) {
    if (!on_x11()) {
        state.SkipWithError("needs an X server (run under xvfb-run)");
        return;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint at(20, 20);
    QRgb sink = 0;
    for (auto _ : state) {
        sink ^= screen->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixel(0, 0);
    }
    benchmark::DoNotOptimize(sink);
}

// Runs a program to its end and returns its peak resident set in KiB, or -1.
long peak_memory_kib(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return usage.ru_maxrss;
}

int show_color_dialog(int argc, char** argv, const char* screenshot) {
    QApplication app(argc, argv);
    QColorDialog dialog;
    dialog.setCurrentColor(QColor(0x3C, 0x8D, 0xDC));
    dialog.show();
    settle();
    return dialog.grab().save(QString::fromLocal8Bit(screenshot), "PNG") ? 0 : 1;
}

int compare_peak_memory(const char* self) {
    const std::string dir = QDir::tempPath().toStdString();
    const long demo =
        peak_memory_kib({TINTBOX_DEMO_PATH, "--screenshot", dir + "/tintbox-bench-demo.png"});
    const long dialog =
        peak_memory_kib({self, "--show-color-dialog", dir + "/tintbox-bench-dialog.png"});
    if (demo < 0 || dialog < 0) {
        std::fprintf(stderr, "tintbox_qt_bench: a child process failed\n");
        return 1;
    }
    std::printf(
        "peak resident memory: tintbox-demo %ld KiB | QColorDialog process %ld KiB | "
        "ratio %.3f\n",
        demo, dialog, static_cast<double>(demo) / static_cast<double>(dialog));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--show-color-dialog") == 0) {
        return show_color_dialog(argc, argv, argv[2]);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--peak-memory") == 0) {
        return compare_peak_memory(argv[0]);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const std::pair<const char*, std::function<void(benchmark::State&)>> benchmarks[] = {
        {"TintboxWidget_SetRGB", TintboxWidget_SetRGB},
        {"QColorDialog_setCurrentColor", QColorDialog_setCurrentColor},
        {"TintboxWidget_SetRGB_Painted", TintboxWidget_SetRGB_Painted},
        {"QColorDialog_setCurrentColor_Painted", QColorDialog_setCurrentColor_Painted},
        {"TintboxWidget_EyedropperTick",
         [](benchmark::State& state) { TintboxWidget_EyedropperTick(state, false); }},
        {"TintboxWidget_EyedropperTick_PointerJumps",
         [](benchmark::State& state) { TintboxWidget_EyedropperTick(state, true); }},
        {"QScreen_grabWindow_OnePixel", QScreen_grabWindow_OnePixel},
    };
    for (const auto& [name, function] : benchmarks) {
        register_for_medians(name, function);
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    print_ratio(reporter, "TintboxWidget_SetRGB", "QColorDialog_setCurrentColor");
    print_ratio(reporter, "TintboxWidget_SetRGB_Painted", "QColorDialog_setCurrentColor_Painted");
    print_ratio(reporter, "TintboxWidget_EyedropperTick", "QScreen_grabWindow_OnePixel");
    print_ratio(reporter, "TintboxWidget_EyedropperTick_PointerJumps",
                "QScreen_grabWindow_OnePixel");
    benchmark::Shutdown();
    return 0;
}
