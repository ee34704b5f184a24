// The Qt skin against Qt's own colour dialog, in one process, both windows shown:
//   SetRGB on TintboxWidget            vs  QColorDialog::setCurrentColor
//   SetRGB then a whole render into an image: TintboxWidget vs the Qt Quick item
//   (which is also set against QtQuick.Dialogs' ColorDialog, rendered the same way)
//   TintboxPicker and the GTK 4 widget TintboxGtkPicker (each where it is built; Qt
//   Quick and GTK render on their own schedules, so only a render asked for can be timed)
//   one eyedropper tick (X11 only;      vs  a one-pixel QScreen::grabWindow
//   pointer still, and moving) of TintboxWidget, TintboxPicker, TintboxGtkPicker and
//   the windowless control in a host's window, each against the same floor
// and the windowless front end (the shell's C interface) in the same run:
//   SetRGB and the Draw of what it      vs  QColorDialog::setCurrentColor with repaint
//   invalidated
//   Draw of the whole control           vs  QWidget::grab of TintboxWidget
// then, in separate processes, the time from start to the first painted frame of
// tintbox-demo and of a program showing a QColorDialog. Prints each median and the
// ratios. With --peak-memory it instead runs the same two programs and prints the peak
// resident memory of each.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" tintbox_qt_bench      (everything)
//   QT_QPA_PLATFORM=offscreen tintbox_qt_bench                      (no eyedropper)
// GTK before Qt: Qt's keyword macros (signals, slots) are names in GLib's headers.
#if defined(TINTBOX_BENCH_HAS_GTK)
#include <gtk/gtk.h>

#include "gtk_skin.hpp"
#include "tintbox-gtk/tintbox-gtk-picker.h"
#endif

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "control/tintbox_internals.hpp"
#include "first_frame.hpp"
#include "median_reporter.hpp"
#include "skin.hpp"
#include "tintbox/qt/tintbox_widget.hpp"
#include "windowless_bench_host.hpp"

#if defined(TINTBOX_BENCH_HAS_QUICK)
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>

#include "picker_item.hpp"
#endif

#if defined(TINTBOX_BENCH_HAS_XTEST)
#include <QtGui/qguiapplication_platform.h>
#include <QDeadlineTimer>

// After Qt: X11 headers define macros that Qt's headers use as names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#if defined(TINTBOX_BENCH_HAS_GTK)
#include <gdk/x11/gdkx.h>
#endif
#endif

extern char** environ;

using tintbox::bench::MedianReporter;
using tintbox::bench::print_ratio;
using tintbox::bench::register_for_medians;

namespace {

// The two colours every SetRGB benchmark alternates between (the control's 0x00BBGGRR),
// and the same two as QColorDialog takes them.
constexpr std::int32_t kColors[] = {0x123456, 0x654321};
const QColor kDialogColors[] = {QColor(0x56, 0x34, 0x12), QColor(0x21, 0x43, 0x65)};

// Calls `set_color` once per iteration with each colour in turn (writing the colour the
// control already shows would be no work at all).
template <class Color, class SetColor>
void alternate(benchmark::State& state, const Color (&colors)[2], SetColor set_color) {
    int i = 0;
    for (auto _ : state) {
        set_color(colors[++i & 1]);
    }
}

void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
}

bool on_x11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

#if defined(TINTBOX_BENCH_HAS_XTEST)
// The pointer moved and the right button pressed with real X input (XTest), and a wait
// until Qt has delivered the motion that a move causes.
class XPointer : public QObject {
  public:
    XPointer() { qApp->installEventFilter(this); }
    ~XPointer() override { qApp->removeEventFilter(this); }

    void move_to(QPoint at) {
        moved_ = false;
        XTestFakeMotionEvent(display(), -1, at.x(), at.y(), CurrentTime);
        XFlush(display());
    }
    void right_button(bool down) {
        XTestFakeButtonEvent(display(), 3, down ? True : False, CurrentTime);
        XFlush(display());
    }
    // Also waits until the X server has done everything asked of it so far (the
    // repaint after the last tick): ticks 10 ms apart find the server idle, and the
    // timed tick must not pay for the previous one's drawing.
    void wait_for_motion() {
        const QDeadlineTimer deadline(1000);
        while (!moved_ && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
        QCoreApplication::processEvents();
        XSync(display(), False);
        if (other_ != nullptr) {
            XSync(other_, False);
        }
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseMove) {
            moved_ = true;
        }
        return QObject::eventFilter(watched, event);
    }
    // A window of another toolkit in the process (GTK) received the motion; its own
    // display connection is waited for too.
    void note_motion() { moved_ = true; }
    void also_sync(Display* other) { other_ = other; }

