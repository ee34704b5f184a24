// The contract suite on the windowless control, driven as a host drives it: through the
// C interface only (Input events at device pixels, Draw into a buffer, SetExtent with a
// ratio, Tick, the dispatch interface), with a site that serves a fake screen and
// clipboard and moves the host's focus when Tab leaves the control. The C interface
// gives a host pixels, not texts: the texts, carets and values a person reads are taken
// from the Qt widgets that draw them, which live in this process.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "contract_gtest.hpp"
#include "tintbox/tintbox_windowless.h"

namespace {

using namespace tintbox::contract;

// Rows that fail on this front end today, each until the work that fixes it lands (none
// now).
const std::vector<std::string> kKnownFailing = {};

const char* shell_path = nullptr;  // libtintboxctl.so, from the command line
constexpr int kLogicalWidth = 420;

// Loads the shell once for the whole run and hands out its class factory.
TintboxClassFactory& factory() {
    static TintboxClassFactory* loaded = [] {
        void* library = dlopen(shell_path, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            throw std::runtime_error(dlerror());
        }
        TintboxDllGetClassObjectFn get_class_object = nullptr;
        void* symbol = dlsym(library, "DllGetClassObject");
        std::memcpy(&get_class_object, &symbol, sizeof symbol);
        TintboxClassFactory* made = nullptr;
        if (get_class_object(&TINTBOX_CLSID_Tintbox, &TINTBOX_IID_ClassFactory,
                             reinterpret_cast<void**>(&made)) != TINTBOX_OK) {
            throw std::runtime_error("no class factory");
        }
        return made;
    }();
    return *loaded;
}

const std::pair<KeyCode, std::int32_t> kHostKeys[] = {{KeyCode::Delete, TINTBOX_KEY_DELETE},
                                                      {KeyCode::Left, TINTBOX_KEY_LEFT},
                                                      {KeyCode::Right, TINTBOX_KEY_RIGHT},
                                                      {KeyCode::Up, TINTBOX_KEY_UP},
                                                      {KeyCode::Down, TINTBOX_KEY_DOWN},
                                                      {KeyCode::Home, TINTBOX_KEY_HOME},
                                                      {KeyCode::End, TINTBOX_KEY_END},
                                                      {KeyCode::PageUp, TINTBOX_KEY_PAGE_UP},
                                                      {KeyCode::PageDown, TINTBOX_KEY_PAGE_DOWN},
                                                      {KeyCode::Escape, TINTBOX_KEY_ESCAPE}};

// The C interface numbers the letter keys by their upper-case ASCII codes, as the kit does.
std::int32_t host_key(KeyCode which) {
    if (which >= letter_key('A') && which <= letter_key('Z')) {
        return static_cast<std::int32_t>(which);
    }
    for (const auto& [ours, theirs] : kHostKeys) {
        if (ours == which) {
            return theirs;
        }
    }
    return 0;
}

const std::pair<Button, std::int32_t> kHostButtons[] = {{Button::Left, TINTBOX_BUTTON_LEFT},
                                                        {Button::Right, TINTBOX_BUTTON_RIGHT}};

std::int32_t host_button(Button which) {
    for (const auto& [ours, theirs] : kHostButtons) {
        if (ours == which) {
            return theirs;
        }
    }
    return 0;
}

class WindowlessDriver : public Driver {
  public:
    WindowlessDriver() {
        expect_ok(factory().vtbl->CreateInstance(&factory(), &TINTBOX_IID_Windowless,
                                                 reinterpret_cast<TintboxControl**>(&control_)));
        TintboxSite site{};
        site.size = sizeof site;
        site.context = this;
        site.invalidate = [](void* self, const TintboxRect*) {
            static_cast<WindowlessDriver*>(self)->drawing_.clear();
        };
        site.start_timer = [](void*, std::int32_t) {};
        site.stop_timer = [](void*) {};
        site.set_pointer = [](void*, std::int32_t) {};
        site.request_focus = [](void* self) {
            static_cast<WindowlessDriver*>(self)->focus_requested_ = true;
        };
        site.get_clipboard_text = [](void* self) {
            return static_cast<WindowlessDriver*>(self)->clipboard_.c_str();
        };
        site.set_clipboard_text = [](void* self, const char* text, std::size_t length) {
            static_cast<WindowlessDriver*>(self)->clipboard_.assign(text, length);
        };
        site.get_pointer_position = [](void*, std::int32_t* x, std::int32_t* y) -> std::int32_t {
            *x = 100;
            *y = 200;
            return 1;
        };
        site.read_screen_pixel = [](void* self, std::int32_t, std::int32_t,
                                    std::uint32_t* rgb) -> std::int32_t {
            const Color color = static_cast<WindowlessDriver*>(self)->screen_;
            *rgb = static_cast<std::uint32_t>(((color & 0xFF) << 16) | (color & 0xFF00) |
                                              ((color >> 16) & 0xFF));
            return 1;
        };
        site.event = [](void* self, std::int32_t event, const char*) {
            if (event == TINTBOX_EVENT_CHANGE) {
                ++static_cast<WindowlessDriver*>(self)->changes_;
            }
        };
        expect_ok(control_->vtbl->SetSite(control_, &site));
        extent(1.0);
        widget_ = find_widget();
    }
    ~WindowlessDriver() override {
        control_->vtbl->SetSite(control_, nullptr);
        control_->vtbl->Release(control_);
    }
    WindowlessDriver(const WindowlessDriver&) = delete;
    WindowlessDriver& operator=(const WindowlessDriver&) = delete;

