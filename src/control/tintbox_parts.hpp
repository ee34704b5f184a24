// The control object's private parts: its views, its own fields and its handlers. The
// handlers are defined in the folders of their subsystems: control/ (composition,
// start-up, layout, properties), color/ (colour synchronisation, public colour methods,
// web-hex display), editors/ (scroll bars and text fields), picking/ (spectrum and
// eyedropper). Tintbox's public members forward here. Not installed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tintbox/tintbox.hpp"
#include "tintbox/views.hpp"

namespace tintbox {

// The surface that owns the views: a base, so that it exists before they are added.
struct ControlSurface {
    explicit ControlSurface(TintboxPlatform platform);
    std::unique_ptr<Surface> surface_;
};

// The constituent views by their form names, topmost first (the surface owns them).
struct ControlViews {
    // Adds the views to `surface`, in this order.
    explicit ControlViews(Surface& surface);

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

class Tintbox::Parts : public ControlSurface, public ControlViews {
  public:
    explicit Parts(TintboxPlatform platform);

    // The members of _Tintbox (see tintbox/tintbox.hpp).
    ColorValue GetRGB() const;
    void SetRGB(ColorValue Value);
    std::int16_t GetRed() const;
    std::int16_t GetGreen() const;
    std::int16_t GetBlue() const;
    void SetRed(std::int16_t Value);
    void SetGreen(std::int16_t Value);
    void SetBlue(std::int16_t Value);
    std::int32_t Dec(std::u16string& Number) const;
    void SepRGB(const std::int32_t& Value, std::int32_t& Red, std::int32_t& Green,
                std::int32_t& Blue) const;
    const PicturePtr& Picture() const;
    void SetPicture(PicturePtr New_Picture);
    bool Enabled() const;
    void SetEnabled(bool New_Enabled);
    void UserControl_ReadProperties(PropertyBag& PropBag);
    void UserControl_WriteProperties(PropertyBag& PropBag);

    void compose_views();
    void connect_handlers();

    // control/
    void UserControl_Initialize();
    void UserControl_Resize();
    void switch_editors(bool enabled);  // the views that Enabled switches with the surface
    // color/
    void UpdateColor(ColorValue& Color);
    void ShowComponents(const ColorValue& Color);
    void ShowWebHex(const ColorValue& Color);
    void RaiseChange();
    void SetComponent(TextField& field, const char* tag, std::int16_t Value);
    std::int16_t ComponentOf(const TextField& field) const;
    ColorValue ColorOfComponentFields() const;
    // editors/
    void hsComponent_Change(ScrollBar& bar, TextField& field, const char* field_tag);
    void txtComponent_Change(TextField& field, ScrollBar& bar, const char* field_tag,
                             const char* bar_tag);
    void TextEditor_GotFocus(TextField& field, const char* tag, bool clicked);
    void txtComponent_LostFocus(TextField& field, bool& clicked);
    void txtDec_Change();
    void txtHex_Change();
    void txtDec_LostFocus();
    void txtHex_LostFocus();
    void txtWebHex_Change();
    void txtWebHex_GotFocus();
    void txtWebHex_LostFocus();
    void txtWebHexPair_MouseMove(TextField& hovered);
    static std::u16string ColorNumberPaste(std::u16string_view pasted);
    static std::optional<std::u16string> HexNotationPaste(std::u16string_view pasted);
    static std::optional<std::u16string> WebHexNotationPaste(std::u16string_view pasted);
    void SelectAll(TextField& field);
    void FinishEditorChange(TextField& field, std::int32_t caret, bool change_is_ours);
    // picking/
    void Colors_MouseDown(const MouseEvent& event);
    void Colors_MouseMove(const MouseEvent& event);
    void Colors_MouseUp(const MouseEvent& event);
    void Colors_GestureCancelled();
    void tmrGetPixelColor_Timer();
    void pick_screen_color(ColorValue color);

    std::function<void()> change_handler_;
    std::uint64_t changes_raised_ = 0;

    // Object state.
    std::string ChangeSource_;
    ColorValue CurrentColor_ = 0;
    bool SpectrumPressed_ = false;
    ColorValue ColorBeforePick_ = 0;  // put back when Escape cancels a pick
    bool ClickedRed_ = false;
    bool ClickedGreen_ = false;
    bool ClickedBlue_ = false;
    bool ClickedDec_ = false;
    bool ClickedHex_ = false;
    bool ClickedWebHex_ = false;
};

}  // namespace tintbox