  private:
    static Display* display() {
        return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display();
    }
    bool moved_ = false;
    Display* other_ = nullptr;
};
#endif

// The mirror's work is done when the call returns; painting follows on the event loop,
// as it does for the dialog.
void TintboxWidget_SetRGB(benchmark::State& state) {
    tintbox::TintboxWidget picker;
    picker.show();
    settle();
    alternate(state, kColors, [&](std::int32_t color) { picker.setRGB(color); });
    settle();
}

void QColorDialog_setCurrentColor(benchmark::State& state) {
    QColorDialog dialog;
    dialog.show();
    settle();
    alternate(state, kDialogColors, [&](const QColor& color) { dialog.setCurrentColor(color); });
    settle();
}

// Both sides with their repaint: the call, then the event loop until it is idle.
void TintboxWidget_SetRGB_Painted(benchmark::State& state) {
    tintbox::TintboxWidget picker;
    picker.show();
    settle();
    alternate(state, kColors, [&](std::int32_t color) {
        picker.setRGB(color);
        QCoreApplication::processEvents();
    });
}

void QColorDialog_setCurrentColor_Painted(benchmark::State& state) {
    QColorDialog dialog;
    dialog.show();
    settle();
    alternate(state, kDialogColors, [&](const QColor& color) {
        dialog.setCurrentColor(color);
        QCoreApplication::processEvents();
    });
}

// SetRGB, then the whole control rendered into an image: the same work for the widget
// and the Qt Quick item.
void TintboxWidget_SetRGB_Rendered(benchmark::State& state) {
    tintbox::TintboxWidget picker;
    picker.show();
    settle();
    alternate(state, kColors, [&](std::int32_t color) {
        picker.setRGB(color);
        benchmark::DoNotOptimize(picker.grab());
    });
}

#if defined(TINTBOX_BENCH_HAS_QUICK)
// The Qt Quick item in a window of its own at the screen's top left, as a QML program
// shows it.
struct QuickPickerWindow {
    QQmlEngine engine;
    std::unique_ptr<QObject> root;
    QQuickWindow* window = nullptr;
    tintbox::quick::PickerItem* picker = nullptr;
    QString error;

    QuickPickerWindow() {
        engine.addImportPath(QStringLiteral(TINTBOX_QML_BUILD_IMPORT_DIR));
        QQmlComponent component(&engine);
        component.setData(
            "import QtQuick\nimport Tintbox\n"
            "Window { x: 0; y: 0; width: 540; height: 240; visible: true\n"
            "  TintboxPicker { objectName: 'picker'; width: 540 } }",
            QUrl());
        root.reset(component.create());
        window = qobject_cast<QQuickWindow*>(root.get());
        picker = window ? window->findChild<tintbox::quick::PickerItem*>("picker") : nullptr;
        if (picker == nullptr) {
            error = component.errorString();
        }
    }
    // Whether the item is there; without it the row is skipped with QML's error.
    bool ready(benchmark::State& state) const {
        if (picker == nullptr) {
            state.SkipWithError(qPrintable(error));
        }
        return picker != nullptr;
    }
};

void TintboxPicker_SetRGB_Rendered(benchmark::State& state) {
    QuickPickerWindow shown;
    if (!shown.ready(state)) {
        return;
    }
    QQuickWindow* window = shown.window;
    tintbox::quick::PickerItem* picker = shown.picker;
    settle();
    alternate(state, kColors, [&](std::int32_t color) {
        picker->setRGB(color);
        QCoreApplication::processEvents();  // the picker's own flush is queued
        benchmark::DoNotOptimize(window->grabWindow());
    });
}

