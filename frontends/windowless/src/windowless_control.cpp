// Sections: Qt in the process - screens - construction and site - drawing - input -
// focus and pointer - telling the host.
#include "windowless_control.hpp"

#include <QApplication>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>

#include "qt_platform.hpp"
#include "skin.hpp"
#include "text/text.hpp"
#include "tintbox/front_end.hpp"
#include "tintbox/geometry.hpp"
#include "tintbox/input.hpp"
#include "windowless_x11.hpp"

namespace tintbox::shell {
namespace {

// ---- Qt in the process ---------------------------------------------------------------

int instances = 0;
QApplication* own_application = nullptr;
// QApplication keeps argc and argv, and takes the options it knows out of them.
int qt_argc = 0;
char qt_arg0[] = "tintbox-windowless";
char qt_arg1[] = "-platform";
char qt_arg2[] = "offscreen";
char* qt_argv[4] = {};

// ---- Screens -------------------------------------------------------------------------

// The host's own screen reader.
class SiteScreen : public Screen {
  public:
    explicit SiteScreen(const TintboxSite& site) : site_(site) {}
    float twips_per_pixel_x() const override { return 15.0f; }  // unused: QtScreen answers
    ScreenPoint cursor_position() const override {
        std::int32_t x = 0;
        std::int32_t y = 0;
        if (site_.get_pointer_position(site_.context, &x, &y) == 0) {
            return {};
        }
        return {x, y};
    }
    Context acquire_context() override { return 1; }
    ColorValue pixel(Context, ScreenPoint point) override {
        std::uint32_t rgb = 0;
        if (site_.read_screen_pixel(site_.context, point.x, point.y, &rgb) == 0) {
            return -1;
        }
        return static_cast<ColorValue>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) |
                                       ((rgb & 0xFF) << 16));
    }
    void release_context(Context) override {}

  private:
    const TintboxSite& site_;
};

// The host's clipboard, as UTF-8 text.
class SiteClipboard : public Clipboard {
  public:
    explicit SiteClipboard(const TintboxSite& site) : site_(site) {}
    std::u16string text() const override {
        const char* text = site_.get_clipboard_text(site_.context);
        return text::utf16_from_utf8_lenient(text != nullptr ? text : "");
    }
    void set_text(std::u16string_view text) override {
        const std::string bytes = text::utf8_from_utf16_lenient(text);
        site_.set_clipboard_text(site_.context, bytes.c_str(), bytes.size());
    }

  private:
    const TintboxSite& site_;
};

// No way to read the screen: every pixel read fails, and the host hears of it, or the
// desktop's picker answers for it.
class UnreadableScreen : public Screen {
  public:
    float twips_per_pixel_x() const override { return 15.0f; }
    ScreenPoint cursor_position() const override { return {}; }
    Context acquire_context() override { return 1; }
    ColorValue pixel(Context, ScreenPoint) override { return -1; }
    void release_context(Context) override {}
    bool can_read() const override { return false; }
};

std::int16_t button_code(std::int32_t button) {
    switch (button) {
        case TINTBOX_BUTTON_LEFT:
            return kLeftButton;
        case TINTBOX_BUTTON_RIGHT:
            return kRightButton;
        case TINTBOX_BUTTON_MIDDLE:
            return kMiddleButton;
        default:
            throw WindowlessFault{TINTBOX_E_INVALID_ARGUMENT,
                                  "unknown mouse button " + std::to_string(button)};
    }
}

static_assert(TINTBOX_MOD_SHIFT == kShiftKey && TINTBOX_MOD_CTRL == kCtrlKey &&
              TINTBOX_MOD_ALT == kAltKey);

std::int16_t shift_code(std::int32_t modifiers) {
    return static_cast<std::int16_t>(modifiers &
                                     (TINTBOX_MOD_SHIFT | TINTBOX_MOD_CTRL | TINTBOX_MOD_ALT));
}

