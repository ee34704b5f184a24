// A minimal windowless host for the benchmarks: loads the shell, makes one windowless
// instance with a site that collects the rectangles to draw again and the timer's
// interval (and, if the host wants, reads the screen for the eyedropper), and draws into a
// buffer of the control's size.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "tintbox/tintbox_windowless.h"

namespace tintbox::bench {

// The shell's class factory, or null when the library cannot be loaded. Loaded once.
inline TintboxClassFactory* windowless_factory(const char* shell_path) {
    static TintboxClassFactory* factory = [shell_path]() -> TintboxClassFactory* {
        void* library = dlopen(shell_path, RTLD_NOW | RTLD_LOCAL);
        void* symbol = library != nullptr ? dlsym(library, "DllGetClassObject") : nullptr;
        TintboxDllGetClassObjectFn get_class_object = nullptr;
        std::memcpy(&get_class_object, &symbol, sizeof symbol);
        TintboxClassFactory* made = nullptr;
        if (get_class_object == nullptr ||
            get_class_object(&TINTBOX_CLSID_Tintbox, &TINTBOX_IID_ClassFactory,
                             reinterpret_cast<void**>(&made)) != TINTBOX_OK) {
            return nullptr;
        }
        return made;
    }();
    return factory;
}

// A host that reads the screen itself: the pointer's position and one pixel (0x00RRGGBB)
// there, each false when it cannot.
struct HostScreen {
    std::function<bool(int32_t& x, int32_t& y)> pointer;
    std::function<bool(int32_t x, int32_t y, uint32_t& rgb)> pixel;
};

struct WindowlessSite {
    std::vector<TintboxRect> invalid;
    int32_t timer_interval = 0;  // what start_timer asked for; 0 when stopped
    HostScreen screen;
    static void invalidate(void* context, const TintboxRect* area) {
        static_cast<WindowlessSite*>(context)->invalid.push_back(*area);
    }
    static void start_timer(void* context, int32_t interval_ms) {
        static_cast<WindowlessSite*>(context)->timer_interval = interval_ms;
    }
    static void stop_timer(void* context) {
        static_cast<WindowlessSite*>(context)->timer_interval = 0;
    }
    static int32_t pointer_position(void* context, int32_t* x, int32_t* y) {
        return static_cast<WindowlessSite*>(context)->screen.pointer(*x, *y) ? 1 : 0;
    }
    static int32_t screen_pixel(void* context, int32_t x, int32_t y, uint32_t* rgb) {
        return static_cast<WindowlessSite*>(context)->screen.pixel(x, y, *rgb) ? 1 : 0;
    }
    static void set_pointer(void*, int32_t) {}
    static void request_focus(void*) {}
    static const char* get_clipboard(void*) { return ""; }
    static void set_clipboard(void*, const char*, size_t) {}
};

class WindowlessInstance {
  public:
    // Without `screen` the control reads the screen itself, as the Qt widget does.
    explicit WindowlessInstance(TintboxClassFactory* factory, HostScreen screen = {}) {
        factory->vtbl->CreateInstance(factory, &TINTBOX_IID_Windowless,
                                      reinterpret_cast<TintboxControl**>(&windowless_));
        site_.screen = std::move(screen);
        TintboxSite site{};
        site.size = sizeof site;
        site.context = &site_;
        site.invalidate = WindowlessSite::invalidate;
        site.start_timer = WindowlessSite::start_timer;
        site.stop_timer = WindowlessSite::stop_timer;
        if (site_.screen.pointer && site_.screen.pixel) {
            site.get_pointer_position = WindowlessSite::pointer_position;
            site.read_screen_pixel = WindowlessSite::screen_pixel;
        }
        site.set_pointer = WindowlessSite::set_pointer;
        site.request_focus = WindowlessSite::request_focus;
        site.get_clipboard_text = WindowlessSite::get_clipboard;
        site.set_clipboard_text = WindowlessSite::set_clipboard;
        windowless_->vtbl->SetSite(windowless_, &site);
        windowless_->vtbl->GetExtent(windowless_, &width, &height);
        pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        windowless_->vtbl->GetDispatch(windowless_, &dispatch_);
    }
    ~WindowlessInstance() {
        dispatch_->vtbl->Release(dispatch_);
        windowless_->vtbl->SetSite(windowless_, nullptr);
        windowless_->vtbl->Release(windowless_);
    }
    WindowlessInstance(const WindowlessInstance&) = delete;
    WindowlessInstance& operator=(const WindowlessInstance&) = delete;

    // Null: the whole control.
    void draw(const TintboxRect* area) {
        windowless_->vtbl->Draw(windowless_, pixels.data(), width, height, width * 4, area);
    }
    void set_rgb(int32_t rgb) {
        TintboxVariant value{};
        value.type = TINTBOX_VT_I4;
        value.value.i4 = rgb;
        dispatch_->vtbl->Invoke(dispatch_, TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD, &value, 1,
                                nullptr);
    }
    // The host's whole redraw after a colour change: the call, then Draw of each
    // rectangle the site was told. Returns how many there were.
    std::size_t set_rgb_and_redraw(int32_t rgb) {
        site_.invalid.clear();
        set_rgb(rgb);
        for (const TintboxRect& area : site_.invalid) {
            draw(&area);
        }
        return site_.invalid.size();
    }
    void forget_invalid() { site_.invalid.clear(); }
    // The host's frame: Draw of each rectangle the site was told since the last one.
    void draw_invalid() {
        for (const TintboxRect& area : site_.invalid) {
            draw(&area);
        }
        site_.invalid.clear();
    }
    // A person's input, as the host's window received it.
    void input(const TintboxInputEvent& event) {
        windowless_->vtbl->Input(windowless_, &event, nullptr);
    }
    // The site's timer fired, `elapsed_ms` after the last time.
    void tick(int32_t elapsed_ms) { windowless_->vtbl->Tick(windowless_, elapsed_ms); }
    // The interval the control asked the site's timer for; 0 while none runs.
    int32_t timer_interval() const { return site_.timer_interval; }

    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

  private:
    WindowlessSite site_;
    TintboxWindowless* windowless_ = nullptr;
    TintboxControl* dispatch_ = nullptr;
};

}  // namespace tintbox::bench