// The Qt Quick item's peer: QtQuick.Dialogs' ColorDialog (Qt's own QML implementation
// where no platform dialog takes over, as under X11 without a desktop), shown in a window
// of its own, its colour set and the window rendered. Skipped where the dialog cannot
// open (Debian's qml6-module-qtquick-dialogs and qml6-module-qtquick-layouts missing).
void QuickColorDialog_selectedColor_Rendered(benchmark::State& state) {
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(
        "import QtQuick\nimport QtQuick.Dialogs\n"
        "Window { width: 540; height: 480; visible: true\n"
        "  property alias dialog: dialog\n"
        "  ColorDialog { id: dialog; visible: true } }",
        QUrl());
    std::unique_ptr<QObject> root(component.create());
    auto* window = qobject_cast<QQuickWindow*>(root.get());
    QObject* dialog = window ? root->property("dialog").value<QObject*>() : nullptr;
    if (dialog == nullptr) {
        state.SkipWithError(qPrintable(component.errorString()));
        return;
    }
    settle();
    if (!dialog->property("visible").toBool()) {
        state.SkipWithError(
            "the dialog did not open (Debian: qml6-module-qtquick-dialogs, -layouts)");
        return;
    }
    const QColor colors[] = {QColor(0x56, 0x34, 0x12), QColor(0x21, 0x43, 0x65)};
    int i = 0;
    for (auto _ : state) {
        dialog->setProperty("selectedColor", colors[++i & 1]);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window->grabWindow());
    }
}
#endif

#if defined(TINTBOX_BENCH_HAS_GTK)
// A GTK window with the picker in it, shown and laid out; destroyed with this object.
struct GtkPickerWindow {
    GtkWidget* window = gtk_window_new();
    GtkWidget* picker = tintbox_gtk_picker_new();

    GtkPickerWindow() {
        gtk_window_set_child(GTK_WINDOW(window), picker);
        gtk_window_present(GTK_WINDOW(window));
        while (!gtk_widget_get_mapped(picker) || gtk_widget_get_width(picker) == 0) {
            g_main_context_iteration(nullptr, TRUE);
        }
    }
    ~GtkPickerWindow() {
        gtk_window_destroy(GTK_WINDOW(window));
        settle();
    }
    GtkPickerWindow(const GtkPickerWindow&) = delete;
    GtkPickerWindow& operator=(const GtkPickerWindow&) = delete;
};

// GTK shares GLib's default main context with Qt's event loop, so settle() runs both.
void TintboxGtkPicker_SetRGB_Rendered(benchmark::State& state) {
    if (!gtk_init_check()) {
        state.SkipWithError("GTK cannot open a display (run under xvfb-run)");
        return;
    }
    const GtkPickerWindow shown;
    GtkWidget* window = shown.window;
    GtkWidget* picker = shown.picker;
    settle();
    GdkPaintable* paintable = gtk_widget_paintable_new(picker);
    GskRenderer* renderer = gtk_native_get_renderer(GTK_NATIVE(window));
    alternate(state, kColors, [&](std::int32_t color) {
        tintbox_gtk_picker_set_rgb(TINTBOX_GTK_PICKER(picker), color);
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        GtkSnapshot* snapshot = gtk_snapshot_new();
        gdk_paintable_snapshot(paintable, snapshot, gtk_widget_get_width(picker),
                               gtk_widget_get_height(picker));
        GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
        GdkTexture* texture = gsk_renderer_render_texture(renderer, node, nullptr);
        benchmark::DoNotOptimize(texture);
        g_object_unref(texture);
        gsk_render_node_unref(node);
    });
    g_object_unref(paintable);
}
#endif

