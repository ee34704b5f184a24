// The Tintbox colour-picker control: one object that owns its views and whose
// procedures are its methods. This header is what a host needs: the colour methods,
// the properties, the events, the property bag and the surface through which a
// person's input reaches the control (declared in tintbox/views.hpp).
//
// Naming: members named as on the control's form (GetRGB, SetRed, UserControl,
// txtRed_Change) keep the form's names and spelling; everything this library adds
// (set_change_handler, changes_raised) is snake_case.
//
// Errors: public methods throw tintbox::Error to their caller. Errors of event handlers
// go to the error sink (set_error_sink); they never escape into the caller of an input
// function.
//
// The handlers are defined in the folders of their subsystems: control/ (composition,
// start-up, layout, properties), color/ (colour synchronisation, public colour
// methods, web-hex display), editors/ (scroll bars and text fields), picking/ (spectrum
// and eyedropper). The views and the object's own fields are private; the skin, the
// script driver and the tests reach them through src/control/tintbox_internals.hpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "tintbox/error.hpp"
#include "tintbox/picture.hpp"
#include "tintbox/platform.hpp"
#include "tintbox/property_bag.hpp"
#include "tintbox/types.hpp"

namespace tintbox {

class Surface;
class View;
class TextField;
class ScrollBar;
class PictureBox;
class Image;
class Label;
class Timer;
struct MouseEvent;

// What the control reads from the platform. A null screen is a headless one whose
// pixels all read black; null fonts are the built-in proportional metrics; a null
// clipboard is one of the control's own, in memory.
struct TintboxPlatform {
    std::shared_ptr<Screen> screen;
    std::shared_ptr<FontMetrics> fonts;
    std::shared_ptr<Clipboard> clipboard;
};

class Tintbox {
  public:
    // Creates the views with their design-time settings, then runs start-up: every view
    // shows black and Change has been raised once (before any handler could be set; use
    // set_change_handler and count from there).
    explicit Tintbox(TintboxPlatform platform = {});
    ~Tintbox();
    Tintbox(const Tintbox&) = delete;
    Tintbox& operator=(const Tintbox&) = delete;

    // ---- The host's side: the members of _Tintbox ------------------------------------
    // The colour shown by picNewColor.
    ColorValue GetRGB() const;
    // Limits `Value` to 0..16777215, shows it in picOldColor and every view; raises
    // Change once.
    void SetRGB(ColorValue Value);
    // The component shown in txtRed / txtGreen / txtBlue (0 for an empty field).
    std::int16_t GetRed() const;
    std::int16_t GetGreen() const;
    std::int16_t GetBlue() const;
    // Limits `Value` to 0..255 and shows it in the component's field; raises Change
    // twice when that changed the field's text, once otherwise. picOldColor shows the
    // whole colour afterwards.
    void SetRed(std::int16_t Value);
    void SetGreen(std::int16_t Value);
    void SetBlue(std::int16_t Value);
    // Cleans `Number` in place and converts it (see tintbox::Dec). Never fails.
    std::int32_t Dec(std::u16string& Number) const;
    // Splits a colour into its components (see tintbox::SepRGB). Never fails.
    void SepRGB(const std::int32_t& Value, std::int32_t& Red, std::int32_t& Green,
                std::int32_t& Blue) const;
    // The spectrum picture: the very object that was set, or null for none. Setting it
    // signals PropertyChanged("Picture"); it raises no Change.
    const PicturePtr& Picture() const;
    void SetPicture(PicturePtr New_Picture);
    // Enabled switches the control and its editors; it raises no Change.
    bool Enabled() const;
    void SetEnabled(bool New_Enabled);

    // ---- Host events and lifecycle ---------------------------------------------------
    void set_change_handler(std::function<void()> handler) { change_handler_ = std::move(handler); }
    // Change events raised since the control was created (start-up's one included).
    std::uint64_t changes_raised() const noexcept { return changes_raised_; }
    // Errors of event handlers (a person's input, a timer tick), with their message.
    void set_error_sink(std::function<void(const Error&)> sink);
    // PropertyChanged("Picture" or "Enabled"): the host's "form is dirty" signal.
    void set_property_changed_handler(std::function<void(const std::string&)> handler);
    // Restores Picture and Enabled from a bag (errors go to the caller). A restored
    // Enabled switches the editors as the property does, without PropertyChanged.
    void UserControl_ReadProperties(PropertyBag& PropBag);
    // Saves Picture and Enabled into a bag (defaults are not stored).
    void UserControl_WriteProperties(PropertyBag& PropBag);

    // ---- A person's input --------------------------------------------------------
    // The control's own surface: its input functions (press, release, key, type, ...)
    // are where a skin or host forwards a person's actions (see tintbox/views.hpp).
    Surface& UserControl() noexcept { return *surface_; }
    const Surface& UserControl() const noexcept { return *surface_; }

  private:
    friend struct TintboxInternals;  // the skin, the script driver and the tests

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
    void SelectAll(TextField& field);
    void FinishEditorChange(TextField& field, std::int32_t caret, bool change_is_ours);
    // picking/
    void Colors_MouseDown(const MouseEvent& event);
    void Colors_MouseMove(const MouseEvent& event);
    void Colors_MouseUp(const MouseEvent& event);
    void Colors_GestureCancelled();
    void tmrGetPixelColor_Timer();
    void pick_screen_color(ColorValue color);

    std::unique_ptr<Surface> surface_;
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

    // The constituent views, topmost first (the surface owns them).
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
