#include "random_actions.hpp"

#include <array>
#include <deque>
#include <filesystem>
#include <random>
#include <sstream>

#include "control/tintbox_internals.hpp"
#include "temp_folder.hpp"
#include "text/text.hpp"
#include "tintbox/picture.hpp"
#include "tintbox/property_bag.hpp"

namespace tintbox {
namespace {

bool only_digits(const std::u16string& text) {
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

bool only_upper_hex(const std::u16string& text) {
    for (char16_t c : text) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) {
            return false;
        }
    }
    return true;
}

// The first invariant that does not hold, or an empty text.
std::string check_invariants(const TintboxInternals& c) {
    std::ostringstream fault;
    const ColorValue color = c.CurrentColor();
    if (c.control.GetRGB() != color || c.picNewColor.BackColor() != color) {
        fault << "GetRGB " << c.control.GetRGB() << " != CurrentColor " << color;
    } else if (c.picRed.BackColor() != (color & 0xFF) ||
               c.picGreen.BackColor() != (color & 0xFF00) ||
               c.picBlue.BackColor() != (color & 0xFF0000)) {
        fault << "a strip does not show its component of " << color;
    } else if (c.txtWebHexRed.ForeColor() != (color & 0xFF) ||
               c.txtWebHexGreen.ForeColor() != (color & 0xFF00) ||
               c.txtWebHexBlue.ForeColor() != (color & 0xFF0000)) {
        fault << "a pair field's colour is not its component of " << color;
    }
    const std::pair<const TextField*, const ScrollBar*> components[] = {
        {&c.txtRed, &c.hsRed}, {&c.txtGreen, &c.hsGreen}, {&c.txtBlue, &c.hsBlue}};
    for (auto [field, bar] : components) {
        if (!only_digits(field->Text()) || Val(field->Text()) > 255) {
            fault << field->name() << " holds " << text::utf8_from_utf16_lenient(field->Text());
        } else if (bar->Value() != static_cast<std::int16_t>(Val(field->Text()))) {
            fault << bar->name() << " at " << bar->Value() << " but " << field->name() << " holds "
                  << text::utf8_from_utf16_lenient(field->Text());
        }
    }
    if (!only_digits(c.txtDec.Text()) || Val(c.txtDec.Text()) > 16777215) {
        fault << "txtDec holds " << text::utf8_from_utf16_lenient(c.txtDec.Text());
    }
    for (const TextField* field : {&c.txtHex, &c.txtWebHex}) {
        if (!only_upper_hex(field->Text()) || field->Text().size() > 6) {
            fault << field->name() << " holds " << text::utf8_from_utf16_lenient(field->Text());
        }
    }
    return fault.str();
}

// With no button held by the person, no gesture may be left over from an earlier one.
std::string check_no_gesture_left(const TintboxInternals& c) {
    const Surface& surface = c.control.UserControl();
    std::ostringstream fault;
    if (surface.held_buttons() != 0) {
        fault << "the surface still holds buttons " << surface.held_buttons();
    } else if (surface.captured() != nullptr) {
        fault << surface.captured()->name() << " still holds the mouse";
    } else if (c.SpectrumPressed()) {
        fault << "SpectrumPressed is still True";
    } else if (c.tmrGetPixelColor.Enabled()) {
        fault << "the eyedropper's timer still runs";
    }
    for (const ScrollBar* bar : {&c.hsRed, &c.hsGreen, &c.hsBlue}) {
        if (bar->dragging()) {
            fault << bar->name() << " still drags its thumb";
        }
    }
    return fault.str();
}

// What a person's keystroke could change in the focused view.
struct KeyboardTarget {
    const View* focused;
    std::u16string text;
    std::int32_t selection_start;
    std::int32_t selection_length;
    std::int16_t value;
    std::uint64_t changes;
};

KeyboardTarget keyboard_target(const TintboxInternals& c) {
    const View* focused = c.control.UserControl().focused();
    KeyboardTarget target{focused, u"", 0, 0, 0, c.control.changes_raised()};
    if (focused != nullptr && focused->kind() == ViewKind::TextField) {
        const auto& field = static_cast<const TextField&>(*focused);
        target.text = field.Text();
        target.selection_start = field.SelStart();
        target.selection_length = field.SelLength();
    } else if (focused != nullptr && focused->kind() == ViewKind::ScrollBar) {
        target.value = static_cast<const ScrollBar&>(*focused).Value();
    }
    return target;
}

bool same_target(const KeyboardTarget& a, const KeyboardTarget& b) {
    return a.focused == b.focused && a.text == b.text && a.selection_start == b.selection_start &&
           a.selection_length == b.selection_length && a.value == b.value && a.changes == b.changes;
}

class RandomPerson {
  public:
    RandomPerson(Tintbox& control, std::uint64_t seed, std::filesystem::path bag_file)
        : control_(control),
          c_(control),
          s_(control.UserControl()),
          rng_(seed),
          bag_file_(std::move(bag_file)) {}

