// The contract suite on the Qt Quick front end: a TintboxPicker between two host text
// inputs in a Qt Quick window on the offscreen platform. A person's mouse and keys arrive
// as the window system hands them to Qt, so Qt Quick delivers them to the items, grabs
// the mouse and counts double clicks itself. The process draws at one device-pixel ratio
// (QT_SCALE_FACTOR); each ratio row runs in the ctest entry started at its ratio.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <utility>

#include "contract_gtest.hpp"
#include "picker_item.hpp"
#include "qt_contract_input.hpp"
#include "tintbox/views.hpp"

namespace {

using namespace tintbox::contract;
using tintbox::quick::PickerItem;

// Rows that fail on this front end today, each until the work that fixes it lands (none
// now).
const std::vector<std::string> kKnownFailing = {};

std::string utf8(const std::u16string& text) {
    return QString::fromStdU16String(text).toStdString();
}

class QuickDriver : public Driver {
  public:
    QuickDriver() {
        QGuiApplication::clipboard()->clear();
        engine_.addImportPath(QStringLiteral(TINTBOX_QML_BUILD_IMPORT_DIR));
        QQmlComponent component(&engine_);
        component.setData(
            "import QtQuick\nimport Tintbox\n"
            "Window { width: 420; height: 320; visible: true\n"
            "  Column { x: 3; y: 3; spacing: 4\n"
            "    TextInput { objectName: 'before'; width: 400; height: 20;\n"
            "                activeFocusOnTab: true; text: 'before' }\n"
            "    TintboxPicker { objectName: 'picker'; width: 400 }\n"
            "    TextInput { width: 400; height: 20; activeFocusOnTab: true;\n"
            "                text: 'after' } } }",
            QUrl());
        window_.reset(qobject_cast<QQuickWindow*>(component.create()));
        if (!window_) {
            throw std::runtime_error(component.errorString().toStdString());
        }
        picker_ = window_->findChild<PickerItem*>(QStringLiteral("picker"));
        QObject::connect(picker_, &PickerItem::changed, [this] { ++changes_; });
        window_->requestActivate();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        window_->findChild<QQuickItem*>(QStringLiteral("before"))->forceActiveFocus();
        QCoreApplication::processEvents();
    }

    bool can(Capability capability) const override {
        switch (capability) {
            case Capability::DeviceRatio:
            case Capability::ReadDuringThumbDrag:
            case Capability::ContextMenu:
                return true;
            case Capability::FakeScreen:
                // The item reads the real screen, as the widget does; it offers no fake one.
                return false;
        }
        return false;
    }

    void set_picture(const Picture& picture) override {
        picker_->setPicture(qt_image(picture));
        settle();
    }
    void set_rgb(Color color) override {
        picker_->setRGB(color);
        settle();
    }
    void set_enabled(bool enabled) override {
        picker_->setControlEnabled(enabled);
        settle();
    }
    bool set_ratio(double ratio) override {
        return std::abs(window_->effectiveDevicePixelRatio() - ratio) < 1e-6;
    }
    void set_screen_color(Color) override { ADD_FAILURE() << "no fake screen here"; }
    void tick() override { ADD_FAILURE() << "no fake screen here"; }

