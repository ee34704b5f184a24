/// \file
/// A person's input as every front end hands it over: the key chords and what they do,
/// which text counts as typed, and the edit commands a text field's context menu offers.
/// These rules live here once; a front end only names its toolkit's keys and modifier
/// bits in this vocabulary, shows the menu, and calls Surface's input functions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "tintbox/views.hpp"

namespace tintbox {

/// A key, whatever toolkit reported it: a letter key by its upper-case ASCII code
/// ('A'..'Z', see letter_key), the other keys the control uses by these codes. Keys
/// that no chord uses (Tab, Return, F1, ...) have no code here; a front end handles Tab
/// itself, through Surface::tab_leaves.
enum class KeyCode : std::int32_t {
    None = 0,
    Backspace = 0x100,
    Delete,
    Insert,
    Left,
    Right,
    Up,
    Down,
    Home,
    End,
    PageUp,
    PageDown,
    Escape,
};

/// The key of an upper-case ASCII letter 'A'..'Z'.
constexpr KeyCode letter_key(char upper_case_letter) noexcept {
    return static_cast<KeyCode>(upper_case_letter);
}

/// A front end's key in this vocabulary: its toolkit numbers the letter keys by their
/// upper-case ASCII codes (Qt, Win32 and the windowless interface all do), and names the
/// other keys in `table`; None for a key that no chord uses.
template <class ToolkitKey, std::size_t N>
constexpr KeyCode neutral_key(ToolkitKey key,
                              const std::pair<ToolkitKey, KeyCode> (&table)[N]) noexcept {
    if (key >= ToolkitKey{'A'} && key <= ToolkitKey{'Z'}) {
        return letter_key(static_cast<char>(key));
    }
    for (const auto& [toolkit, neutral] : table) {
        if (toolkit == key) {
            return neutral;
        }
    }
    return KeyCode::None;
}

/// Modifier keys held with a key, as a bit mask. Shift, Ctrl and Alt have the bits that
/// the mouse events carry; Meta is the Super or Windows key (Control on a Mac keyboard).
enum KeyModifier : std::int16_t {
    kShiftKey = 1,
    kCtrlKey = 2,
    kAltKey = 4,
    kMetaKey = 8,
};

/// A key with the modifier keys held with it.
struct KeyChord {
    KeyCode key = KeyCode::None;  ///< the key pressed
    std::int16_t modifiers = 0;   ///< KeyModifier bits
};

/// The view layer's command for a chord (give it to Surface::key), by the desktop's
/// conventions: Ctrl+Z undoes; Ctrl+Y and Ctrl+Shift+Z redo; Ctrl+C and Ctrl+Insert
/// copy; Ctrl+X and Shift+Delete cut; Ctrl+V and Shift+Insert (Ctrl+Shift+Insert too)
/// paste; Ctrl+A selects all; the arrows, Home and End move the caret and extend the
/// selection with Shift (Ctrl, which moves by words elsewhere, changes nothing in a
/// colour field); Backspace, Delete, PageUp, PageDown, Up, Down and Escape are
/// themselves. Nothing for every other chord, and for every chord with Alt or Meta held:
/// those are the host's (menus, AltGr typing), and the front end passes them on.
std::optional<Key> key_command(KeyChord chord) noexcept;

/// Whether `text` that a key press or an input method produced is typing for a text
/// field (Surface::type): it is not empty, holds no control character, and was not
/// produced with Ctrl or Meta held without Alt (a command's chord, not typing; Ctrl with
/// Alt is AltGr, which types).
bool is_typed_text(std::u16string_view text, std::int16_t modifiers = 0) noexcept;

/// A wheel's turn in whole notches, for Surface::wheel. A fine wheel or a touchpad
/// reports parts of a notch, which add up to whole ones; a turn the other way forgets
/// the part.
class WheelNotches {
  public:
    /// `per_notch`: the toolkit's amount for one notch (120 for Qt's eighths of a degree
    /// and for Windows' WHEEL_DELTA).
    explicit WheelNotches(int per_notch) noexcept : per_notch_(per_notch) {}
    /// The whole notches that `delta` (in the toolkit's amount, positive away from the
    /// person) completes, with the sign of `delta`; 0 while a part is still short.
    int turn(int delta) noexcept;

  private:
    int per_notch_;
    int part_ = 0;  // the turn towards the next notch
};

/// The edit commands of a text field's context menu, in menu order.
enum class EditCommand { Undo, Redo, Cut, Copy, Paste, Delete, SelectAll };

/// One item of a text field's context menu.
struct EditMenuItem {
    EditCommand label;  ///< the item; the front end shows it in its own words
    bool enabled;       ///< whether choosing it would do something
    Key command;        ///< what choosing it does: Surface::key(command) on this field
    bool group_start;   ///< a separator goes before it
};

/// The context menu of `field`: every edit command, enabled when it would do something
/// (Undo and Redo with a step to take, Cut, Copy and Delete with a selection, Paste with
/// text on the clipboard, Select All with text), and none enabled while the field or
/// the surface is switched off.
std::array<EditMenuItem, 7> edit_menu(const TextField& field);

}  // namespace tintbox
