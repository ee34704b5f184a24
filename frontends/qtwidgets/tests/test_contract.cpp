// The contract suite on the Qt Widgets front end: a TintboxWidget between two host line
// edits in a window on the offscreen platform. A person's mouse and keys arrive as the
// window system hands them to Qt (at fractional logical positions on a scaled screen),
// so Qt routes them to the real child widgets, grabs the mouse and counts double clicks
// itself. The process draws at one device-pixel ratio (QT_SCALE_FACTOR); each ratio row
// runs in the ctest entry started at its ratio.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>
#include <memory>
#include <utility>

#include "contract_scenarios.hpp"
#include "tintbox/qt/tintbox_widget.hpp"

namespace {

using namespace tintbox::contract;

// Rows that fail on this front end today, each until the work that fixes it lands (none
// now).
const std::vector<std::string> kKnownFailing = {};

const std::pair<Key, Qt::Key> kQtKeys[] = {{Key::Delete, Qt::Key_Delete},
                                           {Key::Left, Qt::Key_Left},
                                           {Key::Right, Qt::Key_Right},
                                           {Key::Up, Qt::Key_Up},
                                           {Key::Down, Qt::Key_Down},
                                           {Key::Home, Qt::Key_Home},
                                           {Key::End, Qt::Key_End},
                                           {Key::PageUp, Qt::Key_PageUp},
                                           {Key::PageDown, Qt::Key_PageDown},
                                           {Key::Tab, Qt::Key_Tab},
                                           {Key::Escape, Qt::Key_Escape},
                                           {Key::A, Qt::Key_A},
                                           {Key::C, Qt::Key_C},
                                           {Key::Z, Qt::Key_Z}};

Qt::Key qt_key(Key which) {
    for (const auto& [ours, theirs] : kQtKeys) {
        if (ours == which) {
            return theirs;
        }
    }
    return Qt::Key_unknown;
}

const std::pair<Button, Qt::MouseButton> kQtButtons[] = {{Button::Left, Qt::LeftButton},
                                                         {Button::Right, Qt::RightButton}};

Qt::MouseButton qt_button(Button which) {
    for (const auto& [ours, theirs] : kQtButtons) {
        if (ours == which) {
            return theirs;
        }
    }
    return Qt::NoButton;
}

class QtDriver : public Driver {
  public:
    QtDriver() : window_(std::make_unique<QWidget>()) {
        QGuiApplication::clipboard()->clear();
        before_ = new QLineEdit(window_.get());
        picker_ = new tintbox::TintboxWidget(window_.get());
        after_ = new QLineEdit(window_.get());
        auto* layout = new QVBoxLayout(window_.get());
        layout->addWidget(before_);
        layout->addWidget(picker_);
        layout->addWidget(after_);
        QObject::connect(picker_, &tintbox::TintboxWidget::changed, [this] { ++changes_; });
        // One size for every row, so that the spectrum's scale does not depend on the
        // window system's first guess.
        window_->resize(420, window_->sizeHint().height());
        window_->show();
        QApplication::setActiveWindow(window_.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        before_->setFocus();
        QCoreApplication::processEvents();
    }

    bool can(Capability capability) const override {
        switch (capability) {
            case Capability::DeviceRatio:
            case Capability::ReadDuringThumbDrag:
            case Capability::ContextMenu:
                return true;
            case Capability::FakeScreen:
                // The widget reads the real screen (qt.eyedropper_xvfb covers it); it
                // offers no fake one.
                return false;
        }
        return false;
    }

    void set_picture(const Picture& picture) override {
        QImage image(picture.width, picture.height, QImage::Format_RGB32);
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                image.setPixel(x, y, qt_rgb(picture.pixels[y * picture.width + x]));
            }
        }
        shown_ = QImage();
        picker_->setPicture(image);
    }
    void set_rgb(Color color) override {
        shown_ = QImage();
        picker_->setRGB(color);
    }
    void set_enabled(bool enabled) override {
        shown_ = QImage();
        picker_->setControlEnabled(enabled);
    }
    bool set_ratio(double ratio) override {
        return std::abs(window_->devicePixelRatioF() - ratio) < 1e-6;
    }
    void set_screen_color(Color) override { ADD_FAILURE() << "no fake screen here"; }
    void tick() override { ADD_FAILURE() << "no fake screen here"; }