    // The buttons the person holds down now.
    std::int16_t held() const noexcept { return held_; }
    // The first fault seen inside an action, or an empty text.
    const std::string& fault() const noexcept { return fault_; }

    // Performs one random action and returns a description of it.
    std::string act() {
        static const char16_t kKeystrokes[] = u"0123456789abcdefABCDEFxg #-.";
        static const Key kKeys[] = {
            Key::Backspace, Key::Delete,     Key::Left,      Key::Right,    Key::Home,  Key::End,
            Key::ShiftLeft, Key::ShiftRight, Key::ShiftHome, Key::ShiftEnd, Key::CtrlA, Key::PageUp,
            Key::PageDown,  Key::Up,         Key::Down,      Key::Escape,   Key::CtrlC, Key::CtrlX,
            Key::CtrlV,     Key::CtrlZ,      Key::CtrlShiftZ};
        TextField* editors[] = {&c_.txtRed, &c_.txtGreen, &c_.txtBlue,
                                &c_.txtDec, &c_.txtHex,   &c_.txtWebHex};
        ScrollBar* bars[] = {&c_.hsRed, &c_.hsGreen, &c_.hsBlue};
        std::ostringstream said;
        switch (pick(30)) {
            case 0:
            case 1:
            case 2: {
                const char16_t c = kKeystrokes[pick(sizeof(kKeystrokes) / sizeof(char16_t) - 1)];
                keyboard([&] { s_.type(std::u16string(1, c)); });
                said << "type " << static_cast<char>(c);
                break;
            }
            case 3: {
                const Key key = kKeys[pick(sizeof(kKeys) / sizeof(Key))];
                // Escape during a gesture ends the gesture, whichever view has the focus.
                const bool ends_gesture = key == Key::Escape && s_.held_buttons() != 0;
                keyboard([&] { s_.key(key); }, !ends_gesture);
                said << "key " << static_cast<int>(key);
                break;
            }
            case 4:
                if (pick(2) == 0) {
                    s_.tab();
                    said << "tab";
                } else {
                    s_.backtab();
                    said << "backtab";
                }
                break;
            case 5: {
                TextField* field = editors[pick(6)];
                if (field->can_take_focus()) {
                    s_.focus_by_keyboard(*field);
                }
                said << "focus " << field->name();
                break;
            }
            case 6: {
                // A click somewhere on the surface with one of the three buttons.
                const std::int16_t button = some_button();
                if (held_ & button) {
                    break;
                }
                const Twips x = static_cast<Twips>(pick(static_cast<int>(s_.Width())));
                const Twips y = static_cast<Twips>(pick(3375));
                s_.press(button, x, y);
                s_.release(button, x, y);
                said << "click " << button << " " << x << "," << y;
                break;
            }
            case 7: {
                const Twips x = static_cast<Twips>(pick(static_cast<int>(s_.Width())));
                const Twips y = static_cast<Twips>(pick(3375));
                s_.move(x, y);
                said << "move " << x << "," << y;
                break;
            }
            case 8: {
                // Press, drag and release on the spectrum.
                const std::int16_t button = pick(2) == 0 ? kLeftButton : kRightButton;
                if (held_ & button) {
                    break;
                }
                const auto [x, y] = on_spectrum();
                s_.press(button, x, y);
                s_.move(x + 300, y - 200);
                s_.advance_time(20);
                s_.release(button, x + 300, y - 200);
                said << "spectrum " << button << " " << x << "," << y;
                break;
            }
            case 9: {
                ScrollBar* bar = bars[pick(3)];
                const ScrollAction action = static_cast<ScrollAction>(pick(6));
                s_.scroll(*bar, action);
                said << "scroll " << bar->name() << " " << static_cast<int>(action);
                break;
            }
            case 10: {
                ScrollBar* bar = bars[pick(3)];
                const auto value = static_cast<std::int16_t>(pick(256));
                s_.scroll_to(*bar, value);
                said << "scroll " << bar->name() << " to " << value;
                break;
            }
            case 11: {
                const ColorValue value = static_cast<ColorValue>(pick(1 << 25)) - (1 << 23);
                control_.SetRGB(value);
                said << "SetRGB " << value;
                break;
            }
            case 12: {
                const auto value = static_cast<std::int16_t>(pick(400) - 50);
                const int which = pick(3);
                (which == 0   ? control_.SetRed(value)
                 : which == 1 ? control_.SetGreen(value)
                              : control_.SetBlue(value));
                said << "Set component " << which << " " << value;
                break;
            }
            case 13: {
                // Hover over one of the pair fields.
                TextField* pair = std::array<TextField*, 3>{&c_.txtWebHexRed, &c_.txtWebHexGreen,
                                                            &c_.txtWebHexBlue}[pick(3)];
                s_.move(pair->Left() + pair->Width() / 2, pair->Top() + 50);
                said << "hover " << pair->name();
                break;
            }
            case 14: {
                const std::u16string clip = pick(2) == 0 ? u"12ab" : u"#FF8000zz";
                keyboard([&] { s_.paste(clip); });
                said << "paste " << text::utf8_from_utf16_lenient(clip);
                break;
            }
            case 15: {
                const int width = 1000 + pick(6000);
                s_.SetWidth(static_cast<Twips>(width));
                said << "resize " << width;
                break;
            }
            case 16:
            case 17: {
                // A press that the person holds on to, mostly on the spectrum.
                const std::int16_t button = some_button();
                if (held_ & button) {
                    break;
                }
                const auto [x, y] = pick(2) == 0 ? on_spectrum() : anywhere();
                held_ = static_cast<std::int16_t>(held_ | button);
                s_.press(button, x, y);
                said << "down " << button << " " << x << "," << y;
                break;
            }
            case 18:
            case 19: {
                const std::int16_t button = some_button();
                if (!(held_ & button)) {
                    break;
                }
                const auto [x, y] = anywhere();
                held_ = static_cast<std::int16_t>(held_ & ~button);
                s_.release(button, x, y);
                said << "up " << button << " " << x << "," << y;
                break;
            }
            case 20: {
                const auto [x, y] = anywhere();
                s_.move(x, y);
                said << "drag to " << x << "," << y;
                break;
            }
            case 21: {
                const int ticks = 1 + pick(5);
                s_.advance_time(10 * ticks);
                said << "tick " << ticks;
                break;
            }
            case 22:
                control_.SetEnabled(!control_.Enabled());
                said << "Enabled " << control_.Enabled();
                break;
            case 23:
                if (pick(4) == 0) {
                    control_.SetPicture(nullptr);
                    said << "no picture";
                } else {
                    const PicturePtr picture = random_picture();
                    control_.SetPicture(picture);
                    said << "picture " << picture->width() << "x" << picture->height();
                }
                break;
            case 24: {
                std::u16string number = random_number_text();
                said << "Dec " << text::utf8_from_utf16_lenient(number);
                try {
                    control_.Dec(number);
                } catch (const Error& error) {
                    said << ": " << error.what();  // a number too large is the host's error
                }
                break;
            }
            case 25:
                if (pick(8) == 0) {
                    said << save_and_load();
                }
                break;
            case 26: {
                // A right click on a field whose context menu takes the release.
                TextField* field = editors[pick(6)];
                if (held_ & kRightButton) {
                    break;
                }
                s_.press(kRightButton, field->surface_left() + 30, field->surface_top() + 30);
                s_.end_gesture();
                said << "context menu on " << field->name();
                break;
            }
            case 27:
                // The release goes elsewhere: the window lost the grab, say.
                s_.end_gesture();
                held_ = 0;
                said << "lose the release";
                break;
            default: {
                // Selecting in the focused field, by mouse or keyboard.
                const int start = pick(10);
                const int length = pick(10) - 3;
                keyboard([&] { s_.select(start, length); });
                said << "select " << start << " " << length;
                break;
            }
        }
        return said.str();
    }