    bool can(Capability capability) const override {
        switch (capability) {
            case Capability::DeviceRatio:
            case Capability::ReadDuringThumbDrag:
            case Capability::FakeScreen:
                return true;
            case Capability::ContextMenu:
                // The C interface has no menu: a host builds its own.
                return false;
        }
        return false;
    }

    void set_picture(const Picture& picture) override {
        TintboxVariant value{};
        value.type = TINTBOX_VT_PICTURE;
        value.value.picture.width = picture.width;
        value.value.picture.height = picture.height;
        value.value.picture.pixels = picture.pixels.data();
        invoke(TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYPUTREF, &value, nullptr);
    }
    void set_rgb(Color color) override {
        TintboxVariant value{};
        value.type = TINTBOX_VT_I4;
        value.value.i4 = color;
        invoke(TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD, &value, nullptr);
    }
    void set_enabled(bool enabled) override {
        TintboxVariant value{};
        value.type = TINTBOX_VT_BOOL;
        value.value.boolean = enabled ? -1 : 0;
        invoke(TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYPUT, &value, nullptr);
    }
    bool set_ratio(double ratio) override {
        extent(ratio);
        return true;
    }
    void set_screen_color(Color color) override { screen_ = color; }
    void tick() override {
        std::int32_t interval = 0;
        expect_ok(control_->vtbl->TimerInterval(control_, &interval));
        expect_ok(control_->vtbl->Tick(control_, interval > 0 ? interval : 10));
    }

