// Windowless drawing against the Qt widget's own grab, in one process at the same size:
//   Draw of the whole control                 vs  QWidget::grab of TintboxWidget
//   SetRGB and the Draw of what it invalidated vs  QWidget::grab (and SetRGB alone)
// Prints each median and the ratios. Not run by ctest: timings belong to a quiet machine.
//
//   QT_QPA_PLATFORM=offscreen tintbox_windowless_bench
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "median_reporter.hpp"
#include "tintbox/qt/tintbox_widget.hpp"
#include "tintbox/tintbox_windowless.h"

using tintbox::bench::MedianReporter;
using tintbox::bench::print_ratio;
using tintbox::bench::register_for_medians;

namespace {

TintboxClassFactory* factory = nullptr;

struct Host {
    std::vector<TintboxRect> invalid;
    static void invalidate(void* context, const TintboxRect* area) {
        static_cast<Host*>(context)->invalid.push_back(*area);
    }
    static void set_pointer(void*, int32_t) {}
    static void request_focus(void*) {}
    static const char* get_clipboard(void*) { return ""; }
    static void set_clipboard(void*, const char*, size_t) {}
};

struct Control {
    Control() {
        factory->vtbl->CreateInstance(factory, &TINTBOX_IID_Windowless,
                                      reinterpret_cast<TintboxControl**>(&windowless));
        TintboxSite site{};
        site.size = sizeof site;
        site.context = &host;
        site.invalidate = Host::invalidate;
        site.set_pointer = Host::set_pointer;
        site.request_focus = Host::request_focus;
        site.get_clipboard_text = Host::get_clipboard;
        site.set_clipboard_text = Host::set_clipboard;
        windowless->vtbl->SetSite(windowless, &site);
        windowless->vtbl->GetExtent(windowless, &width, &height);
        pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        windowless->vtbl->GetDispatch(windowless, &dispatch);
    }
    ~Control() {
        dispatch->vtbl->Release(dispatch);
        windowless->vtbl->SetSite(windowless, nullptr);
        windowless->vtbl->Release(windowless);
    }
    void draw(const TintboxRect* area) {
        windowless->vtbl->Draw(windowless, pixels.data(), width, height, width * 4, area);
    }
    void set_rgb(int32_t rgb) {
        TintboxVariant value{};
        value.type = TINTBOX_VT_I4;
        value.value.i4 = rgb;
        dispatch->vtbl->Invoke(dispatch, TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD, &value, 1,
                               nullptr);
    }
    Host host;
    TintboxWindowless* windowless = nullptr;
    TintboxControl* dispatch = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

void Windowless_Draw_Full(benchmark::State& state) {
    Control control;
    for (auto _ : state) {
        control.draw(nullptr);
    }
    benchmark::DoNotOptimize(control.pixels.data());
}

// The host's whole redraw after a colour change: the call, then Draw of each rectangle
// the site was told.
void Windowless_SetRGB_Redraw(benchmark::State& state) {
    Control control;
    control.draw(nullptr);
    const int32_t colors[] = {0x123456, 0x654321};
    int i = 0;
    std::size_t rectangles = 0;
    for (auto _ : state) {
        control.host.invalid.clear();
        control.set_rgb(colors[++i & 1]);
        for (const TintboxRect& area : control.host.invalid) {
            control.draw(&area);
        }
        rectangles = control.host.invalid.size();
    }
    state.counters["rectangles"] = static_cast<double>(rectangles);
}

// The call alone: the control's work and the skin's mirroring, nothing drawn.
void Windowless_SetRGB(benchmark::State& state) {
    Control control;
    const int32_t colors[] = {0x123456, 0x654321};
    int i = 0;
    for (auto _ : state) {
        control.host.invalid.clear();
        control.set_rgb(colors[++i & 1]);
    }
}

void TintboxWidget_grab(benchmark::State& state) {
    tintbox::TintboxWidget picker;
    Control sized;  // the same size as the windowless control
    picker.resize(sized.width, sized.height);
    for (auto _ : state) {
        benchmark::DoNotOptimize(picker.grab());
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // shared by the windowless control, as in a Qt host
    void* library = dlopen(TINTBOX_SHELL_PATH, RTLD_NOW | RTLD_LOCAL);
    void* symbol = library != nullptr ? dlsym(library, "DllGetClassObject") : nullptr;
    TintboxDllGetClassObjectFn get_class_object = nullptr;
    std::memcpy(&get_class_object, &symbol, sizeof symbol);
    if (get_class_object == nullptr ||
        get_class_object(&TINTBOX_CLSID_Tintbox, &TINTBOX_IID_ClassFactory,
                         reinterpret_cast<void**>(&factory)) != TINTBOX_OK) {
        std::fprintf(stderr, "cannot load %s\n", TINTBOX_SHELL_PATH);
        return 1;
    }
    tintbox::bench::initialize_interleaved(&argc, argv);
    for (const auto& [name, function] :
         {std::pair{"Windowless_Draw_Full", Windowless_Draw_Full},
          std::pair{"Windowless_SetRGB", Windowless_SetRGB},
          std::pair{"Windowless_SetRGB_Redraw", Windowless_SetRGB_Redraw},
          std::pair{"TintboxWidget_grab", TintboxWidget_grab}}) {
        register_for_medians(name, function);
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    print_ratio(reporter, "Windowless_Draw_Full", "TintboxWidget_grab");
    print_ratio(reporter, "Windowless_SetRGB_Redraw", "TintboxWidget_grab");
    benchmark::Shutdown();
    factory->vtbl->Release(factory);
    return 0;
}
