// Windowless drawing against the Qt widget's own grab, in one process at the same size:
//   Draw of the whole control                 vs  QWidget::grab of TintboxWidget
//   SetRGB and the Draw of what it invalidated vs  QWidget::grab (and SetRGB alone)
// Prints each median and the ratios. Not run by ctest: timings belong to a quiet machine.
//
//   QT_QPA_PLATFORM=offscreen tintbox_windowless_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "median_reporter.hpp"
#include "tintbox/qt/tintbox_widget.hpp"
#include "windowless_bench_host.hpp"

using tintbox::bench::MedianReporter;
using tintbox::bench::print_ratio;
using tintbox::bench::register_for_medians;

namespace {

TintboxClassFactory* factory = nullptr;

using Control = tintbox::bench::WindowlessInstance;

void Windowless_Draw_Full(benchmark::State& state) {
    Control control(factory);
    for (auto _ : state) {
        control.draw(nullptr);
    }
    benchmark::DoNotOptimize(control.pixels.data());
}

// The host's whole redraw after a colour change: the call, then Draw of each rectangle
// the site was told.
void Windowless_SetRGB_Redraw(benchmark::State& state) {
    Control control(factory);
    control.draw(nullptr);
    const int32_t colors[] = {0x123456, 0x654321};
    int i = 0;
    std::size_t rectangles = 0;
    for (auto _ : state) {
        rectangles = control.set_rgb_and_redraw(colors[++i & 1]);
    }
    state.counters["rectangles"] = static_cast<double>(rectangles);
}

// The call alone: the control's work and the skin's mirroring, nothing drawn.
void Windowless_SetRGB(benchmark::State& state) {
    Control control(factory);
    const int32_t colors[] = {0x123456, 0x654321};
    int i = 0;
    for (auto _ : state) {
        control.forget_invalid();
        control.set_rgb(colors[++i & 1]);
    }
}

void TintboxWidget_grab(benchmark::State& state) {
    tintbox::TintboxWidget picker;
    Control sized(factory);  // the same size as the windowless control
    picker.resize(sized.width, sized.height);
    for (auto _ : state) {
        benchmark::DoNotOptimize(picker.grab());
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // shared by the windowless control, as in a Qt host
    factory = tintbox::bench::windowless_factory(TINTBOX_SHELL_PATH);
    if (factory == nullptr) {
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