// One tick of the eyedropper as a front end's timer runs it: pointer position, one
// screen pixel, UpdateColor, and its share of the mirror into the toolkit's widgets. A
// front end mirrors a tick's changes at the screen's next frame: here the benchmark
// stands in for a 60 Hz screen under the eyedropper's 10 ms ticks, and the flush of each
// frame that falls due is timed with the tick that brings it (three frames in five ticks,
// as on a real screen; the painting that follows stays outside the timing). The right
// button is pressed on the spectrum with real X input, so the window holds the pointer
// grab a person's press gives it. With the pointer still, the tick asks where the pointer
// is; with the pointer moving, the X server's motion event is delivered (outside the
// timing) before each tick, as a person's moving hand delivers them. Every row runs the
// same loop: the front end's `tick` and `frame`, the pointer over three spots of three
// colours in turn (the two ticks that may fall between two frames never bring the colour
// back to what the widgets show).
#if defined(TINTBOX_BENCH_HAS_XTEST)
template <class Tick, class Frame>
void run_eyedropper_ticks(benchmark::State& state, bool pointer_moves, XPointer& pointer,
                          const QPoint (&spots)[3], Tick tick, Frame frame) {
    constexpr int kTickMs = 10;
    constexpr double kFrameMs = 1000.0 / 60;
    double now_ms = 0;
    double next_frame_ms = 0;
    int i = 0;
    for (auto _ : state) {
        if (pointer_moves) {
            state.PauseTiming();
            pointer.move_to(spots[++i % 3]);
            pointer.wait_for_motion();
            state.ResumeTiming();
        }
        tick(kTickMs);
        now_ms += kTickMs;
        if (now_ms >= next_frame_ms) {
            frame();
            next_frame_ms += kFrameMs;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    }
}

// The ticks of a front end that takes its clock and its frames from the benchmark (the
// Qt skin, the Qt Quick item, the GTK skin), then the button released.
template <class FrontEnd>
void run_front_end_ticks(benchmark::State& state, bool pointer_moves, XPointer& pointer,
                         const QPoint (&spots)[3], FrontEnd& front_end) {
    front_end.set_frames_from_host(true);
    run_eyedropper_ticks(
        state, pointer_moves, pointer, spots, [&](int ms) { front_end.advance_time(ms); },
        [&] { front_end.flush(); });
    front_end.set_frames_from_host(false);
    front_end.set_external_clock(nullptr);
    pointer.right_button(false);
    settle();
}

// Runs the event loop until `done` (the eyedropper's timer runs), for a second at most.
template <class Done>
bool wait_until(Done done) {
    const QDeadlineTimer deadline(1000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return done();
}
#endif

// The benchmark is the only clock and the only screen of every front end below: their
// own timers would tick untimed between the timed ticks, and their changes would land in
// the timed frames.
void TintboxWidget_EyedropperTick(benchmark::State& state, bool pointer_moves) {
#if defined(TINTBOX_BENCH_HAS_XTEST)
    if (!on_x11()) {
        state.SkipWithError("needs an X server (run under xvfb-run)");
        return;
    }
    tintbox::TintboxWidget picker;
    picker.setRGB(0xC06030);  // picOldColor shows it while the pick runs
    picker.move(0, 0);
    picker.show();
    settle();
    QWidget* spectrum = picker.viewWidget(QStringLiteral("Colors"));
    XPointer pointer;
    pointer.move_to(spectrum->mapToGlobal(spectrum->rect().center()));
    pointer.right_button(true);
    tintbox::TintboxInternals inside(picker.control());
    while (!inside.tmrGetPixelColor.Enabled()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const QPoint spots[] = {picker.mapToGlobal(QPoint(20, 20)),  // over picOldColor
                            picker.mapToGlobal(QPoint(220, 20)),
                            picker.mapToGlobal(QPoint(picker.width() + 40, 20))};  // the desktop
    tintbox::qtskin::Skin& skin = tintbox::qtskin::Skin::of(picker);
    skin.set_external_clock([](int) {});
    run_front_end_ticks(state, pointer_moves, pointer, spots, skin);
#else
    (void)pointer_moves;
    state.SkipWithError("built without XTest");
#endif
}

#if defined(TINTBOX_BENCH_HAS_QUICK)
void TintboxPicker_EyedropperTick(benchmark::State& state, bool pointer_moves) {
#if defined(TINTBOX_BENCH_HAS_XTEST)
    if (!on_x11()) {
        state.SkipWithError("needs an X server (run under xvfb-run)");
        return;
    }
    QuickPickerWindow shown;
    if (!shown.ready(state)) {
        return;
    }
    QQuickWindow* window = shown.window;
    tintbox::quick::PickerItem* picker = shown.picker;
    picker->setRGB(0xC06030);
    settle();
    const QList<QQuickItem*> items = picker->childItems();
    const auto spectrum = std::find_if(items.begin(), items.end(), [](const QQuickItem* item) {
        return item->objectName() == QLatin1String("Colors");
    });
    if (spectrum == items.end()) {
        state.SkipWithError("no item draws the spectrum");
        return;
    }
    const auto on_screen = [&](QPointF at) { return window->mapToGlobal(at).toPoint(); };
    int interval = 0;
    picker->set_external_clock([&](int wanted) { interval = wanted; });
    XPointer pointer;
    pointer.move_to(on_screen(
        (*spectrum)->mapToScene(QPointF((*spectrum)->width() / 2, (*spectrum)->height() / 2))));
    pointer.right_button(true);
    if (!wait_until([&] { return interval > 0; })) {
        state.SkipWithError("the eyedropper did not start");
        pointer.right_button(false);
        return;
    }
    const QPoint spots[] = {on_screen(picker->mapToScene(QPointF(20, 20))),  // over picOldColor
                            on_screen(picker->mapToScene(QPointF(220, 20))),
                            on_screen(QPointF(window->width() + 40, 20))};  // the desktop
    run_front_end_ticks(state, pointer_moves, pointer, spots, *picker);
#else
    (void)pointer_moves;
    state.SkipWithError("built without XTest");
#endif
}
#endif

#if defined(TINTBOX_BENCH_HAS_GTK)
void TintboxGtkPicker_EyedropperTick(benchmark::State& state, bool pointer_moves) {
#if defined(TINTBOX_BENCH_HAS_XTEST)
    if (!on_x11() || !gtk_init_check() || !GDK_IS_X11_DISPLAY(gdk_display_get_default())) {
        state.SkipWithError("needs an X server for Qt and GTK (run under xvfb-run)");
        return;
    }
    const GtkPickerWindow shown;
    GtkWidget* window = shown.window;
    GtkWidget* picker = shown.picker;
    tintbox_gtk_picker_set_rgb(TINTBOX_GTK_PICKER(picker), 0xC06030);
    settle();
    XPointer pointer;
    GtkEventController* motion = gtk_event_controller_motion_new();
    gtk_event_controller_set_propagation_phase(motion, GTK_PHASE_CAPTURE);
    g_signal_connect_swapped(motion, "motion",
                             G_CALLBACK(+[](XPointer* seen) { seen->note_motion(); }), &pointer);
    gtk_widget_add_controller(window, motion);
    // The root-window pixel of a point of the picker (GTK's scale 1 under Xvfb).
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    Display* xdisplay = gdk_x11_display_get_xdisplay(gdk_display_get_default());
    pointer.also_sync(xdisplay);
    const auto on_screen = [&](GtkWidget* widget, double x, double y) {
        double wx = 0;
        double wy = 0;
        gtk_widget_translate_coordinates(widget, window, x, y, &wx, &wy);
        double sx = 0;
        double sy = 0;
        gtk_native_get_surface_transform(GTK_NATIVE(window), &sx, &sy);
        int root_x = 0;
        int root_y = 0;
        Window child = 0;
        XTranslateCoordinates(xdisplay, gdk_x11_surface_get_xid(surface),
                              DefaultRootWindow(xdisplay), static_cast<int>(wx + sx),
                              static_cast<int>(wy + sy), &root_x, &root_y, &child);
        return QPoint(root_x, root_y);
    };
    tintbox::gtkskin::Skin& skin = tintbox::gtkskin::Skin::of(picker);
    GtkWidget* spectrum = skin.widget_for("Colors");
    int interval = 0;
    skin.set_external_clock([&](int wanted) { interval = wanted; });
    pointer.move_to(on_screen(spectrum, gtk_widget_get_width(spectrum) / 2.0,
                              gtk_widget_get_height(spectrum) / 2.0));
    pointer.right_button(true);
    const bool started = wait_until([&] { return interval > 0; });
    const QPoint spots[] = {on_screen(picker, 20, 20),  // over picOldColor
                            on_screen(picker, 220, 20),
                            on_screen(picker, gtk_widget_get_width(picker) + 40, 20)};  // desktop
    if (started) {
        run_front_end_ticks(state, pointer_moves, pointer, spots, skin);
    } else {
        state.SkipWithError("the eyedropper did not start");
        skin.set_external_clock(nullptr);
        pointer.right_button(false);
        settle();
    }
#else
    (void)pointer_moves;
    state.SkipWithError("built without XTest");
#endif
}
#endif

#if defined(TINTBOX_BENCH_HAS_XTEST)
// A host's window for the windowless control: it shows the control's pixels and forwards
// the mouse to it, as a person's input.
class WindowlessHostWindow : public QWidget {
  public:
    explicit WindowlessHostWindow(tintbox::bench::WindowlessInstance& control) : control_(control) {
        setFixedSize(control.width, control.height);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        control_.draw_invalid();
        QPainter(this).drawImage(
            0, 0,
            QImage(reinterpret_cast<const uchar*>(control_.pixels.data()), control_.width,
                   control_.height, QImage::Format_ARGB32_Premultiplied));
    }
    void mousePressEvent(QMouseEvent* event) override { forward(TINTBOX_INPUT_PRESS, event); }
    void mouseMoveEvent(QMouseEvent* event) override { forward(TINTBOX_INPUT_MOVE, event); }
    void mouseReleaseEvent(QMouseEvent* event) override { forward(TINTBOX_INPUT_RELEASE, event); }

  private:
    void forward(std::int32_t kind, const QMouseEvent* event) {
        TintboxInputEvent input{};
        input.kind = kind;
        input.x = static_cast<std::int32_t>(event->position().x());
        input.y = static_cast<std::int32_t>(event->position().y());
        input.button = event->button() == Qt::RightButton    ? TINTBOX_BUTTON_RIGHT
                       : event->button() == Qt::MiddleButton ? TINTBOX_BUTTON_MIDDLE
                                                             : TINTBOX_BUTTON_LEFT;
        control_.input(input);
    }
    tintbox::bench::WindowlessInstance& control_;
};
#endif

// The windowless control in a host's window, the host reading the screen for it as a Qt
// program would (QCursor::pos and a one-pixel grab: two round trips to the X server).
// The control mirrors every Tick before it returns, so that the site hears what to draw;
// the host's frame is the Draw of those rectangles, which stays outside the timing as the
// other rows' painting does.
void Windowless_EyedropperTick(benchmark::State& state, bool pointer_moves) {
#if defined(TINTBOX_BENCH_HAS_XTEST)
    TintboxClassFactory* factory = tintbox::bench::windowless_factory(TINTBOX_SHELL_PATH);
    if (!on_x11() || factory == nullptr) {
        state.SkipWithError("needs an X server (run under xvfb-run) and the shell");
        return;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    tintbox::bench::HostScreen host_screen;
    host_screen.pointer = [](std::int32_t& x, std::int32_t& y) {
        const QPoint at = QCursor::pos();
        x = at.x();
        y = at.y();
        return true;
    };
    host_screen.pixel = [screen](std::int32_t x, std::int32_t y, std::uint32_t& rgb) {
        rgb = screen->grabWindow(0, x, y, 1, 1).toImage().pixel(0, 0) & 0xFFFFFF;
        return true;
    };
    tintbox::bench::WindowlessInstance control(factory, host_screen);
    control.set_rgb(0xC06030);
    WindowlessHostWindow window(control);
    window.move(0, 0);
    window.show();
    settle();
    // Where the spectrum lies: the windowless control is the widget's skin, laid out alike.
    tintbox::TintboxWidget layout;
    QWidget* spectrum = layout.viewWidget(QStringLiteral("Colors"));
    XPointer pointer;
    pointer.move_to(window.mapToGlobal(spectrum->mapTo(&layout, spectrum->rect().center())));
    pointer.right_button(true);
    if (!wait_until([&] { return control.timer_interval() > 0; })) {
        state.SkipWithError("the eyedropper did not start");
        pointer.right_button(false);
        return;
    }
    const QPoint spots[] = {window.mapToGlobal(QPoint(20, 20)),  // over picOldColor
                            window.mapToGlobal(QPoint(220, 20)),
                            window.mapToGlobal(QPoint(window.width() + 40, 20))};  // the desktop
    run_eyedropper_ticks(
        state, pointer_moves, pointer, spots, [&](int ms) { control.tick(ms); },
        [&] {
            state.PauseTiming();
            control.draw_invalid();
            state.ResumeTiming();
        });
    pointer.right_button(false);
    settle();
#else
    (void)pointer_moves;
    state.SkipWithError("built without XTest");
#endif
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

// The windowless front end, as a host that draws the control itself uses it.
void Windowless_SetRGB_Redraw(benchmark::State& state) {
    TintboxClassFactory* factory = tintbox::bench::windowless_factory(TINTBOX_SHELL_PATH);
    if (factory == nullptr) {
        state.SkipWithError("cannot load the shell");
        return;
    }
    tintbox::bench::WindowlessInstance control(factory);
    control.draw(nullptr);
    alternate(state, kColors, [&](std::int32_t color) { control.set_rgb_and_redraw(color); });
}

void Windowless_Draw_Full(benchmark::State& state) {
    TintboxClassFactory* factory = tintbox::bench::windowless_factory(TINTBOX_SHELL_PATH);
    if (factory == nullptr) {
        state.SkipWithError("cannot load the shell");
        return;
    }
    tintbox::bench::WindowlessInstance control(factory);
    for (auto _ : state) {
        control.draw(nullptr);
    }
    benchmark::DoNotOptimize(control.pixels.data());
}

void TintboxWidget_grab(benchmark::State& state) {
    tintbox::TintboxWidget picker;
    picker.show();
    settle();
    for (auto _ : state) {
        benchmark::DoNotOptimize(picker.grab());
    }
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

// The peer's side of the start-up race: a program that shows a QColorDialog and stamps
// its first painted frame as tintbox-demo --first-frame does.
int color_dialog_first_frame(int argc, char** argv) {
    QApplication app(argc, argv);
    QColorDialog dialog;
    dialog.setCurrentColor(QColor(0x3C, 0x8D, 0xDC));
    tintbox::demo::quit_after_first_frame(dialog);
    dialog.show();
    return app.exec();
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

// Microseconds from starting a program to the first painted frame it reports on its
// standard output (a monotonic-clock stamp), or -1.
double startup_us(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const auto started = std::chrono::steady_clock::now().time_since_epoch();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string printed;
    char buffer[64];
    ssize_t got = 0;
    while (spawned == 0 && (got = read(out[0], buffer, sizeof buffer)) > 0) {
        printed.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0 || printed.empty()) {
        return -1;
    }
    // The stamp is the last line: an example prints what it shows before it.
    const std::size_t line_end = printed.find_last_not_of('\n');
    const std::size_t line_start = printed.rfind('\n', line_end);
    const long long painted =
        std::atoll(printed.c_str() + (line_start == std::string::npos ? 0 : line_start + 1));
    return static_cast<double>(painted - std::chrono::nanoseconds(started).count()) / 1000.0;
}

// Start-up of tintbox-demo against a program showing a QColorDialog: 9 launches of each,
// interleaved so that all meet the same machine load; medians and their ratio. Where they
// are built, the GTK example with the native widget and the one with the windowless
// Qt-rendered control are launched in the same rounds (on X11 only: they need a display).
int compare_startup(const char* self) {
    struct Program {
        const char* name;
        std::vector<std::string> command;
        std::vector<double> runs;
    };
    std::vector<Program> programs = {
        {"tintbox-demo", {TINTBOX_DEMO_PATH, "--first-frame"}, {}},
        {"a QColorDialog program", {self, "--color-dialog-first-frame"}, {}},
    };
#if defined(TINTBOX_GTK_NATIVE_PATH)
    programs.push_back(
        {"GTK example, native widget", {TINTBOX_GTK_NATIVE_PATH, "--first-frame"}, {}});
#endif
#if defined(TINTBOX_GTK_HOST_PATH)
    programs.push_back({"GTK example, windowless control",
                        {TINTBOX_GTK_HOST_PATH, "--first-frame", TINTBOX_SHELL_PATH},
                        {}});
#endif
    if (programs.size() > 2 && !on_x11()) {
        programs.resize(2);
    }
    for (int run = 0; run < 9; ++run) {
        for (Program& program : programs) {
            program.runs.push_back(startup_us(program.command));
            if (program.runs.back() < 0) {
                std::fprintf(stderr, "tintbox_qt_bench: %s failed to start\n", program.name);
                return 1;
            }
        }
    }
    const auto median = [](std::vector<double> values) {
        std::nth_element(values.begin(), values.begin() + 4, values.end());
        return values[4];
    };
    const double peer = median(programs[1].runs);
    for (std::size_t i = 0; i < programs.size(); ++i) {
        if (i == 1) {
            continue;
        }
        const std::string name = std::string("start-up to first frame: ") + programs[i].name;
        const double ours = median(programs[i].runs);
        std::printf("%-42s median %9.0f us | %-38s median %9.0f us | ratio %.3f\n", name.c_str(),
                    ours, programs[1].name, peer, ours / peer);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--show-color-dialog") == 0) {
        return show_color_dialog(argc, argv, argv[2]);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--color-dialog-first-frame") == 0) {
        return color_dialog_first_frame(argc, argv);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--peak-memory") == 0) {
        return compare_peak_memory(argv[0]);
    }
    QApplication app(argc, argv);
    tintbox::bench::initialize_interleaved(&argc, argv);
    const std::pair<const char*, std::function<void(benchmark::State&)>> benchmarks[] = {
        {"TintboxWidget_SetRGB", TintboxWidget_SetRGB},
        {"QColorDialog_setCurrentColor", QColorDialog_setCurrentColor},
        {"TintboxWidget_SetRGB_Painted", TintboxWidget_SetRGB_Painted},
        {"QColorDialog_setCurrentColor_Painted", QColorDialog_setCurrentColor_Painted},
        {"TintboxWidget_SetRGB_Rendered", TintboxWidget_SetRGB_Rendered},
#if defined(TINTBOX_BENCH_HAS_QUICK)
        {"TintboxPicker_SetRGB_Rendered", TintboxPicker_SetRGB_Rendered},
        {"QuickColorDialog_selectedColor_Rendered", QuickColorDialog_selectedColor_Rendered},
#endif
#if defined(TINTBOX_BENCH_HAS_GTK)
        {"TintboxGtkPicker_SetRGB_Rendered", TintboxGtkPicker_SetRGB_Rendered},
#endif
        {"TintboxWidget_EyedropperTick_PointerStill",
         [](benchmark::State& state) { TintboxWidget_EyedropperTick(state, false); }},
        {"TintboxWidget_EyedropperTick_PointerMoves",
         [](benchmark::State& state) { TintboxWidget_EyedropperTick(state, true); }},
#if defined(TINTBOX_BENCH_HAS_QUICK)
        {"TintboxPicker_EyedropperTick_PointerStill",
         [](benchmark::State& state) { TintboxPicker_EyedropperTick(state, false); }},
        {"TintboxPicker_EyedropperTick_PointerMoves",
         [](benchmark::State& state) { TintboxPicker_EyedropperTick(state, true); }},
#endif
#if defined(TINTBOX_BENCH_HAS_GTK)
        {"TintboxGtkPicker_EyedropperTick_PointerStill",
         [](benchmark::State& state) { TintboxGtkPicker_EyedropperTick(state, false); }},
        {"TintboxGtkPicker_EyedropperTick_PointerMoves",
         [](benchmark::State& state) { TintboxGtkPicker_EyedropperTick(state, true); }},
#endif
        {"Windowless_EyedropperTick_PointerStill",
         [](benchmark::State& state) { Windowless_EyedropperTick(state, false); }},
        {"Windowless_EyedropperTick_PointerMoves",
         [](benchmark::State& state) { Windowless_EyedropperTick(state, true); }},
        {"QScreen_grabWindow_OnePixel", QScreen_grabWindow_OnePixel},
        {"Windowless_SetRGB_Redraw", Windowless_SetRGB_Redraw},
        {"Windowless_Draw_Full", Windowless_Draw_Full},
        {"TintboxWidget_grab", TintboxWidget_grab},
    };
    for (const auto& [name, function] : benchmarks) {
        register_for_medians(name, function);
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    print_ratio(reporter, "TintboxWidget_SetRGB", "QColorDialog_setCurrentColor");
    print_ratio(reporter, "TintboxWidget_SetRGB_Painted", "QColorDialog_setCurrentColor_Painted");
#if defined(TINTBOX_BENCH_HAS_QUICK)
    print_ratio(reporter, "TintboxPicker_SetRGB_Rendered", "TintboxWidget_SetRGB_Rendered");
    print_ratio(reporter, "TintboxPicker_SetRGB_Rendered",
                "QuickColorDialog_selectedColor_Rendered");
#endif
#if defined(TINTBOX_BENCH_HAS_GTK)
    print_ratio(reporter, "TintboxGtkPicker_SetRGB_Rendered", "TintboxWidget_SetRGB_Rendered");
#endif
    print_ratio(reporter, "TintboxWidget_EyedropperTick_PointerStill",
                "QScreen_grabWindow_OnePixel");
    print_ratio(reporter, "TintboxWidget_EyedropperTick_PointerMoves",
                "QScreen_grabWindow_OnePixel");
#if defined(TINTBOX_BENCH_HAS_QUICK)
    print_ratio(reporter, "TintboxPicker_EyedropperTick_PointerStill",
                "QScreen_grabWindow_OnePixel");
    print_ratio(reporter, "TintboxPicker_EyedropperTick_PointerMoves",
                "QScreen_grabWindow_OnePixel");
#endif
#if defined(TINTBOX_BENCH_HAS_GTK)
    print_ratio(reporter, "TintboxGtkPicker_EyedropperTick_PointerStill",
                "QScreen_grabWindow_OnePixel");
    print_ratio(reporter, "TintboxGtkPicker_EyedropperTick_PointerMoves",
                "QScreen_grabWindow_OnePixel");
#endif
    print_ratio(reporter, "Windowless_EyedropperTick_PointerStill", "QScreen_grabWindow_OnePixel");
    print_ratio(reporter, "Windowless_EyedropperTick_PointerMoves", "QScreen_grabWindow_OnePixel");
    print_ratio(reporter, "Windowless_SetRGB_Redraw", "QColorDialog_setCurrentColor_Painted");
    print_ratio(reporter, "Windowless_Draw_Full", "TintboxWidget_grab");
    benchmark::Shutdown();
    return compare_startup(argv[0]);
}
