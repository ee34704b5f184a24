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
#include <cmath>
#include <memory>
#include <utility>

#include "contract_gtest.hpp"
#include "qt_contract_input.hpp"
#include "tintbox/qt/tintbox_widget.hpp"

namespace {

using namespace tintbox::contract;

// Rows that fail on this front end today, each until the work that fixes it lands (none
// now).
const std::vector<std::string> kKnownFailing = {};

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
        shown_ = QImage();
        picker_->setPicture(qt_image(picture));
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
    void key(KeyCode key, int modifiers) override {
        shown_ = QImage();
        click_key(window_->windowHandle(), qt_key(key), modifiers);
    }
    void tab(bool backward) override {
        shown_ = QImage();
        click_tab(window_->windowHandle(), backward);
    }
    void type(const std::string& text) override {
        shown_ = QImage();
        type_text(window_->windowHandle(), text);
    }
    void wheel(const Spot& at, int notches) override {
        QWidget* view = widget(at.view);
        const QPointF local(at.fx * view->width() + at.dx, at.fy * view->height() + at.dy);
        shown_ = QImage();
        turn_wheel(view, local, view->mapToGlobal(local), notches);
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
        return device_bounds(QRectF(shown->mapTo(window_.get(), QPoint(0, 0)), shown->size()),
                             device_origin(), ratio);
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
        return color_of(shown_.pixel(in_window));
    }

  private:
    // The device pixel of the window where the control's (0, 0) device pixel lies.
    QPoint device_origin() const {
        return device_pixel(picker_->mapTo(window_.get(), QPoint(0, 0)),
                            window_->devicePixelRatioF());
    }

    QWidget* widget(const std::string& name) const {
        QWidget* view = picker_->viewWidget(QString::fromStdString(name));
        if (view == nullptr) {
            throw std::runtime_error("no widget for the view " + name);
        }
        return view;
    }

    void send_mouse(Mouse action, Button button, QPointF in_window) {
        shown_ = QImage();
        mouse_.send(window_->windowHandle(), action, button, in_window);
    }

    std::unique_ptr<QWidget> window_;
    QLineEdit* before_ = nullptr;
    tintbox::TintboxWidget* picker_ = nullptr;
    QLineEdit* after_ = nullptr;
    int changes_ = 0;
    QtMouse mouse_;  // Qt finds the child under the point and counts double clicks
    QImage shown_;   // the window as drawn, until the next input or host call
};

class Contract : public testing::TestWithParam<std::size_t> {};

TEST_P(Contract, OnTheQtWidget) {
    QtDriver driver;
    check_row(driver, GetParam(), kKnownFailing);
}

INSTANTIATE_TEST_SUITE_P(Rows, Contract, testing::Range<std::size_t>(0, scenarios().size()),
                         row_name);

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