    void mouse(Mouse action, Button button, const Spot& at) override {
        const QWidget* view = widget(at.view);
        const QPointF logical =
            QPointF(view->mapTo(widget_, QPoint(0, 0))) +
            QPointF(at.fx * view->width() + at.dx, at.fy * view->height() + at.dy);
        mouse_at(action, button,
                 {static_cast<int>(std::floor(logical.x() * ratio_)),
                  static_cast<int>(std::floor(logical.y() * ratio_))});
    }
    void mouse_at(Mouse action, Button button, Pixel at) override {
        TintboxInputEvent event{};
        event.x = at.x;
        event.y = at.y;
        event.button = host_button(button);
        if (at.x != pointer_.x || at.y != pointer_.y) {
            // The pointer comes to the point first, as a real one does.
            event.kind = TINTBOX_INPUT_MOVE;
            send(event);
            pointer_ = at;
        }
        switch (action) {
            case Mouse::Press:
                event.kind = TINTBOX_INPUT_PRESS;
                break;
            case Mouse::DoubleClick:
                event.kind = TINTBOX_INPUT_DOUBLE_CLICK;
                break;
            case Mouse::Release:
                event.kind = TINTBOX_INPUT_RELEASE;
                break;
            case Mouse::Move:
                return;
        }
        focus_requested_ = false;
        send(event);
        if (focus_requested_ && outside_) {
            outside_ = false;
            TintboxInputEvent focus{};
            focus.kind = TINTBOX_INPUT_FOCUS_IN;
            send(focus);
        }
    }
    void key(KeyCode key, int modifiers) override {
        if (outside_) {
            return;  // the host's widget has the keyboard
        }
        TintboxInputEvent event{};
        event.kind = TINTBOX_INPUT_KEY;
        event.key = host_key(key);
        event.modifiers = ((modifiers & kShift) ? TINTBOX_MOD_SHIFT : 0) |
                          ((modifiers & kCtrl) ? TINTBOX_MOD_CTRL : 0);
        send(event);
    }
    void tab(bool backward) override {
        const std::int32_t key = backward ? TINTBOX_KEY_BACKTAB : TINTBOX_KEY_TAB;
        if (outside_) {
            // The host's neighbouring widget passes the focus in.
            outside_ = false;
            TintboxInputEvent focus{};
            focus.kind = TINTBOX_INPUT_FOCUS_IN;
            focus.key = key;
            send(focus);
            return;
        }
        TintboxInputEvent event{};
        event.kind = TINTBOX_INPUT_KEY;
        event.key = key;
        event.modifiers = backward ? TINTBOX_MOD_SHIFT : 0;
        if (send(event) == 0) {
            // Tab at an end of the control's order: the host moves its focus on.
            outside_ = true;
            TintboxInputEvent focus{};
            focus.kind = TINTBOX_INPUT_FOCUS_OUT;
            send(focus);
        }
    }
    void type(const std::string& text) override {
        if (outside_) {
            return;
        }
        for (const char character : text) {
            const char typed[2] = {character, 0};
            TintboxInputEvent event{};
            event.kind = TINTBOX_INPUT_TEXT;
            event.text = typed;
            send(event);
        }
    }
    void wheel(const Spot& at, int notches) override {
        mouse(Mouse::Move, Button::Left, at);
        const QWidget* view = widget(at.view);
        const QPointF logical =
            QPointF(view->mapTo(widget_, QPoint(0, 0))) +
            QPointF(at.fx * view->width() + at.dx, at.fy * view->height() + at.dy);
        for (int i = 0; i < std::abs(notches); ++i) {
            TintboxInputEvent event{};
            event.kind = TINTBOX_INPUT_WHEEL;
            event.x = static_cast<int>(std::floor(logical.x() * ratio_));
            event.y = static_cast<int>(std::floor(logical.y() * ratio_));
            event.delta = notches > 0 ? 1 : -1;
            send(event);
        }
    }
    std::vector<MenuItem> context_menu(const std::string&) override {
        ADD_FAILURE() << "no context menu here";
        return {};
    }