// The host's keys that chords use besides the letters.
constexpr std::pair<std::int32_t, KeyCode> kHostKeys[] = {
    {TINTBOX_KEY_BACKSPACE, KeyCode::Backspace},
    {TINTBOX_KEY_DELETE, KeyCode::Delete},
    {TINTBOX_KEY_INSERT, KeyCode::Insert},
    {TINTBOX_KEY_LEFT, KeyCode::Left},
    {TINTBOX_KEY_RIGHT, KeyCode::Right},
    {TINTBOX_KEY_UP, KeyCode::Up},
    {TINTBOX_KEY_DOWN, KeyCode::Down},
    {TINTBOX_KEY_HOME, KeyCode::Home},
    {TINTBOX_KEY_END, KeyCode::End},
    {TINTBOX_KEY_PAGE_UP, KeyCode::PageUp},
    {TINTBOX_KEY_PAGE_DOWN, KeyCode::PageDown},
    {TINTBOX_KEY_ESCAPE, KeyCode::Escape},
};

}  // namespace

QtProcess::QtProcess() {
    if (!on_interface_thread()) {
        throw WindowlessFault{TINTBOX_E_WRONG_THREAD,
                              "a windowless control is created on another thread than Qt's"};
    }
    if (instances == 0 && QCoreApplication::instance() == nullptr) {
        qt_argc = 3;
        qt_argv[0] = qt_arg0;
        qt_argv[1] = qt_arg1;
        qt_argv[2] = qt_arg2;
        qt_argv[3] = nullptr;
        own_application = new QApplication(qt_argc, qt_argv);
        // The host repaints on invalidation only: a blinking caret would need a timer of
        // its own, so the caret stays on.
        QApplication::setCursorFlashTime(0);
    } else if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        throw WindowlessFault{TINTBOX_E_NO_DISPLAY,
                              "the process runs a Qt application without widgets"};
    }
    ++instances;
}

QtProcess::~QtProcess() {
    if (--instances == 0 && own_application != nullptr) {
        delete own_application;
        own_application = nullptr;
    }
}

bool QtProcess::owns_application() noexcept {
    return own_application != nullptr;
}

bool QtProcess::on_interface_thread() noexcept {
    const QCoreApplication* application = QCoreApplication::instance();
    return application == nullptr || application->thread() == QThread::currentThread();
}

// ---- Construction and site -----------------------------------------------------------

WindowlessControl::WindowlessControl(std::function<std::uint32_t()> add_ref,
                                     std::function<std::uint32_t()> release)
    : add_ref_(std::move(add_ref)),
      release_(std::move(release)),
      widget_(std::make_unique<TintboxWidget>()),
      skin_(qtskin::Skin::of(*widget_)),
      surface_(widget_->control().UserControl()) {
    dispatch_ = create_dispatch(widget_->control(), *this);
    widget_->control().set_property_changed_handler([this](const std::string& name) {
        send_event(TINTBOX_EVENT_PROPERTY_CHANGED, name.c_str());
    });
    QObject::connect(widget_.get(), &TintboxWidget::errorRaised, [this](const QString& message) {
        send_event(TINTBOX_EVENT_HANDLER_ERROR, message.toUtf8().constData());
    });
    QObject::connect(widget_.get(), &TintboxWidget::eyedropperUnavailable,
                     [this] { send_event(TINTBOX_EVENT_EYEDROPPER_UNAVAILABLE, nullptr); });
    QObject::connect(widget_.get(), &TintboxWidget::eyedropperModeChanged,
                     [this] { tell_eyedropper_state(); });
    QObject::connect(widget_.get(), &TintboxWidget::systemPickStarted, [this] {
        system_pick_open_ = true;
        tell_eyedropper_state();
    });
    // The answer comes between the host's calls when the host runs Qt's event loop: the
    // repaint it causes is told at once, not at the host's next call.
    QObject::connect(widget_.get(), &TintboxWidget::systemPickFinished, [this] {
        system_pick_open_ = false;
        tell_eyedropper_state();
        QMetaObject::invokeMethod(
            widget_.get(), [this] { deliver(); }, Qt::QueuedConnection);
    });
    skin_.set_repaint_listener([this](const QRect& area) {
        invalid_.push_back(area);
        stale_ += area;
    });
    skin_.set_external_clock([this](int interval) { wanted_interval_ = interval; });
    skin_.set_frames_from_host(true);
    set_site(nullptr);
}

