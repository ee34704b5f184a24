#include "random_actions.hpp"

#include <deque>
#include <random>
#include <sstream>

#include "../src/control/tintbox_internals.hpp"
#include "../src/text/text.hpp"

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

class RandomPerson {
  public:
    RandomPerson(Tintbox& control, std::uint64_t seed)
        : control_(control), c_(control), s_(control.UserControl()), rng_(seed) {}

    // Performs one random action and returns a description of it.
    std::string act() {
        static const char16_t kKeystrokes[] = u"0123456789abcdefABCDEFxg #-.";
        static const Key kKeys[] = {Key::Backspace, Key::Delete,   Key::Left,      Key::Right,
                                    Key::Home,      Key::End,      Key::ShiftLeft, Key::ShiftRight,
                                    Key::ShiftHome, Key::ShiftEnd, Key::CtrlA,     Key::PageUp,
                                    Key::PageDown};
        TextField* editors[] = {&c_.txtRed, &c_.txtGreen, &c_.txtBlue,
                                &c_.txtDec, &c_.txtHex,   &c_.txtWebHex};
        ScrollBar* bars[] = {&c_.hsRed, &c_.hsGreen, &c_.hsBlue};
        std::ostringstream said;
        switch (pick(16)) {
            case 0:
            case 1:
            case 2: {
                const char16_t c = kKeystrokes[pick(sizeof(kKeystrokes) / sizeof(char16_t) - 1)];
                s_.type(std::u16string(1, c));
                said << "type " << static_cast<char>(c);
                break;
            }
            case 3: {
                const Key key = kKeys[pick(sizeof(kKeys) / sizeof(Key))];
                s_.key(key);
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
                const std::int16_t button =
                    std::array<std::int16_t, 3>{kLeftButton, kRightButton, kMiddleButton}[pick(3)];
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
                const Twips x = c_.ColorFrame.Left() + static_cast<Twips>(pick(3000));
                const Twips y = static_cast<Twips>(pick(3400));
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
                s_.paste(clip);
                said << "paste " << text::utf8_from_utf16_lenient(clip);
                break;
            }
            default: {
                const int width = 1000 + pick(6000);
                s_.SetWidth(static_cast<Twips>(width));
                said << "resize " << width;
                break;
            }
        }
        return said.str();
    }

  private:
    int pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(rng_); }

    Tintbox& control_;
    TintboxInternals c_;
    Surface& s_;
    std::mt19937_64 rng_;
};

}  // namespace

RandomRunResult run_random_actions(std::uint64_t seed, std::uint64_t count) {
    Tintbox control;
    RandomRunResult result;
    control.set_error_sink([&](const Error& error) {
        if (result.failure.empty()) {
            result.failure = std::string("a handler failed: ") + error.what();
        }
    });
    RandomPerson person(control, seed);
    const TintboxInternals inside(control);
    std::deque<std::string> recent;
    for (; result.actions < count && result.failure.empty(); ++result.actions) {
        recent.push_back(person.act());
        if (recent.size() > 12) {
            recent.pop_front();
        }
        if (result.failure.empty()) {
            result.failure = check_invariants(inside);
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
