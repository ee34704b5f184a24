// The control's insides, for the code that is part of Tintbox but not of the control
// object: the skins, the script driver, the tests and the benchmarks. Not installed:
// hosts use tintbox/tintbox.hpp.
#pragma once

#include <string>

#include "../base/headless_platform.hpp"
#include "tintbox/conversions.hpp"
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

// The two pointer shapes that the spectrum shows: A (a cross with an open centre) and
// B (A with four corner brackets), 32 x 32 with the hot spot at (15, 15).
PointerShapePtr pointer_shape_a();
PointerShapePtr pointer_shape_b();

// A view of one control's insides: its views by their form names and its own fields.
struct TintboxInternals {
    explicit TintboxInternals(Tintbox& control)
        : control(control),
          tmrGetPixelColor(control.tmrGetPixelColor),
          txtHidden2(control.txtHidden2),
          txtHidden(control.txtHidden),
          picNewColor(control.picNewColor),
          picOldColor(control.picOldColor),
          hsRed(control.hsRed),
          hsGreen(control.hsGreen),
          hsBlue(control.hsBlue),
          picRed(control.picRed),
          picGreen(control.picGreen),
          picBlue(control.picBlue),
          txtWebHexRed(control.txtWebHexRed),
          txtWebHexGreen(control.txtWebHexGreen),
          txtWebHexBlue(control.txtWebHexBlue),
          picMinWidth(control.picMinWidth),
          txtRed(control.txtRed),
          Picture4(control.Picture4),
          Picture3(control.Picture3),
          txtGreen(control.txtGreen),
          txtBlue(control.txtBlue),
          txtDec(control.txtDec),
          txtHex(control.txtHex),
          txtWebHex(control.txtWebHex),
          Picture7(control.Picture7),
          Picture10(control.Picture10),
          Picture14(control.Picture14),
          Picture12(control.Picture12),
          Picture11(control.Picture11),
          Picture8(control.Picture8),
          Picture5(control.Picture5),
          CornerFrame(control.CornerFrame),
          Picture6(control.Picture6),
          Picture9(control.Picture9),
          ColorFrame(control.ColorFrame),
          Colors(control.Colors),
          Frame(control.Frame),
          lblWebHexRed(control.lblWebHexRed),
          lblWebHexGreen(control.lblWebHexGreen),
          lblWebHexBlue(control.lblWebHexBlue) {}

    const std::string& ChangeSource() const noexcept { return control.ChangeSource_; }
    ColorValue CurrentColor() const noexcept { return control.CurrentColor_; }
    bool SpectrumPressed() const noexcept { return control.SpectrumPressed_; }
    bool ClickedRed() const noexcept { return control.ClickedRed_; }
    bool ClickedGreen() const noexcept { return control.ClickedGreen_; }
    bool ClickedBlue() const noexcept { return control.ClickedBlue_; }
    bool ClickedDec() const noexcept { return control.ClickedDec_; }
    bool ClickedHex() const noexcept { return control.ClickedHex_; }
    bool ClickedWebHex() const noexcept { return control.ClickedWebHex_; }
    // Null when the control reads a real screen.
    FakeScreen* fake_screen() const noexcept {
        return dynamic_cast<FakeScreen*>(&control.UserControl().screen());
    }

    // White-box calls for tests and benchmarks that watch the procedures' order.
    void UpdateColor(const std::string& tag, ColorValue& color) {
        control.ChangeSource_ = tag;
        control.UpdateColor(color);
    }
    void set_change_source(const std::string& tag) { control.ChangeSource_ = tag; }
    // A screen colour that the desktop's picker chose: one eyedropper tick's worth.
    void pick_screen_color(ColorValue color) { control.pick_screen_color(color); }

    Tintbox& control;
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