WindowlessControl::~WindowlessControl() {
    has_site_ = false;  // a host that releases without SetSite(NULL) hears nothing more
    skin_.set_repaint_listener(nullptr);
    destroy_dispatch(dispatch_);
    dynamic_cast<qtskin::QtScreen&>(surface_.screen()).set_reader(nullptr);
    dynamic_cast<qtskin::QtClipboard&>(surface_.clipboard()).set_source(nullptr);
    if (QApplication::activeWindow() == widget_.get()) {
        QApplication::setActiveWindow(nullptr);
    }
}

void WindowlessControl::set_site(const TintboxSite* site) {
    if (site == nullptr) {
        skin_.end_gesture();  // the host forwards nothing more, the release neither
    }
    has_site_ = site != nullptr;
    site_ = has_site_ ? *site : TintboxSite{};
    told_mode_ = -1;  // a new site hears the eyedropper's state once
    site_interval_ = 0;
    shown_pointer_ = -1;
    dynamic_cast<qtskin::QtClipboard&>(surface_.clipboard())
        .set_source(has_site_ ? std::make_shared<SiteClipboard>(site_) : nullptr);
    auto& screen = dynamic_cast<qtskin::QtScreen&>(surface_.screen());
    if (has_site_ && site_.get_pointer_position != nullptr) {
        screen.set_reader(std::make_shared<SiteScreen>(site_));
    } else if (QtProcess::owns_application()) {
        // Qt runs offscreen: read the screen the way the Qt widget does, through a
        // display connection of the control's own, where there is one.
        std::shared_ptr<Screen> x11 = open_x11_screen();
        screen.set_reader(x11 ? x11 : std::make_shared<UnreadableScreen>());
    } else {
        screen.set_reader(nullptr);
    }
    if (has_site_) {
        tell_eyedropper_state();
        invalid_.push_back(QRect(QPoint(0, 0), widget_->size()));
        deliver();
    }
}

// ---- Drawing -------------------------------------------------------------------------

void WindowlessControl::set_extent(std::int32_t width, std::int32_t height, double ratio) {
    ratio_ = ratio;
    const QSize logical(geometry::logical_size_within(width, ratio),
                        geometry::logical_size_within(height, ratio));
    host_call([&] {
        skin_.resized(logical);
        widget_->resize(skin_.pixel_size(surface_.Width(), surface_.Height()));
    });
    invalid_.push_back(QRect(QPoint(0, 0), widget_->size()));
    deliver();
}

QSize WindowlessControl::extent() const {
    return qtskin::to_qrect(geometry::device_rect(qtskin::to_pixel_rect(widget_->rect()), ratio_))
        .size();
}

void WindowlessControl::draw(void* pixels, std::int32_t width, std::int32_t height,
                             std::int32_t stride, const TintboxRect* area) {
    const QSize size = extent();
    geometry::PixelRect target{0, 0, size.width(), size.height()};
    if (area != nullptr) {
        target = geometry::clip(area->x, area->y, area->width, area->height, size.width(),
                                size.height());
    }
    skin_.flush();
    if (target.empty()) {
        return;
    }
    update_canvas(qtskin::to_qrect(geometry::logical_rect_covering(target, ratio_)));
    QImage image(static_cast<uchar*>(pixels), width, height, stride,
                 QImage::Format_ARGB32_Premultiplied);
    const auto row_bytes = static_cast<std::size_t>(target.width()) * 4;
    for (int y = target.top; y < target.bottom; ++y) {
        std::memcpy(image.scanLine(y) + static_cast<std::ptrdiff_t>(target.left) * 4,
                    canvas_.constScanLine(y) + static_cast<std::ptrdiff_t>(target.left) * 4,
                    row_bytes);
    }
}

