/// \file
/// The Tintbox colour-picker control: one object that owns its views and whose
/// procedures are its methods. This header is what a host needs: the colour methods,
/// the properties, the events, the property bag and the surface through which a
/// person's input reaches the control (declared in tintbox/views.hpp).
///
/// Naming: members named as on the control's form (GetRGB, SetRed, UserControl,
/// txtRed_Change) keep the form's names and spelling; everything this library adds
/// (set_change_handler, changes_raised) is snake_case.
///
/// Errors: public methods throw tintbox::Error to their caller. Errors of event handlers
/// go to the error sink (set_error_sink); they never escape into the caller of an input
/// function.
///
/// The handlers are defined in the folders of their subsystems: control/ (composition,
/// start-up, layout, properties), color/ (colour synchronisation, public colour
/// methods, web-hex display), editors/ (scroll bars and text fields), picking/ (spectrum
/// and eyedropper). The views, the object's own fields and the handlers are private parts
/// of the object; front ends reach what they need through tintbox/front_end.hpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tintbox/error.hpp"
#include "tintbox/picture.hpp"
#include "tintbox/platform.hpp"
#include "tintbox/property_bag.hpp"
#include "tintbox/types.hpp"

namespace tintbox {

class Surface;

/// What the control reads from the platform. A null screen is a headless one whose
/// pixels all read black; null fonts are the built-in proportional metrics; a null
/// clipboard is one of the control's own, in memory.
struct TintboxPlatform {
    std::shared_ptr<Screen> screen;        ///< pointer position and screen pixels
    std::shared_ptr<FontMetrics> fonts;    ///< text widths for the auto-sized labels
    std::shared_ptr<Clipboard> clipboard;  ///< for copy, cut and paste in the fields
};

/// The colour-picker control: its views, its logic and the members a host calls.
class Tintbox {
  public:
    /// Creates the views with their design-time settings, then runs start-up: every view
    /// shows black and Change has been raised once (before any handler could be set; use
    /// set_change_handler and count from there).
    explicit Tintbox(TintboxPlatform platform = {});
    ~Tintbox();
    Tintbox(const Tintbox&) = delete;
    Tintbox& operator=(const Tintbox&) = delete;

    // ---- The host's side: the members of _Tintbox ------------------------------------
    /// The colour shown by picNewColor.
    ColorValue GetRGB() const;
    /// Limits `Value` to 0..16777215, shows it in picOldColor and every view; raises
    /// Change once.
    void SetRGB(ColorValue Value);
    ///@{
    /// The component shown in txtRed / txtGreen / txtBlue (0 for an empty field).
    std::int16_t GetRed() const;
    std::int16_t GetGreen() const;
    std::int16_t GetBlue() const;
    ///@}
    ///@{
    /// Limits `Value` to 0..255 and shows it in the component's field; raises Change
    /// twice when that changed the field's text, once otherwise. picOldColor shows the
    /// whole colour afterwards.
    void SetRed(std::int16_t Value);
    void SetGreen(std::int16_t Value);
    void SetBlue(std::int16_t Value);
    ///@}
    /// Cleans `Number` in place and converts it (see tintbox::Dec). Never fails.
    std::int32_t Dec(std::u16string& Number) const;
    /// Splits a colour into its components (see tintbox::SepRGB). Never fails.
    void SepRGB(const std::int32_t& Value, std::int32_t& Red, std::int32_t& Green,
                std::int32_t& Blue) const;
    ///@{
    /// The spectrum picture: the very object that was set, or null for none. Setting it
    /// signals PropertyChanged("Picture"); it raises no Change.
    const PicturePtr& Picture() const;
    void SetPicture(PicturePtr New_Picture);
    ///@}
    ///@{
    /// Enabled switches the control and its editors; it raises no Change.
    bool Enabled() const;
    void SetEnabled(bool New_Enabled);
    ///@}

    // ---- Host events and lifecycle ---------------------------------------------------
    /// Change: the handler called at the end of every colour update.
    void set_change_handler(std::function<void()> handler);
    /// Change events raised since the control was created (start-up's one included).
    std::uint64_t changes_raised() const noexcept;
    /// Errors of event handlers (a person's input, a timer tick), with their message.
    void set_error_sink(std::function<void(const Error&)> sink);
    /// PropertyChanged("Picture" or "Enabled"): the host's "form is dirty" signal.
    void set_property_changed_handler(std::function<void(const std::string&)> handler);
    /// Restores Picture and Enabled from a bag (errors go to the caller). A restored
    /// Enabled switches the editors as the property does, without PropertyChanged.
    void UserControl_ReadProperties(PropertyBag& PropBag);
    /// Saves Picture and Enabled into a bag (defaults are not stored).
    void UserControl_WriteProperties(PropertyBag& PropBag);

    // ---- A person's input --------------------------------------------------------
    /// The control's own surface: its input functions (press, release, key, type, ...)
    /// are where a skin or host forwards a person's actions (see tintbox/views.hpp).
    ///@{
    Surface& UserControl() noexcept;
    const Surface& UserControl() const noexcept;
    ///@}

  private:
    /// The views, the object's own fields and the handlers (src/control/tintbox_parts.hpp).
    class Parts;
    friend struct TintboxInternals;  ///< the front ends' door, the script driver and the tests

    std::unique_ptr<Parts> parts_;
};

}  // namespace tintbox
