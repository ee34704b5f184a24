// The contract suite on the Win32 front end: Tintbox.ocx in place on a form
// (form_host.hpp), a person's mouse, keys and wheel sent with SendInput to its real child
// windows, what a person reads taken from those windows (EDIT texts and selections,
// SCROLLBAR positions, the focused window, the screen's pixels).
//
// Every row runs. A device-pixel ratio is a DPI (96 a logical pixel), given to the
// control by the WM_DPICHANGED that a container forwards; the fake screen is served
// through the test seam that win32_platform.hpp names, and the control's clock waits in
// the form's message loop for each tick; a scroll bar's own loop, between the press on
// its thumb and the release, runs on a fiber of its own while the steps read.
//
// The views' windows are found as the skin creates them: one per view (timers have
// none), each parent's children in the view list's order, topmost first. The view list
// comes from a control of the same library.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "contract_scenarios.hpp"
#include "form_host.hpp"
#include "tintbox/tintbox.hpp"
#include "tintbox/views.hpp"

using namespace tintbox::windows;
using namespace tintbox::windows::form;
using namespace tintbox::contract;

namespace {

// The fake screen: this program serves the eyedropper's screen pixels to the control
// through the seam that win32_platform.hpp names.
COLORREF g_screen_color = 0;

}  // namespace

extern "C" __declspec(dllexport) COLORREF TintboxTestScreenPixel(LONG, LONG) {
    return g_screen_color;
}

