// Benchmarks of the headless core: conversions, view writes, the colour core and the
// picking paths that run up to 1000 times a second.
#include <benchmark/benchmark.h>

#include "control/tintbox_internals.hpp"
#include "tintbox/tintbox.hpp"

namespace {

using tintbox::ColorValue;

void BM_SepRGB(benchmark::State& state) {
    std::int32_t value = 0x123456;
    for (auto _ : state) {
        std::int32_t r, g, b;
        tintbox::SepRGB(value, r, g, b);
        benchmark::DoNotOptimize(r + g + b);
        value = (value + 977) & 0xFFFFFF;
    }
}
BENCHMARK(BM_SepRGB);

void BM_HexToDec(benchmark::State& state) {
    const std::u16string text = u"1A2B3C";
    for (auto _ : state) {
        benchmark::DoNotOptimize(tintbox::HexToDec(text));
    }
}
BENCHMARK(BM_HexToDec);

void BM_Dec(benchmark::State& state) {
    for (auto _ : state) {
        std::u16string number = u"#1a2B3d";
        benchmark::DoNotOptimize(tintbox::Dec(number));
    }
}
BENCHMARK(BM_Dec);

void BM_DecimalFormAndVal(benchmark::State& state) {
    std::int32_t value = 0;
    for (auto _ : state) {
        const std::u16string text = tintbox::DecimalForm(value);
        benchmark::DoNotOptimize(tintbox::ToInt32(tintbox::Val(text)));
        value = (value + 7919) & 0xFFFFFF;
    }
}
BENCHMARK(BM_DecimalFormAndVal);

// A Text write that changes the text and runs a Change handler.
void BM_TextWriteRunsChangeHandler(benchmark::State& state) {
    tintbox::Tintbox control;
    tintbox::TintboxInternals inside(control);
    tintbox::TextField& field = inside.txtHidden;
    int changes = 0;
    field.on_change = [&] { ++changes; };
    const std::u16string texts[2] = {u"12345", u"54321"};
    int i = 0;
    for (auto _ : state) {
        field.SetText(texts[i ^= 1]);
    }
    benchmark::DoNotOptimize(changes);
}
BENCHMARK(BM_TextWriteRunsChangeHandler);

void BM_UpdateColorFromSpectrum(benchmark::State& state) {
    tintbox::Tintbox control;
    tintbox::TintboxInternals inside(control);
    ColorValue color = 0;
    for (auto _ : state) {
        ColorValue picked = color;
        inside.UpdateColor(tintbox::tags::kColorSpectrum, picked);
        color = (color + 0x010203) & 0xFFFFFF;
    }
}
BENCHMARK(BM_UpdateColorFromSpectrum);

void BM_SetRGB(benchmark::State& state) {
    tintbox::Tintbox control;
    ColorValue color = 0;
    for (auto _ : state) {
        control.SetRGB(color);
        color = (color + 0x030201) & 0xFFFFFF;
    }
}
BENCHMARK(BM_SetRGB);

// One keystroke in txtWebHex end to end: typing a digit over the last one.
void BM_WebHexKeystroke(benchmark::State& state) {
    tintbox::Tintbox control;
    tintbox::TintboxInternals inside(control);
    tintbox::Surface& surface = control.UserControl();
    surface.focus_by_keyboard(inside.txtWebHex);
    const char16_t digits[2] = {u'3', u'C'};
    int i = 0;
    for (auto _ : state) {
        surface.select(5, 1);
        surface.type(std::u16string_view(&digits[i ^= 1], 1));
    }
}
BENCHMARK(BM_WebHexKeystroke);

// The spectrum at its design size with a large picture.
std::shared_ptr<const tintbox::Picture> gradient_picture(int side) {
    std::vector<ColorValue> pixels(static_cast<std::size_t>(side) * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            pixels[static_cast<std::size_t>(y) * side + x] = (x & 255) | ((y & 255) << 8);
        }
    }
    return std::make_shared<const tintbox::Picture>(side, side, std::move(pixels));
}

void BM_DragPick(benchmark::State& state) {
    tintbox::Tintbox control;
    tintbox::TintboxInternals inside(control);
    control.SetPicture(gradient_picture(1024));
    tintbox::Surface& surface = control.UserControl();
    const float left = inside.ColorFrame.Left();
    const float top = inside.ColorFrame.Top();
    surface.press(tintbox::kLeftButton, left + 100, top + 100);
    float x = 0;
    for (auto _ : state) {
        surface.move(left + 15 + x, top + 1000);
        x = x > 2900 ? 0 : x + 15;
    }
    surface.release(tintbox::kLeftButton, left + 100, top + 100);
}
BENCHMARK(BM_DragPick);

void BM_EyedropperTick(benchmark::State& state) {
    tintbox::Tintbox control;
    tintbox::TintboxInternals inside(control);
    control.SetPicture(gradient_picture(1024));
    tintbox::FakeScreen& screen = *inside.fake_screen();
    screen.fill(0x336699);
    tintbox::Surface& surface = control.UserControl();
    surface.press(tintbox::kRightButton, inside.ColorFrame.Left() + 100, 500);
    std::int32_t x = 0;
    for (auto _ : state) {
        screen.set_cursor({x, 10});
        screen.set_pixel({x, 10}, x & 0xFFFFFF);
        surface.advance_time(10);
        x = (x + 1) % 4096;
    }
}
BENCHMARK(BM_EyedropperTick);

}  // namespace