// The canvas keeps the control as last drawn, and a Draw paints again only what changed
// since, as a shown widget's backing store does: a host that draws the whole control on
// every expose pays for a copy, not for the whole widget tree.
void WindowlessControl::update_canvas(const QRect& needed) {
    const QSize size = extent();
    if (canvas_.size() != size || canvas_.devicePixelRatio() != ratio_) {
        canvas_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
        if (canvas_.isNull()) {
            throw std::bad_alloc();  // QImage gives a null image when it cannot allocate
        }
        canvas_.setDevicePixelRatio(ratio_);
        stale_ = QRegion(widget_->rect());
    }
    const QRegion due = stale_ & needed;
    if (due.isEmpty()) {
        return;
    }
    stale_ -= due;
    // At a fractional ratio Qt gives a device pixel across a logical edge of the clip to
    // one side only: painting past what is due by one device pixel's span paints every
    // device pixel that touches it whole, whichever side Qt gives it to.
    const int margin = static_cast<int>(std::ceil(1.0 / ratio_));
    QRegion painted;
    for (const QRect& rect : due) {
        painted += rect.adjusted(-margin, -margin, margin, margin);
    }
    painted &= widget_->rect();
    QPainter painter(&canvas_);
    widget_->render(&painter, painted.boundingRect().topLeft(), painted,
                    QWidget::DrawWindowBackground | QWidget::DrawChildren);
}

// ---- Input ---------------------------------------------------------------------------

template <class Call>
void WindowlessControl::person(Call&& call) {
    ++depth_;
    skin_.person_input(std::forward<Call>(call));
    --depth_;
}

// A host call's effects reach the site even when the call fails part-way.
void WindowlessControl::host_call(const std::function<void()>& call) {
    ++depth_;
    try {
        skin_.host_call(call);
    } catch (...) {
        --depth_;
        deliver();
        throw;
    }
    --depth_;
    deliver();
}

// The Qt widget's own mapping from device pixels to surface twips, at the host's ratio.
QPointF WindowlessControl::to_twips(std::int32_t x, std::int32_t y) const {
    return skin_.twips_at(QPoint(x, y), ratio_);
}

bool WindowlessControl::input(const TintboxInputEvent& event) {
    bool handled = true;
    switch (event.kind) {
        case TINTBOX_INPUT_PRESS:
        case TINTBOX_INPUT_RELEASE:
        case TINTBOX_INPUT_MOVE:
        case TINTBOX_INPUT_DOUBLE_CLICK:
        case TINTBOX_INPUT_WHEEL:
            handled = pointer_input(event);
            break;
        case TINTBOX_INPUT_KEY:
            handled = key(event);
            break;
        case TINTBOX_INPUT_TEXT: {
            if (event.text == nullptr) {
                throw WindowlessFault{TINTBOX_E_INVALID_ARGUMENT, "TEXT without text"};
            }
            const std::u16string text = text::utf16_from_utf8_lenient(event.text);
            handled = is_typed_text(text) && surface_.focused() != nullptr &&
                      surface_.focused()->kind() == ViewKind::TextField;
            if (handled) {
                person([&] { surface_.type(text); });
            }
            break;
        }
        case TINTBOX_INPUT_FOCUS_IN:
            focus_in(event.key);
            break;
        case TINTBOX_INPUT_FOCUS_OUT:
            focus_out();
            break;
        case TINTBOX_INPUT_LEAVE:
            pointer_known_ = false;
            break;
        default:
            throw WindowlessFault{TINTBOX_E_INVALID_ARGUMENT,
                                  "unknown kind of input " + std::to_string(event.kind)};
    }
    deliver();
    return handled;
}

bool WindowlessControl::pointer_input(const TintboxInputEvent& event) {
    const QPointF at = to_twips(event.x, event.y);
    const auto x = static_cast<Twips>(at.x());
    const auto y = static_cast<Twips>(at.y());
    const std::int16_t shift = shift_code(event.modifiers);
    pointer_known_ = true;
    pointer_x_ = event.x;
    pointer_y_ = event.y;
    switch (event.kind) {
        case TINTBOX_INPUT_PRESS:
        case TINTBOX_INPUT_DOUBLE_CLICK: {
            const std::int16_t button = button_code(event.button);
            if (event.kind == TINTBOX_INPUT_PRESS) {
                // The focus first, so that the host's FOCUS_IN that follows finds the
                // control asking and leaves the press to decide which view gets it.
                requesting_focus_ = true;
                site_.request_focus(site_.context);
                requesting_focus_ = false;
            }
            person([&] {
                if (event.kind == TINTBOX_INPUT_PRESS) {
                    surface_.press(button, x, y, shift);
                } else {
                    surface_.double_click(button, x, y, shift);
                }
            });
            return true;
        }
        case TINTBOX_INPUT_RELEASE: {
            const std::int16_t button = button_code(event.button);
            person([&] { surface_.release(button, x, y, shift); });
            return true;
        }
        case TINTBOX_INPUT_MOVE:
            person([&] { surface_.move(x, y, shift); });
            return true;
        default: {
            bool used = false;
            person([&] { used = surface_.wheel(x, y, event.delta); });
            return used;
        }
    }
}

