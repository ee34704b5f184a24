// A person's input as every front end hands it over: the one key chord table, the typed
// text filter, a wheel's notches and a text field's context menu.
#include "tintbox/input.hpp"

#include <algorithm>

namespace tintbox {
namespace {

struct KeyBinding {
    KeyCode key;
    std::int16_t held;     // the modifiers that must be held
    std::int16_t ignored;  // the modifiers that may be held or not; no others may be
    Key command;
};

constexpr std::int16_t kShiftOrCtrl = kShiftKey | kCtrlKey;

// Ctrl with an arrow, Home, End, Backspace or Delete moves or deletes by words
// elsewhere; a colour field has no words, so there it does what the key alone does.
constexpr KeyBinding kBindings[] = {
    {letter_key('Z'), kCtrlKey, 0, Key::CtrlZ},
    {letter_key('Z'), kCtrlKey | kShiftKey, 0, Key::CtrlShiftZ},
    {letter_key('Y'), kCtrlKey, 0, Key::CtrlShiftZ},
    {letter_key('C'), kCtrlKey, 0, Key::CtrlC},
    {KeyCode::Insert, kCtrlKey, 0, Key::CtrlC},
    {letter_key('X'), kCtrlKey, 0, Key::CtrlX},
    {KeyCode::Delete, kShiftKey, kCtrlKey, Key::CtrlX},
    {letter_key('V'), kCtrlKey, 0, Key::CtrlV},
    {KeyCode::Insert, kShiftKey, kCtrlKey, Key::CtrlV},
    {letter_key('A'), kCtrlKey, 0, Key::CtrlA},
    {KeyCode::Delete, 0, kCtrlKey, Key::Delete},
    {KeyCode::Backspace, 0, kShiftOrCtrl, Key::Backspace},
    {KeyCode::Left, 0, kCtrlKey, Key::Left},
    {KeyCode::Left, kShiftKey, kCtrlKey, Key::ShiftLeft},
    {KeyCode::Right, 0, kCtrlKey, Key::Right},
    {KeyCode::Right, kShiftKey, kCtrlKey, Key::ShiftRight},
    {KeyCode::Home, 0, kCtrlKey, Key::Home},
    {KeyCode::Home, kShiftKey, kCtrlKey, Key::ShiftHome},
    {KeyCode::End, 0, kCtrlKey, Key::End},
    {KeyCode::End, kShiftKey, kCtrlKey, Key::ShiftEnd},
    {KeyCode::PageUp, 0, kShiftOrCtrl, Key::PageUp},
    {KeyCode::PageDown, 0, kShiftOrCtrl, Key::PageDown},
    {KeyCode::Up, 0, kShiftOrCtrl, Key::Up},
    {KeyCode::Down, 0, kShiftOrCtrl, Key::Down},
    {KeyCode::Escape, 0, kShiftOrCtrl, Key::Escape},
};

}  // namespace

std::optional<Key> key_command(KeyChord chord) noexcept {
    for (const KeyBinding& binding : kBindings) {
        if (binding.key == chord.key && (chord.modifiers & ~binding.ignored) == binding.held) {
            return binding.command;
        }
    }
    return std::nullopt;
}

bool is_typed_text(std::u16string_view text, std::int16_t modifiers) noexcept {
    const bool command = (modifiers & (kCtrlKey | kMetaKey)) != 0 && (modifiers & kAltKey) == 0;
    return !command && !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x20 && c != 0x7F; });
}

int WheelNotches::turn(int delta) noexcept {
    if ((delta > 0) != (part_ > 0)) {
        part_ = 0;
    }
    part_ += delta;
    const int notches = part_ / per_notch_;
    part_ -= notches * per_notch_;
    return notches;
}

std::array<EditMenuItem, 7> edit_menu(const TextField& field) {
    const bool editable = field.Enabled() && field.surface().Enabled();
    const bool selected = editable && field.SelLength() > 0;
    const bool copyable = editable && field.can_copy();  // the parking fields keep their text
    return {{
        {EditCommand::Undo, editable && field.can_undo(), Key::CtrlZ, false},
        {EditCommand::Redo, editable && field.can_redo(), Key::CtrlShiftZ, false},
        {EditCommand::Cut, copyable, Key::CtrlX, true},
        {EditCommand::Copy, copyable, Key::CtrlC, false},
        {EditCommand::Paste, editable && !field.surface().clipboard().text().empty(), Key::CtrlV,
         false},
        {EditCommand::Delete, selected, Key::Delete, false},
        {EditCommand::SelectAll, editable && !field.Text().empty(), Key::CtrlA, true},
    }};
}

}  // namespace tintbox