namespace {

// A scroll bar's modal loop waiting for input: the fiber of the steps (the thread's
// own) and the fiber of the form's message loop switch at its idle moments.
void* g_steps = nullptr;
UINT_PTR g_idle_timer = 0;  // a timer message comes only once no input waits
bool g_bar_loop_waits = false;

LRESULT CALLBACK bar_loop_filter(int code, WPARAM wparam, LPARAM lparam) {
    const auto* message = reinterpret_cast<const MSG*>(lparam);
    if (code == MSGF_SCROLLBAR && message->message == WM_TIMER && message->hwnd == nullptr &&
        message->wParam == g_idle_timer) {
        KillTimer(nullptr, g_idle_timer);
        g_bar_loop_waits = true;
        SwitchToFiber(g_steps);
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void CALLBACK message_loop(void* form) {
    for (;;) {
        static_cast<Form*>(form)->settle();
        KillTimer(nullptr, g_idle_timer);
        g_bar_loop_waits = false;
        SwitchToFiber(g_steps);
    }
}

// Rows that fail on this front end today, each until the work that fixes it lands.
const std::vector<std::string> kKnownFailing = {};

const std::pair<KeyCode, WORD> kVirtualKeys[] = {
    {KeyCode::Delete, VK_DELETE}, {KeyCode::Left, VK_LEFT},    {KeyCode::Right, VK_RIGHT},
    {KeyCode::Up, VK_UP},         {KeyCode::Down, VK_DOWN},    {KeyCode::Home, VK_HOME},
    {KeyCode::End, VK_END},       {KeyCode::PageUp, VK_PRIOR}, {KeyCode::PageDown, VK_NEXT},
    {KeyCode::Escape, VK_ESCAPE}};

// Windows numbers the letter keys by their upper-case ASCII codes, as the kit does.
WORD virtual_key(KeyCode which) {
    if (which >= letter_key('A') && which <= letter_key('Z')) {
        return static_cast<WORD>(which);
    }
    for (const auto& [ours, theirs] : kVirtualKeys) {
        if (ours == which) {
            return theirs;
        }
    }
    return 0;
}

std::string narrow(const wchar_t* text) {
    std::string result;
    for (; *text != 0; ++text) {
        result += static_cast<char>(*text);
    }
    return result;
}

// The items of the context menu that is open now; closes it.
std::vector<MenuItem> g_menu;
BOOL CALLBACK find_open_menu(HWND candidate, LPARAM found) {
    wchar_t kind[16] = {};
    GetClassNameW(candidate, kind, 16);
    if (std::wstring(kind) == L"#32768" && IsWindowVisible(candidate)) {
        *reinterpret_cast<HWND*>(found) = candidate;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK read_open_menu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_open_menu, reinterpret_cast<LPARAM>(&window));
    if (window == nullptr) {
        return;  // not open yet
    }
    KillTimer(nullptr, timer);
    auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if ((state & MF_SEPARATOR) != 0) {
            continue;
        }
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        std::string label;
        for (const char character : narrow(text)) {
            if (character == '\t') {
                break;  // the shortcut's column
            }
            if (character != '&') {
                label += character;
            }
        }
        g_menu.push_back({label, (state & (MF_GRAYED | MF_DISABLED)) == 0});
    }
    EndMenu();
}

// A rectangle of pixels copied from a device context.
class Pixels {
  public:
    Pixels() = default;
    Pixels(int width, int height)
        : width_(width), height_(height), colors_(static_cast<std::size_t>(width * height)) {}
    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return colors_.empty(); }
    void clear() { *this = Pixels(); }
    COLORREF pixel(int x, int y) const { return colors_[static_cast<std::size_t>(y * width_ + x)]; }
    bool operator==(const Pixels& other) const { return colors_ == other.colors_; }

    // The pixels of `source` from `origin` on.
    void copy_from(HDC source, POINT origin) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC copy = CreateCompatibleDC(source);
        HBITMAP bitmap = CreateDIBSection(copy, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ old = SelectObject(copy, bitmap);
        BitBlt(copy, 0, 0, width_, height_, source, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        const auto* rgb = static_cast<const DWORD*>(bits);
        for (std::size_t i = 0; i < colors_.size(); ++i) {
            colors_[i] = RGB((rgb[i] >> 16) & 0xFF, (rgb[i] >> 8) & 0xFF, rgb[i] & 0xFF);
        }
        SelectObject(copy, old);
        DeleteObject(bitmap);
        DeleteDC(copy);
    }

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> colors_;
};

class Win32Driver : public Driver {
  public:
    Win32Driver()
        : form_(true),
          message_loop_(CreateFiber(0, message_loop, &form_)),
          filter_(SetWindowsHookExW(WH_MSGFILTER, bar_loop_filter, nullptr, GetCurrentThreadId())) {
        const tintbox::Tintbox model;
        std::map<const tintbox::View*, HWND> windows{{nullptr, form_.control_window}};
        std::map<HWND, HWND> next_child;  // per parent window: the next child to match
        for (const auto& view : model.UserControl().views()) {
            if (view->kind() == tintbox::ViewKind::Timer) {
                continue;
            }
            const HWND parent = windows.at(view->parent());
            HWND& next = next_child[parent];
            next = next == nullptr ? GetWindow(parent, GW_CHILD) : GetWindow(next, GW_HWNDNEXT);
            windows[view.get()] = next;
            views_[view->name()] = next;
        }
        g_screen_color = 0;
        form_.clock_held = true;      // the clock's periods pass at tick()
        SetFocus(form_.next_button);  // the host's own widget has the keyboard
        form_.settle();
        form_.sink.changes = 0;
    }

    ~Win32Driver() override {
        if (g_bar_loop_waits) {  // the row ended with a scroll bar's button held
            send({mouse_input(MOUSEEVENTF_LEFTUP)});
            run_message_loop();
        }
        UnhookWindowsHookEx(filter_);
        DeleteFiber(message_loop_);
    }
    Win32Driver(const Win32Driver&) = delete;
    Win32Driver& operator=(const Win32Driver&) = delete;

    bool can(Capability) const override { return true; }

    void set_picture(const Picture& picture) override {
        std::vector<COLORREF> colors(picture.pixels.begin(), picture.pixels.end());
        form::set_picture(*form_.control, picture_of(picture.width, picture.height, colors).get());
        settle();
    }
    void set_rgb(Color color) override {
        form::set_rgb(*form_.control, color);
        settle();
    }
    void set_enabled(bool enabled) override {
        VARIANT value;
        V_VT(&value) = VT_BOOL;
        V_BOOL(&value) = enabled ? VARIANT_TRUE : VARIANT_FALSE;
        CHECK_EQ(invoke(*form_.control, dispid::kEnabled, DISPATCH_PROPERTYPUT, &value, nullptr),
                 S_OK);
        settle();
    }
    // Windows lays a window out in its own pixels at its DPI, 96 a logical pixel: the
    // control moves to 96 x ratio DPI as when its container forwards WM_DPICHANGED, and
    // the form grows to hold it.
    bool set_ratio(double ratio) override {
        const auto dpi = static_cast<WORD>(std::lround(96 * ratio));
        RECT suggested{};
        SendMessageW(form_.control_window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT control{};
        GetWindowRect(form_.control_window, &control);
        MapWindowPoints(nullptr, form_.site.form, reinterpret_cast<POINT*>(&control), 2);
        RECT client{};
        GetClientRect(form_.site.form, &client);
        if (control.right + 8 > client.right || control.bottom + 8 > client.bottom) {
            RECT frame{0, 0, std::max(client.right, control.right + 8),
                       std::max(client.bottom, control.bottom + 8)};
            AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
            SetWindowPos(form_.site.form, nullptr, 0, 0, frame.right - frame.left,
                         frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        settle();
        return true;
    }
    void set_screen_color(Color color) override { g_screen_color = static_cast<COLORREF>(color); }
    void tick() override {
        shown_.clear();
        form_.tick_clock();
    }

    void mouse(Mouse action, Button button, const Spot& at) override {
        RECT rect{};
        GetWindowRect(window(at.view), &rect);
        const POINT point{rect.left + static_cast<LONG>(at.fx * (rect.right - rect.left)) + at.dx,
                          rect.top + static_cast<LONG>(at.fy * (rect.bottom - rect.top)) + at.dy};
        act(action, button, point);
    }
    // The pixel rows press thousands of pixels, each on the spectrum alone: their effects
    // are handled in shorter rounds of the message loop.
    void mouse_at(Mouse action, Button button, Pixel at) override {
        act(action, button, form_.on_screen(POINT{at.x, at.y}), 1);
    }
    void key(KeyCode key, int modifiers) override { chord(virtual_key(key), modifiers); }
    void tab(bool backward) override { chord(VK_TAB, backward ? kShift : kNoModifier); }
    void type(const std::string& text) override {
        for (const char character : text) {
            const auto key = static_cast<WORD>(std::toupper(static_cast<unsigned char>(character)));
            send({key_input(key, false), key_input(key, true)});
            settle();
        }
    }
    void wheel(const Spot& at, int notches) override {
        mouse(Mouse::Move, Button::Left, at);
        for (int i = 0; i < std::abs(notches); ++i) {
            INPUT input = mouse_input(MOUSEEVENTF_WHEEL);
            input.mi.mouseData = static_cast<DWORD>(notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA);
            send({input});
            settle();
        }
    }
    std::vector<MenuItem> context_menu(const std::string& field) override {
        g_menu.clear();
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, read_open_menu);
        mouse(Mouse::Press, Button::Right, {field});
        mouse(Mouse::Release, Button::Right, {field});
        KillTimer(nullptr, timer);
        return g_menu;
    }

    FieldState field(const std::string& view) override {
        const HWND edit = window(view);
        wchar_t text[64] = {};
        GetWindowTextW(edit, text, 64);
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return {narrow(text), static_cast<int>(end), static_cast<int>(start),
                static_cast<int>(end - start)};
    }
    int value(const std::string& scroll_bar) override {
        return GetScrollPos(window(scroll_bar), SB_CTL);
    }
    std::string focused() override {
        const HWND focus = GetFocus();
        for (const auto& [name, view] : views_) {
            if (view == focus) {
                return name;
            }
        }
        return "";
    }
    Color rgb() override { return get_rgb(*form_.control); }
    int changes() override { return form_.sink.changes; }
    Rect bounds(const std::string& view) override {
        RECT rect{};
        GetWindowRect(window(view), &rect);
        MapWindowPoints(nullptr, form_.control_window, reinterpret_cast<POINT*>(&rect), 2);
        return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    }
    Color drawn(Pixel at) override {
        if (shown_.empty()) {
            shown_ = screen_of_control();
        }
        if (at.x < 0 || at.y < 0 || at.x >= shown_.width() || at.y >= shown_.height()) {
            return -1;
        }
        return static_cast<Color>(shown_.pixel(at.x, at.y));
    }

  private:
    // A key with Ctrl and Shift held as `modifiers` says.
    void chord(WORD key, int modifiers) {
        std::vector<INPUT> inputs;
        if ((modifiers & kCtrl) != 0) {
            inputs.push_back(key_input(VK_CONTROL, false));
        }
        if ((modifiers & kShift) != 0) {
            inputs.push_back(key_input(VK_SHIFT, false));
        }
        inputs.push_back(key_input(key, false));
        inputs.push_back(key_input(key, true));
        if ((modifiers & kShift) != 0) {
            inputs.push_back(key_input(VK_SHIFT, true));
        }
        if ((modifiers & kCtrl) != 0) {
            inputs.push_back(key_input(VK_CONTROL, true));
        }
        send(inputs);
        settle();
    }

    // Handles what the input and calls so far cause: on the message loop's fiber while a
    // scroll bar's own loop holds a press.
    void settle(DWORD round = 10) {
        shown_.clear();
        if (tracking_ || g_bar_loop_waits) {
            run_message_loop();
        } else {
            form_.settle(round);
        }
    }

    // What the screen shows of the control, once the windows drew what waits to be drawn:
    // Wine hands a window's drawing to the X server on its own schedule, so the screen is
    // read when it shows what the windows drew.
    Pixels screen_of_control() {
        RedrawWindow(form_.control_window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        RECT client{};
        GetClientRect(form_.control_window, &client);
        const POINT origin = form_.on_screen(POINT{0, 0});
        Pixels painted(client.right, client.bottom);
        Pixels screen(client.right, client.bottom);
        form_.pump(5000, [&] {
            HDC windows = GetDCEx(form_.control_window, nullptr, DCX_CACHE);
            painted.copy_from(windows, POINT{0, 0});
            ReleaseDC(form_.control_window, windows);
            HDC desktop = GetDC(nullptr);
            screen.copy_from(desktop, origin);
            ReleaseDC(nullptr, desktop);
            return screen == painted;
        });
        return screen;
    }

    HWND window(const std::string& view) const {
        const auto found = views_.find(view);
        CHECK(found != views_.end());
        return found == views_.end() ? nullptr : found->second;
    }

    // A SCROLLBAR tracks a press in a modal loop of its own until the release arrives:
    // while it holds one, its loop runs on the message loop's fiber and the steps go on
    // whenever it waits for input.
    void act(Mouse action, Button button, POINT screen, DWORD settle_round = 10) {
        const bool right = button == Button::Right;
        send({pointer_to(screen)});
        switch (action) {
            case Mouse::Press:
            case Mouse::DoubleClick: {
                send({mouse_input(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN)});
                wchar_t kind[16] = {};
                GetClassNameW(WindowFromPoint(screen), kind, 16);
                tracking_ = !right && std::wstring(kind) == L"ScrollBar";
                break;
            }
            case Mouse::Release:
                send({mouse_input(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)});
                tracking_ = false;
                break;
            case Mouse::Move:
                break;
        }
        settle(settle_round);
    }

    // Runs the form's message loop on its fiber until everything is handled, or until a
    // scroll bar's own loop waits for input.
    void run_message_loop() {
        g_idle_timer = SetTimer(nullptr, 0, 0, nullptr);
        SwitchToFiber(message_loop_);
    }

    Form form_;
    void* message_loop_;  // the fiber that runs the form's message loop for a scroll bar
    HHOOK filter_;
    std::map<std::string, HWND> views_;
    bool tracking_ = false;  // a scroll bar holds a press that waits for its release
    Pixels shown_;           // the screen of the control since the last input or call
};

}  // namespace

// Runs every row (or those whose name contains argv[1]), each on a fresh form; a row the
// front end cannot do is named with its reason.
int main(int argc, char** argv) {
    CoInitialize(nullptr);
    g_steps = ConvertThreadToFiber(nullptr);
    int failed = 0;
    int ran = 0;
    for (const Scenario& scenario : scenarios()) {
        if (argc > 1 && scenario.name.find(argv[1]) == std::string::npos) {
            continue;
        }
        const int checks_before = testing::failure_count();
        Outcome outcome;
        {
            Win32Driver driver;
            outcome = run(driver, scenario);
        }
        if (!outcome.not_run.empty()) {
            std::printf("skip %s: %s\n", scenario.name.c_str(), outcome.not_run.c_str());
            continue;
        }
        ++ran;
        const std::vector<std::string> wrong = judge(outcome, scenario.name, kKnownFailing);
        for (const std::string& line : wrong) {
            std::printf("    %s\n", line.c_str());
        }
        const bool passed = wrong.empty() && testing::failure_count() == checks_before;
        const bool known = std::find(kKnownFailing.begin(), kKnownFailing.end(), scenario.name) !=
                           kKnownFailing.end();
        failed += passed ? 0 : 1;
        const char* verdict = known ? "known-failing" : "ok  ";
        std::printf("%s %s\n", passed ? verdict : "FAIL", scenario.name.c_str());
    }
    std::printf("%d passed, %d failed\n", ran - failed, failed);
    std::fflush(stdout);
    CoUninitialize();
    return failed == 0 ? 0 : 1;
}
