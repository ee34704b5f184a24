// What a person-level scenario needs from a front end: a person's input on the real
// widgets, windows or input door of that front end, and what a person sees back. One
// driver per front end implements it; the scenarios (contract_scenarios.hpp) run
// unchanged against every driver. Standard library and the kit's key codes only, C++17,
// so that the Win32 side builds it with mingw-w64 too.
//
// Positions: a Spot is a point of a named view, as a fraction of its size plus an offset
// in the control's logical pixels; a Pixel is a device pixel of the control, (0, 0) at
// its top-left corner. Colours are ColorValues, 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tintbox/input.hpp"

namespace tintbox::contract {

using Color = std::int32_t;
// Keys are the kit's own codes (letter_key for a letter), here for the drivers too.
using tintbox::KeyCode;
using tintbox::letter_key;

// What a front end may be unable to do. A scenario that needs a capability the driver
// lacks is reported as not run, never as passed.
enum class Capability {
    DeviceRatio,  // set_ratio: the front end draws at a chosen device-pixel ratio
    FakeScreen,   // set_screen_color and tick: the eyedropper reads a screen the test sets
    ContextMenu,  // context_menu: fields have a context menu a person can open
    // Reads between the press on a scroll bar's thumb and its release (where the toolkit's
    // bar tracks the thumb in a modal loop of its own, as a Win32 SCROLLBAR does, the
    // driver must step out of that loop to read).
    ReadDuringThumbDrag,
};

enum class Mouse { Press, Move, Release, DoubleClick };
enum class Button { Left, Right };
// The kit's own modifier bits, as the drivers pass them on.
enum Modifier : int { kNoModifier = 0, kShift = kShiftKey, kCtrl = kCtrlKey };

struct Spot {
    std::string view;
    double fx = 0.5;  // 0 the left edge, 1 the right edge
    double fy = 0.5;
    int dx = 0;  // logical pixels added after the fraction
    int dy = 0;
};

struct Pixel {
    int x = 0;
    int y = 0;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A text field as a person sees it: its text, where the caret is, what is selected.
struct FieldState {
    std::string text;
    int caret = 0;
    int selection_start = 0;
    int selection_length = 0;
};

struct MenuItem {
    std::string label;  // without mnemonic marks: "Undo", "Select All"
    bool enabled = false;
};

// A spectrum picture: width x height colours, row by row from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;
};

class Driver {
  public:
    virtual ~Driver() = default;
    virtual bool can(Capability capability) const = 0;

    // ---- The host ------------------------------------------------------------------
    virtual void set_picture(const Picture& picture) = 0;
    virtual void set_rgb(Color color) = 0;
    virtual void set_enabled(bool enabled) = 0;
    // Redraws the control at this many device pixels a logical pixel; false when this
    // front end, or this process of it, cannot draw at that ratio.  DeviceRatio
    virtual bool set_ratio(double device_pixels_per_pixel) = 0;
    // The colour of every pixel of the fake screen from now on.  FakeScreen
    virtual void set_screen_color(Color color) = 0;
    // Lets one period of the control's timer pass.  FakeScreen
    virtual void tick() = 0;

    // ---- A person ------------------------------------------------------------------
    // `button` is the one pressed or released; a move carries whatever buttons are held.
    virtual void mouse(Mouse action, Button button, const Spot& at) = 0;
    virtual void mouse_at(Mouse action, Button button, Pixel at) = 0;
    // A key chord, with the key in the kit's vocabulary (letter_key for a letter).
    virtual void key(KeyCode key, int modifiers = kNoModifier) = 0;
    // Tab, or Shift+Tab when `backward`. When the focus is outside the control, they
    // come from the host's neighbouring widget.
    virtual void tab(bool backward) = 0;
    virtual void type(const std::string& text) = 0;
    virtual void wheel(const Spot& at, int notches) = 0;  // positive: away from the person
    // Opens the field's context menu as the right button does, reads it, and closes it.
    virtual std::vector<MenuItem> context_menu(const std::string& field) = 0;

    // ---- What a person sees --------------------------------------------------------
    virtual FieldState field(const std::string& view) = 0;
    virtual int value(const std::string& scroll_bar) = 0;
    // The view with the keyboard focus, "" when the focus is outside the control.
    virtual std::string focused() = 0;
    virtual Color rgb() = 0;                           // GetRGB
    virtual int changes() = 0;                         // Change events so far
    virtual Rect bounds(const std::string& view) = 0;  // in device pixels
    virtual Color drawn(Pixel at) = 0;                 // the colour drawn there
};

}  // namespace tintbox::contract
