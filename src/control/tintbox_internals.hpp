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
struct TintboxInternals {
    explicit TintboxInternals(Tintbox& control)
        : control(control),
          parts(*control.parts_),
          tmrGetPixelColor(parts.tmrGetPixelColor),
          txtHidden2(parts.txtHidden2),
          txtHidden(parts.txtHidden),
          picNewColor(parts.picNewColor),
          picOldColor(parts.picOldColor),
          hsRed(parts.hsRed),
          hsGreen(parts.hsGreen),
          hsBlue(parts.hsBlue),
          picRed(parts.picRed),
          picGreen(parts.picGreen),
          picBlue(parts.picBlue),
          txtWebHexRed(parts.txtWebHexRed),
          txtWebHexGreen(parts.txtWebHexGreen),
          txtWebHexBlue(parts.txtWebHexBlue),
          picMinWidth(parts.picMinWidth),
          txtRed(parts.txtRed),
          Picture4(parts.Picture4),
          Picture3(parts.Picture3),
          txtGreen(parts.txtGreen),
          txtBlue(parts.txtBlue),
          txtDec(parts.txtDec),
          txtHex(parts.txtHex),
          txtWebHex(parts.txtWebHex),
          Picture7(parts.Picture7),
          Picture10(parts.Picture10),
          Picture14(parts.Picture14),
          Picture12(parts.Picture12),
          Picture11(parts.Picture11),
          Picture8(parts.Picture8),
          Picture5(parts.Picture5),
          CornerFrame(parts.CornerFrame),
          Picture6(parts.Picture6),
          Picture9(parts.Picture9),
          ColorFrame(parts.ColorFrame),
          Colors(parts.Colors),
          Frame(parts.Frame),
          lblWebHexRed(parts.lblWebHexRed),
          lblWebHexGreen(parts.lblWebHexGreen),
          lblWebHexBlue(parts.lblWebHexBlue) {}

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
    // The constituent views, topmost first.
    Timer& tmrGetPixelColor;
    TextField& txtHidden2;
    TextField& txtHidden;
    PictureBox& picNewColor;
    PictureBox& picOldColor;
    ScrollBar& hsRed;
    ScrollBar& hsGreen;
    ScrollBar& hsBlue;
    PictureBox& picRed;
    PictureBox& picGreen;
    PictureBox& picBlue;
    TextField& txtWebHexRed;
    TextField& txtWebHexGreen;
    TextField& txtWebHexBlue;
    PictureBox& picMinWidth;
    TextField& txtRed;
    PictureBox& Picture4;
    PictureBox& Picture3;
    TextField& txtGreen;
    TextField& txtBlue;
    TextField& txtDec;
    TextField& txtHex;
    TextField& txtWebHex;
    PictureBox& Picture7;
    PictureBox& Picture10;
    PictureBox& Picture14;
    PictureBox& Picture12;
    PictureBox& Picture11;
    PictureBox& Picture8;
    PictureBox& Picture5;
    PictureBox& CornerFrame;
    PictureBox& Picture6;
    PictureBox& Picture9;
    PictureBox& ColorFrame;
    Image& Colors;
    PictureBox& Frame;
    Label& lblWebHexRed;
    Label& lblWebHexGreen;
    Label& lblWebHexBlue;
};

}  // namespace tintbox