    void mouse(Mouse action, Button button, const Spot& at) override {
        send_mouse(action, button, scene_point(at));
    }
    void mouse_at(Mouse action, Button button, Pixel at) override {
        const double ratio = window_->effectiveDevicePixelRatio();
        const QPoint origin = device_origin();
        // As a window system reports a pointer on a device pixel to a scaled Qt.
        send_mouse(action, button,
                   QPointF((origin.x() + at.x) / ratio, (origin.y() + at.y) / ratio));
    }
    void key(KeyCode key, int modifiers) override {
        click_key(window_.get(), qt_key(key), modifiers);
        settle();
    }
    void tab(bool backward) override {
        click_tab(window_.get(), backward);
        settle();
    }
    void type(const std::string& text) override {
        type_text(window_.get(), text);
        settle();
    }
    void wheel(const Spot& at, int notches) override {
        const QPointF in_window = scene_point(at);
        turn_wheel(window_.get(), in_window, window_->mapToGlobal(in_window), notches);
        settle();
    }
    // A person reads the items of the popup the right press opened, and leaves it with
    // Escape.
    std::vector<MenuItem> context_menu(const std::string& field) override {
        mouse(Mouse::Press, Button::Right, {field});
        mouse(Mouse::Release, Button::Right, {field});
        QObject* menu = picker_->findChild<QObject*>(QStringLiteral("editMenu"));
        std::vector<MenuItem> items;
        if (menu == nullptr || !menu->property("opened").toBool()) {
            ADD_FAILURE() << "no menu opened on " << field;
            return items;
        }
        const int count = menu->property("count").toInt();
        for (int i = 0; i < count; ++i) {
            QQuickItem* entry = nullptr;
            QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem*, entry),
                                      Q_ARG(int, i));
            items.push_back(
                {entry->property("text").toString().remove(QLatin1Char('&')).toStdString(),
                 entry->isEnabled()});
        }
        QTest::keyClick(window_.get(), Qt::Key_Escape);
        settle();
        return items;
    }

    // What the item draws: the view layer's state (the selection while the field holds
    // the focus).
    FieldState field(const std::string& view) override {
        const auto* shown = dynamic_cast<const tintbox::TextField*>(model(view));
        if (shown == nullptr) {
            ADD_FAILURE() << view << " is no field";
            return {};
        }
        if (!shown->has_focus() || shown->SelLength() == 0) {
            return {utf8(shown->Text()), shown->caret(), shown->caret(), 0};
        }
        return {utf8(shown->Text()), shown->caret(), shown->SelStart(), shown->SelLength()};
    }
    int value(const std::string& scroll_bar) override {
        const auto* bar = dynamic_cast<const tintbox::ScrollBar*>(model(scroll_bar));
        if (bar == nullptr) {
            ADD_FAILURE() << scroll_bar << " is no scroll bar";
            return -1;
        }
        return bar->thumb_position();
    }
    std::string focused() override {
        const QQuickItem* focus = window_->activeFocusItem();
        if (focus == nullptr || focus->parentItem() != picker_) {
            return "";
        }
        return focus->objectName().toStdString();
    }
    Color rgb() override { return picker_->getRGB(); }
    int changes() override { return changes_; }
    Rect bounds(const std::string& view) override {
        const QQuickItem* shown = item(view);
        const double ratio = window_->effectiveDevicePixelRatio();
        const QRectF logical = shown->mapRectToScene(QRectF(0, 0, shown->width(), shown->height()));
        return device_bounds(logical, device_origin(), ratio);
    }
    Color drawn(Pixel at) override {
        const QImage shown = window_->grabWindow();
        const QPoint origin = device_origin();
        const QPoint in_window(origin.x() + at.x, origin.y() + at.y);
        const QRect control(origin, QSizeF(picker_->width() * window_->effectiveDevicePixelRatio(),
                                           picker_->height() * window_->effectiveDevicePixelRatio())
                                        .toSize());
        if (!control.contains(in_window)) {
            return -1;
        }
        return color_of(shown.pixel(in_window));
    }

  private:
    static void settle() { QCoreApplication::processEvents(); }

    const tintbox::View* model(const std::string& name) const {
        const tintbox::View* view = picker_->control().UserControl().find(name);
        if (view == nullptr) {
            throw std::runtime_error("no view " + name);
        }
        return view;
    }
    QQuickItem* item(const std::string& name) const {
        const QString wanted = QString::fromStdString(name);
        const QList<QQuickItem*> items = picker_->childItems();
        const auto found = std::find_if(items.begin(), items.end(), [&](QQuickItem* candidate) {
            return candidate->objectName() == wanted;
        });
        if (found == items.end()) {
            throw std::runtime_error("no item for the view " + name);
        }
        return *found;
    }
    QPointF scene_point(const Spot& at) const {
        const QQuickItem* view = item(at.view);
        return view->mapToScene(
            QPointF(at.fx * view->width() + at.dx, at.fy * view->height() + at.dy));
    }
    // The device pixel of the window where the control's (0, 0) device pixel lies.
    QPoint device_origin() const {
        return device_pixel(picker_->mapToScene(QPointF(0, 0)),
                            window_->effectiveDevicePixelRatio());
    }

    void send_mouse(Mouse action, Button button, QPointF in_window) {
        mouse_.send(window_.get(), action, button, in_window);
    }

    QQmlEngine engine_;
    std::unique_ptr<QQuickWindow> window_;
    PickerItem* picker_ = nullptr;
    int changes_ = 0;
    QtMouse mouse_;  // Qt Quick finds the item under the point and counts double clicks
};

class Contract : public testing::TestWithParam<std::size_t> {};

TEST_P(Contract, OnTheQtQuickItem) {
    QuickDriver driver;
    check_row(driver, GetParam(), kKnownFailing);
}

INSTANTIATE_TEST_SUITE_P(Rows, Contract, testing::Range<std::size_t>(0, scenarios().size()),
                         row_name);

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