  private:
    int pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(rng_); }

    // A keystroke of the person: into a view that is disabled (or with no view focused,
    // or the whole surface off) it must change nothing and raise nothing.
    template <class Input>
    void keyboard(Input&& input, bool to_the_focused_view = true) {
        const View* focused = s_.focused();
        const bool must_be_ignored =
            to_the_focused_view && (!s_.Enabled() || focused == nullptr || !focused->Enabled());
        const KeyboardTarget before = keyboard_target(c_);
        input();
        if (must_be_ignored && fault_.empty() && !same_target(before, keyboard_target(c_))) {
            fault_ = "a keystroke changed " +
                     (focused != nullptr ? focused->name() : std::string("the control")) +
                     ", which takes no input now";
        }
    }

    struct Place {
        Twips x;
        Twips y;
    };
    Place anywhere() {
        // Now and then beyond the surface: a drag may leave it.
        return {static_cast<Twips>(pick(static_cast<int>(s_.Width()) + 1000) - 500),
                static_cast<Twips>(pick(4375) - 500)};
    }
    Place on_spectrum() {
        return {c_.ColorFrame.Left() + static_cast<Twips>(pick(3000)),
                static_cast<Twips>(pick(3400))};
    }
    std::int16_t some_button() {
        return std::array<std::int16_t, 3>{kLeftButton, kRightButton, kMiddleButton}[pick(3)];
    }