bool WindowlessControl::key(const TintboxInputEvent& event) {
    const bool shift = (event.modifiers & TINTBOX_MOD_SHIFT) != 0;
    const bool letter = event.key >= 'A' && event.key <= 'Z';
    if (!letter && (event.key < TINTBOX_KEY_BACKSPACE || event.key > TINTBOX_KEY_RETURN)) {
        throw WindowlessFault{TINTBOX_E_INVALID_ARGUMENT,
                              "unknown key " + std::to_string(event.key)};
    }
    if (event.key == TINTBOX_KEY_TAB || event.key == TINTBOX_KEY_BACKTAB) {
        const bool forward = event.key == TINTBOX_KEY_TAB && !shift;
        if (!surface_.Enabled() || surface_.tab_leaves(forward)) {
            return false;  // the host moves its focus on
        }
        person([&] { forward ? surface_.tab() : surface_.backtab(); });
        return true;
    }
    const std::optional<Key> command =
        key_command({neutral_key(event.key, kHostKeys), shift_code(event.modifiers)});
    if (!command) {
        return false;  // Return, Insert alone, letters without Ctrl: the host's
    }
    bool used = false;
    person([&] { used = surface_.key(*command); });
    return used;
}

void WindowlessControl::tick(std::int32_t elapsed_ms) {
    // One interval at most, as the Qt widget's timer: a stalled host replays nothing.
    const std::int32_t step = std::min(elapsed_ms, std::max(wanted_interval_, 1));
    ++depth_;
    skin_.advance_time(step);
    --depth_;
    deliver();
}

// ---- Focus and pointer ---------------------------------------------------------------

void WindowlessControl::focus_in(std::int32_t key) {
    if (QtProcess::owns_application()) {
        // The caret and the focus frame show in the active window only.
        QApplication::setActiveWindow(widget_.get());
    }
    if (requesting_focus_) {
        return;  // the press that asked decides where the focus goes
    }
    const bool backward = key == TINTBOX_KEY_BACKTAB;
    person([&] {
        surface_.focus_entered(focus_before_out_, backward || key == TINTBOX_KEY_TAB, backward);
    });
}

// As when the Qt widget's window is deactivated: a gesture in progress ends too.
void WindowlessControl::focus_out() {
    focus_before_out_ = surface_.focused();
    skin_.end_gesture();
    person([&] { surface_.clear_focus(); });
    if (QtProcess::owns_application() && QApplication::activeWindow() == widget_.get()) {
        QApplication::setActiveWindow(nullptr);
    }
}

// The shape the Qt widget would show at the pointer: the field's or image's own pointer
// (a cursor) when it has one, the text beam over a field.
std::int32_t WindowlessControl::pointer_shape() const {
    const View* view = surface_.captured();
    if (view == nullptr) {
        const QPointF at = to_twips(pointer_x_, pointer_y_);
        view = surface_.view_at(static_cast<Twips>(at.x()), static_cast<Twips>(at.y()));
    }
    if (view == nullptr) {
        return TINTBOX_POINTER_DEFAULT;
    }
    switch (view->pointer_kind()) {
        case PointerKind::Icon:
            return view->MouseIcon()->name == "B" ? TINTBOX_POINTER_CURSOR_B
                                                  : TINTBOX_POINTER_CURSOR_A;
        case PointerKind::Text:
            return TINTBOX_POINTER_TEXT;
        case PointerKind::Arrow:
            break;
    }
    return TINTBOX_POINTER_DEFAULT;
}

// ---- Telling the host ----------------------------------------------------------------

QRect WindowlessControl::to_device(const QRect& logical) const {
    return qtskin::to_qrect(geometry::device_rect_outward(qtskin::to_pixel_rect(logical), ratio_));
}