    FieldState field(const std::string& view) override {
        const auto* line = qobject_cast<const QLineEdit*>(widget(view));
        if (line == nullptr) {
            ADD_FAILURE() << view << " is no field";
            return {};
        }
        return {line->text().toStdString(), line->cursorPosition(),
                line->hasSelectedText() ? line->selectionStart() : line->cursorPosition(),
                static_cast<int>(line->selectedText().size())};
    }
    int value(const std::string& scroll_bar) override {
        const auto* bar = qobject_cast<const QScrollBar*>(widget(scroll_bar));
        if (bar == nullptr) {
            ADD_FAILURE() << scroll_bar << " is no scroll bar";
            return -1;
        }
        return bar->value();
    }
    std::string focused() override {
        const QWidget* focus = widget_->focusWidget();
        if (outside_ || focus == nullptr) {
            return "";
        }
        return focus->objectName().toStdString();
    }
    Color rgb() override {
        TintboxVariant result{};
        invoke(TINTBOX_DISPID_GetRGB, TINTBOX_INVOKE_METHOD, nullptr, &result);
        return result.value.i4;
    }
    int changes() override { return changes_; }
    Rect bounds(const std::string& view) override {
        const QWidget* shown = widget(view);
        const QPoint at = shown->mapTo(widget_, QPoint(0, 0));
        const int left = static_cast<int>(std::floor(at.x() * ratio_));
        const int top = static_cast<int>(std::floor(at.y() * ratio_));
        return {left, top, static_cast<int>(std::ceil((at.x() + shown->width()) * ratio_)) - left,
                static_cast<int>(std::ceil((at.y() + shown->height()) * ratio_)) - top};
    }
    Color drawn(Pixel at) override {
        if (at.x < 0 || at.y < 0 || at.x >= width_ || at.y >= height_) {
            return -1;
        }
        if (drawing_.empty()) {
            drawing_.assign(static_cast<std::size_t>(width_) * height_, 0);
            expect_ok(control_->vtbl->Draw(control_, drawing_.data(), width_, height_, width_ * 4,
                                           nullptr));
        }
        const std::uint32_t argb = drawing_[static_cast<std::size_t>(at.y) * width_ + at.x];
        return static_cast<Color>(((argb >> 16) & 0xFF) | (argb & 0xFF00) | ((argb & 0xFF) << 16));
    }

  private:
    void expect_ok(TintboxStatus status) {
        if (status != TINTBOX_OK) {
            throw std::runtime_error(std::string("windowless call failed: ") +
                                     control_->vtbl->ErrorMessage(control_));
        }
    }

    std::int32_t send(const TintboxInputEvent& event) {
        drawing_.clear();
        std::int32_t handled = -1;
        expect_ok(control_->vtbl->Input(control_, &event, &handled));
        return handled;
    }

    void invoke(std::int32_t id, std::int32_t kind, TintboxVariant* argument,
                TintboxVariant* result) {
        drawing_.clear();
        TintboxControl* dispatch = nullptr;
        expect_ok(control_->vtbl->GetDispatch(control_, &dispatch));
        const TintboxStatus status =
            dispatch->vtbl->Invoke(dispatch, id, kind, argument, argument ? 1 : 0, result);
        dispatch->vtbl->Release(dispatch);
        expect_ok(status);
    }

    void extent(double ratio) {
        ratio_ = ratio;
        drawing_.clear();
        expect_ok(control_->vtbl->SetExtent(control_, static_cast<int>(kLogicalWidth * ratio),
                                            static_cast<int>(400 * ratio), ratio));
        expect_ok(control_->vtbl->GetExtent(control_, &width_, &height_));
    }

    // The hidden widget that draws this instance (the only one alive).
    static QWidget* find_widget() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->findChild<QWidget*>(QStringLiteral("txtRed")) != nullptr) {
                return top;
            }
        }
        throw std::runtime_error("the windowless control has no widget in this process");
    }

    QWidget* widget(const std::string& name) const {
        auto* view = widget_->findChild<QWidget*>(QString::fromStdString(name));
        if (view == nullptr) {
            throw std::runtime_error("no widget for the view " + name);
        }
        return view;
    }

    TintboxWindowless* control_ = nullptr;
    QWidget* widget_ = nullptr;
    double ratio_ = 1.0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::vector<std::uint32_t> drawing_;  // the last Draw, until something changes
    std::string clipboard_;
    Color screen_ = 0;
    int changes_ = 0;
    bool focus_requested_ = false;
    Pixel pointer_{-1, -1};  // where the last event left the pointer
    bool outside_ = true;    // the host's own widgets have the keyboard focus
};

class Contract : public testing::TestWithParam<std::size_t> {};

TEST_P(Contract, OnTheWindowlessControl) {
    WindowlessDriver driver;
    check_row(driver, GetParam(), kKnownFailing);
}

INSTANTIATE_TEST_SUITE_P(Rows, Contract, testing::Range<std::size_t>(0, scenarios().size()),
                         row_name);

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s path/to/libtintboxctl.so\n", argv[0]);
        return 2;
    }
    shell_path = argv[1];
    return RUN_ALL_TESTS();
}