    PicturePtr random_picture() {
        const int width = 1 + pick(4);
        const int height = 1 + pick(4);
        std::vector<ColorValue> pixels;
        for (int i = 0; i < width * height; ++i) {
            pixels.push_back(static_cast<ColorValue>(pick(1 << 24)));
        }
        return std::make_shared<const Picture>(width, height, std::move(pixels));
    }

    std::u16string random_number_text() {
        static const char16_t kCharacters[] = u"0123456789abcdefABCDEF#&Hx -";
        std::u16string text;
        for (int i = pick(12); i > 0; --i) {
            text += kCharacters[pick(sizeof(kCharacters) / sizeof(char16_t) - 1)];
        }
        return text;
    }

    // The host saves the control into a file and loads it back, or loads a bag without
    // "Enabled" (which switches the control and its editors on).
    std::string save_and_load() {
        if (pick(2) == 0) {
            MemoryPropertyBag bag;
            control_.UserControl_WriteProperties(bag);
            save_property_bag(bag, bag_file_.string());
            MemoryPropertyBag loaded = load_property_bag(bag_file_.string());
            control_.UserControl_ReadProperties(loaded);
            return "save and load";
        }
        MemoryPropertyBag empty;
        control_.UserControl_ReadProperties(empty);
        return "load an empty bag";
    }

    Tintbox& control_;
    TintboxInternals c_;
    Surface& s_;
    std::mt19937_64 rng_;
    std::filesystem::path bag_file_;
    std::int16_t held_ = 0;
    std::string fault_;
};

}  // namespace

RandomRunResult run_random_actions(std::uint64_t seed, std::uint64_t count) {
    const TempFolder folder("tintbox-random-");
    Tintbox control;
    RandomRunResult result;
    control.set_error_sink([&](const Error& error) {
        if (result.failure.empty()) {
            result.failure = std::string("a handler failed: ") + error.what();
        }
    });
    RandomPerson person(control, seed, folder.path() / "form.tbb");
    const TintboxInternals inside(control);
    std::deque<std::string> recent;
    for (; result.actions < count && result.failure.empty(); ++result.actions) {
        const std::string action = person.act();
        if (!action.empty()) {
            recent.push_back(action);
        }
        if (recent.size() > 12) {
            recent.pop_front();
        }
        if (result.failure.empty()) {
            result.failure = person.fault();
        }
        if (result.failure.empty()) {
            result.failure = check_invariants(inside);
        }
        if (result.failure.empty() && person.held() == 0) {
            result.failure = check_no_gesture_left(inside);
        }
        // A disabled view is passed over by a press, so it never holds the mouse.
        const View* holder = control.UserControl().captured();
        if (result.failure.empty() && holder != nullptr && !holder->Enabled()) {
            result.failure = "the disabled " + holder->name() + " holds the mouse";
        }
    }
    if (!result.failure.empty()) {
        for (const auto& action : recent) {
            result.last_actions += action + "\n";
        }
    }
    return result;
}

}  // namespace tintbox