void WindowlessControl::deliver() {
    if (depth_ > 0 || !has_site_) {
        return;
    }
    if (QtProcess::owns_application()) {
        QCoreApplication::sendPostedEvents();  // no Qt event loop runs: the skin's queued work
    }
    // The host paints the frames: every change reaches the widgets, and the site hears
    // what to draw again, before the call returns.
    skin_.flush();
    const QRect whole = to_device(QRect(QPoint(0, 0), widget_->size()));
    std::vector<QRect> areas;
    for (const QRect& logical : invalid_) {
        const QRect area = to_device(logical) & whole;
        const bool covered = std::any_of(areas.begin(), areas.end(),
                                         [&](const QRect& known) { return known.contains(area); });
        if (!area.isEmpty() && !covered) {
            areas.push_back(area);
        }
    }
    invalid_.clear();
    // The callbacks may call the control again: everything is read before the first.
    const std::int32_t shape = pointer_known_ ? pointer_shape() : shown_pointer_;
    // While the desktop's picker is open the control needs Ticks even without a timer
    // of its own: a library that runs Qt itself hears the portal's answer only inside
    // the host's calls.
    const std::int32_t interval =
        wanted_interval_ > 0 ? wanted_interval_ : (system_pick_open_ ? kSystemPickPollMs : 0);
    const TintboxSite site = site_;
    for (const QRect& area : areas) {
        const TintboxRect rect{area.x(), area.y(), area.width(), area.height()};
        site.invalidate(site.context, &rect);
    }
    if (shape != shown_pointer_ && shape >= 0) {
        shown_pointer_ = shape;
        site.set_pointer(site.context, shape);
    }
    if (interval != site_interval_ && site.start_timer != nullptr) {
        site_interval_ = interval;
        if (interval > 0) {
            site.start_timer(site.context, interval);
        } else {
            site.stop_timer(site.context);
        }
    }
}

void WindowlessControl::send_event(std::int32_t event, const char* detail) {
    if (has_site_ && site_.event != nullptr) {
        site_.event(site_.context, event, detail);
    }
}

void WindowlessControl::tell_eyedropper_state() {
    if (!has_site_ || site_.eyedropper_state == nullptr) {
        return;
    }
    std::int32_t mode = TINTBOX_EYEDROPPER_UNAVAILABLE;
    switch (widget_->eyedropperMode()) {
        case TintboxWidget::EyedropperMode::Live:
            mode = TINTBOX_EYEDROPPER_LIVE;
            break;
        case TintboxWidget::EyedropperMode::SystemPicker:
            mode = TINTBOX_EYEDROPPER_SYSTEM_PICKER;
            break;
        case TintboxWidget::EyedropperMode::Unavailable:
            break;
    }
    const std::int32_t open = system_pick_open_ ? 1 : 0;
    if (mode == told_mode_ && open == told_open_) {
        return;
    }
    told_mode_ = mode;
    told_open_ = open;
    site_.eyedropper_state(site_.context, mode, open);
}

void WindowlessControl::changed() {
    send_event(TINTBOX_EVENT_CHANGE, nullptr);
}

bool WindowlessControl::on_interface_thread() const noexcept {
    return QtProcess::on_interface_thread();
}

void WindowlessControl::handler_failed(const Error& error, bool in_call) {
    if (!in_call) {
        send_event(TINTBOX_EVENT_HANDLER_ERROR, error.what());
    }
}

// ---- Cursor images -------------------------------------------------------------------

const TintboxCursorImage* cursor_image(std::int32_t shape) noexcept {
    static const auto make = [](const PointerShapePtr& pointer) {
        TintboxCursorImage image{32, 32, pointer->hot_x, pointer->hot_y, {}};
        const std::vector<bool> outline = qtskin::cursor_outline(*pointer);
        for (std::size_t i = 0; i < outline.size(); ++i) {
            if (pointer->drawn[i]) {
                image.pixels[i] = 0xFF000000u;
            } else if (outline[i]) {
                image.pixels[i] = 0xFFFFFFFFu;
            }
        }
        return image;
    };
    static const TintboxCursorImage a = make(pointer_shape_a());
    static const TintboxCursorImage b = make(pointer_shape_b());
    switch (shape) {
        case TINTBOX_POINTER_CURSOR_A:
            return &a;
        case TINTBOX_POINTER_CURSOR_B:
            return &b;
        default:
            return nullptr;
    }
}

}  // namespace tintbox::shell
