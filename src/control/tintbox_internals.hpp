// The control's insides, for the code that is part of Tintbox but not of the control
// object: the script driver, the tests and the benchmarks. Not installed: hosts use
// tintbox/tintbox.hpp, front ends also tintbox/front_end.hpp.
#pragma once

#include <string>

#include "base/headless_platform.hpp"
#include "control/tintbox_parts.hpp"
#include "tintbox/conversions.hpp"
#include "tintbox/front_end.hpp"
#include "tintbox/tintbox.hpp"
#include "tintbox/views.hpp"

namespace tintbox {

// Tags of ChangeSource: the door through which the current colour change entered.
namespace tags {
inline constexpr char kColorSpectrum[] = "ColorSpectrum";
inline constexpr char kTxtRed[] = "txtRed";
inline constexpr char kTxtGreen[] = "txtGreen";
inline constexpr char kTxtBlue[] = "txtBlue";
inline constexpr char kHsRed[] = "hsRed";
inline constexpr char kHsGreen[] = "hsGreen";
inline constexpr char kHsBlue[] = "hsBlue";
inline constexpr char kTxtDec[] = "txtDec";
inline constexpr char kTxtHex[] = "txtHex";
inline constexpr char kTxtWebHex[] = "txtWebHex";
}  // namespace tags

// A view of one control's insides: its views by their form names and its own fields.
struct TintboxInternals : ControlViews {
    explicit TintboxInternals(Tintbox& control)
        : ControlViews(*control.parts_), control(control), parts(*control.parts_) {}

    const std::string& ChangeSource() const noexcept { return parts.ChangeSource_; }
    ColorValue CurrentColor() const noexcept { return parts.CurrentColor_; }
    bool SpectrumPressed() const noexcept { return parts.SpectrumPressed_; }
    bool ClickedRed() const noexcept { return parts.ClickedRed_; }
    bool ClickedGreen() const noexcept { return parts.ClickedGreen_; }
    bool ClickedBlue() const noexcept { return parts.ClickedBlue_; }
    bool ClickedDec() const noexcept { return parts.ClickedDec_; }
    bool ClickedHex() const noexcept { return parts.ClickedHex_; }
    bool ClickedWebHex() const noexcept { return parts.ClickedWebHex_; }
    // Null when the control reads a real screen.
    FakeScreen* fake_screen() const noexcept {
        return dynamic_cast<FakeScreen*>(&control.UserControl().screen());
    }

    // White-box calls for tests and benchmarks that watch the procedures' order.
    void UpdateColor(const std::string& tag, ColorValue& color) {
        parts.ChangeSource_ = tag;
        parts.UpdateColor(color);
    }
    void set_change_source(const std::string& tag) { parts.ChangeSource_ = tag; }
    // A screen colour that the desktop's picker chose: one eyedropper tick's worth.
    void pick_screen_color(ColorValue color) { parts.pick_screen_color(color); }

    Tintbox& control;
    Tintbox::Parts& parts;
};

}  // namespace tintbox