    void mouse(Mouse action, Button button, const Spot& at) override {
        const QWidget* view = widget(at.view);
        const QPointF local(at.fx * view->width() + at.dx, at.fy * view->height() + at.dy);
        send_mouse(action, button, QPointF(view->mapTo(window_.get(), QPoint(0, 0))) + local);
    }
    void mouse_at(Mouse action, Button button, Pixel at) override {
        const double ratio = window_->devicePixelRatioF();
        const QPoint origin = device_origin();
        // As a window system reports a pointer on a device pixel to a scaled Qt.
        send_mouse(action, button,
                   QPointF((origin.x() + at.x) / ratio, (origin.y() + at.y) / ratio));
    }
    void key(Key key, int modifiers) override {
        Qt::KeyboardModifiers qt_modifiers;
        if ((modifiers & kShift) != 0) {
            qt_modifiers |= Qt::ShiftModifier;
        }
        if ((modifiers & kCtrl) != 0) {
            qt_modifiers |= Qt::ControlModifier;
        }
        Qt::Key code = qt_key(key);
        if (code == Qt::Key_Tab && (modifiers & kShift) != 0) {
            code = Qt::Key_Backtab;  // what Qt's platforms deliver for Shift+Tab
        }
        shown_ = QImage();
        QTest::keyClick(window_->windowHandle(), code, qt_modifiers);
    }
    void type(const std::string& text) override {
        shown_ = QImage();
        for (const char character : text) {
            QTest::keyClick(window_->windowHandle(), character);
        }
    }
    void wheel(const Spot& at, int notches) override {
        QWidget* view = widget(at.view);
        const QPointF local(at.fx * view->width() + at.dx, at.fy * view->height() + at.dy);
        shown_ = QImage();
        // A wheel reports each notch as an event of its own.
        for (int i = 0; i < std::abs(notches); ++i) {
            QWheelEvent event(local, view->mapToGlobal(local), QPoint(),
                              QPoint(0, notches > 0 ? 120 : -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &event);
        }
    }
    std::vector<MenuItem> context_menu(const std::string& field) override {
        std::vector<MenuItem> items;
        // The menu runs its own event loop from the press; read it there and close it.
        QTimer::singleShot(0, [&items] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                return;
            }
            for (const QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    items.push_back({action->text().remove(QLatin1Char('&')).toStdString(),
                                     action->isEnabled()});
                }
            }
            menu->close();
        });
        mouse(Mouse::Press, Button::Right, {field});
        QCoreApplication::processEvents();
        mouse(Mouse::Release, Button::Right, {field});
        return items;
    }

    FieldState field(const std::string& view) override {
        const auto* line = qobject_cast<QLineEdit*>(widget(view));
        if (line == nullptr) {
            ADD_FAILURE() << view << " is no field";
            return {};
        }
        return {line->text().toStdString(), line->cursorPosition(),
                line->hasSelectedText() ? line->selectionStart() : line->cursorPosition(),
                static_cast<int>(line->selectedText().size())};
    }
    int value(const std::string& scroll_bar) override {
        const auto* bar = qobject_cast<QScrollBar*>(widget(scroll_bar));
        if (bar == nullptr) {
            ADD_FAILURE() << scroll_bar << " is no scroll bar";
            return -1;
        }
        return bar->value();
    }
    std::string focused() override {
        const QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr || !picker_->isAncestorOf(focus)) {
            return "";
        }
        return focus->objectName().toStdString();
    }
    Color rgb() override { return picker_->getRGB(); }
    int changes() override { return changes_; }
    Rect bounds(const std::string& view) override {
        const QWidget* shown = widget(view);
        const double ratio = window_->devicePixelRatioF();
        const QRect logical(shown->mapTo(window_.get(), QPoint(0, 0)), shown->size());
        const QPoint origin = device_origin();
        const int left = static_cast<int>(std::floor(logical.left() * ratio));
        const int top = static_cast<int>(std::floor(logical.top() * ratio));
        return {left - origin.x(), top - origin.y(),
                static_cast<int>(std::ceil((logical.right() + 1) * ratio)) - left,
                static_cast<int>(std::ceil((logical.bottom() + 1) * ratio)) - top};
    }
    Color drawn(Pixel at) override {
        if (shown_.isNull()) {
            shown_ = window_->grab().toImage();
        }
        const QPoint origin = device_origin();
        const QPoint in_window(origin.x() + at.x, origin.y() + at.y);
        const QRect control(origin, picker_->size() * window_->devicePixelRatioF());
        if (!control.contains(in_window)) {
            return -1;
        }
        const QRgb pixel = shown_.pixel(in_window);
        return qRed(pixel) | (qGreen(pixel) << 8) | (qBlue(pixel) << 16);
    }

  private:
    static QRgb qt_rgb(Color color) {
        return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    }

    // The device pixel of the window where the control's (0, 0) device pixel lies.
    QPoint device_origin() const {
        const QPoint logical = picker_->mapTo(window_.get(), QPoint(0, 0));
        const double ratio = window_->devicePixelRatioF();
        return {static_cast<int>(std::floor(logical.x() * ratio)),
                static_cast<int>(std::floor(logical.y() * ratio))};
    }

    QWidget* widget(const std::string& name) const {
        QWidget* view = picker_->viewWidget(QString::fromStdString(name));
        if (view == nullptr) {
            throw std::runtime_error("no widget for the view " + name);
        }
        return view;
    }

    // As the window system hands a mouse event to Qt: Qt finds the child under the
    // point, keeps it while a button is held, and turns a quick second press into a
    // double click.
    void send_mouse(Mouse action, Button button, QPointF in_window) {
        shown_ = QImage();
        QWindow* window = window_->windowHandle();
        const QPointF global = in_window + QPointF(window->position());
        const Qt::MouseButton which = qt_button(button);
        QEvent::Type type = QEvent::MouseMove;
        Qt::MouseButton changed = Qt::NoButton;
        switch (action) {
            case Mouse::Press:
                // Far enough from the last press that Qt sees no double click.
                timestamp_ += 1000;
                held_ |= which;
                type = QEvent::MouseButtonPress;
                changed = which;
                break;
            case Mouse::DoubleClick:
                timestamp_ += 10;
                held_ |= which;
                type = QEvent::MouseButtonPress;
                changed = which;
                break;
            case Mouse::Release:
                timestamp_ += 10;
                held_ &= ~Qt::MouseButtons(which);
                type = QEvent::MouseButtonRelease;
                changed = which;
                break;
            case Mouse::Move:
                timestamp_ += 10;
                break;
        }
        qt_handleMouseEvent(window, in_window, global, held_, changed, type, Qt::NoModifier,
                            timestamp_);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<QWidget> window_;
    QLineEdit* before_ = nullptr;
    tintbox::TintboxWidget* picker_ = nullptr;
    QLineEdit* after_ = nullptr;
    int changes_ = 0;
    Qt::MouseButtons held_;
    int timestamp_ = 0;
    QImage shown_;  // the window as drawn, until the next input or host call
};

class Contract : public testing::TestWithParam<std::size_t> {};

TEST_P(Contract, OnTheQtWidget) {
    const Scenario& scenario = scenarios()[GetParam()];
    QtDriver driver;
    const Outcome outcome = run(driver, scenario);
    if (!outcome.not_run.empty()) {
        GTEST_SKIP() << outcome.not_run;
    }
    for (const std::string& line : judge(outcome, scenario.name, kKnownFailing)) {
        ADD_FAILURE() << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Contract, testing::Range<std::size_t>(0, scenarios().size()),
                         [](const testing::TestParamInfo<std::size_t>& row) {
                             return identifier(scenarios()[row.param]);
                         });

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
