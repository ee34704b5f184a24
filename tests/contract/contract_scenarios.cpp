// Sections: steps - pictures - the table - the runner
#include "contract_scenarios.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

namespace tintbox::contract {

namespace {

// A row asked for a ratio that this driver cannot draw at here.
struct NotRun {
    std::string why;
};

using Fail = std::function<void(const std::string&)>;

std::string hex(Color color) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(color));
    return text;
}

template <typename T>
std::string shown(const T& value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string shown(const std::string& text) {
    return '"' + text + '"';
}

template <typename T>
void expect(const Fail& fail, const std::string& what, const T& actual, const T& expected) {
    if (!(actual == expected)) {
        fail(what + " is " + shown(actual) + ", expected " + shown(expected));
    }
}

// ---- Steps -----------------------------------------------------------------------------

Step act(std::string what, std::function<void(Driver&)> action) {
    return {std::move(what),
            [action = std::move(action)](Play& play, const Fail&) { action(play.driver); }};
}

// A step that reads what the driver shows and checks it.
Step check(std::string what, std::function<void(Driver&, const Fail&)> checking) {
    return {std::move(what), [checking = std::move(checking)](Play& play, const Fail& fail) {
                checking(play.driver, fail);
            }};
}

Step press(const Spot& at, Button button = Button::Left) {
    return act("press at " + at.view,
               [=](Driver& driver) { driver.mouse(Mouse::Press, button, at); });
}
// The pointer moves with whatever buttons are held.
Step move(const Spot& at) {
    return act("move to " + at.view,
               [=](Driver& driver) { driver.mouse(Mouse::Move, Button::Left, at); });
}
Step release(const Spot& at, Button button = Button::Left) {
    return act("release at " + at.view,
               [=](Driver& driver) { driver.mouse(Mouse::Release, button, at); });
}
Step click(const Spot& at) {
    return act("click at " + at.view, [=](Driver& driver) {
        driver.mouse(Mouse::Press, Button::Left, at);
        driver.mouse(Mouse::Release, Button::Left, at);
    });
}
Step double_click(const Spot& at) {
    return act("double click at " + at.view, [=](Driver& driver) {
        driver.mouse(Mouse::Press, Button::Left, at);
        driver.mouse(Mouse::Release, Button::Left, at);
        driver.mouse(Mouse::DoubleClick, Button::Left, at);
        driver.mouse(Mouse::Release, Button::Left, at);
    });
}
Step key(KeyCode chord, int modifiers = kNoModifier) {
    return act(
        "key " + std::to_string(static_cast<int>(chord)) + " with " + std::to_string(modifiers),
        [=](Driver& driver) { driver.key(chord, modifiers); });
}
Step tabs(int count, int modifiers = kNoModifier) {
    return act(std::to_string(count) + (modifiers == kShift ? " Shift+Tab" : " Tab"),
               [=](Driver& driver) {
                   for (int i = 0; i < count; ++i) {
                       driver.tab(modifiers == kShift);
                   }
               });
}
Step type(const std::string& text) {
    return act("type " + text, [=](Driver& driver) { driver.type(text); });
}
Step wheel(const Spot& at, int notches) {
    return act("wheel " + std::to_string(notches) + " on " + at.view,
               [=](Driver& driver) { driver.wheel(at, notches); });
}
Step set_rgb(Color color) {
    return act("SetRGB " + hex(color), [=](Driver& driver) { driver.set_rgb(color); });
}
Step set_enabled(bool enabled) {
    return act(enabled ? "Enabled on" : "Enabled off",
               [=](Driver& driver) { driver.set_enabled(enabled); });
}
Step screen(Color color) {
    return act("screen " + hex(color), [=](Driver& driver) { driver.set_screen_color(color); });
}
Step tick() {
    return act("tick", [](Driver& driver) { driver.tick(); });
}

Step expect_rgb(Color expected) {
    return check("GetRGB", [=](Driver& driver, const Fail& fail) {
        expect(fail, "GetRGB", hex(driver.rgb()), hex(expected));
    });
}
// The Change events since the last expect_changes (or the start of the row).
Step expect_changes(int expected) {
    return {"changes", [=](Play& play, const Fail& fail) {
                const int now = play.driver.changes();
                expect(fail, std::string("Change events"), now - play.changes_counted, expected);
                play.changes_counted = now;
            }};
}
Step expect_text(const std::string& view, const std::string& text) {
    return check(view + ".Text", [=](Driver& driver, const Fail& fail) {
        expect(fail, view + ".Text", driver.field(view).text, text);
    });
}
Step expect_field(const std::string& view, const std::string& text, int caret, int selection_start,
                  int selection_length) {
    const FieldState state{text, caret, selection_start, selection_length};
    return check(view, [=](Driver& driver, const Fail& fail) {
        const FieldState seen = driver.field(view);
        expect(fail, view + ".Text", seen.text, state.text);
        expect(fail, view + " caret", seen.caret, state.caret);
        expect(fail, view + ".SelStart", seen.selection_start, state.selection_start);
        expect(fail, view + ".SelLength", seen.selection_length, state.selection_length);
    });
}
Step expect_value(const std::string& bar, int value) {
    return check(bar + ".Value", [=](Driver& driver, const Fail& fail) {
        expect(fail, bar + ".Value", driver.value(bar), value);
    });
}
Step expect_focus(const std::string& view) {
    return check("focus", [=](Driver& driver, const Fail& fail) {
        expect(fail, std::string("focus"), driver.focused(), view);
    });
}
// The menu a right click on `field` opens: each label with E (enabled) or - (disabled).
Step expect_menu(const std::string& field, const std::string& items) {
    return check(field + " menu", [=](Driver& driver, const Fail& fail) {
        std::string seen;
        for (const MenuItem& item : driver.context_menu(field)) {
            seen += (seen.empty() ? "" : ", ") + item.label + (item.enabled ? " E" : " -");
        }
        expect(fail, field + " menu", seen, items);
    });
}

// Every device pixel of the spectrum's middle row and column, and every fourth one (and
// the corners) of its edge rows and columns and of the rows and columns just outside:
// a press there picks the colour drawn there when that is a colour of the picture, and
// nothing where something else is drawn.
Step expect_picks_what_is_drawn(double ratio, const Picture& picture) {
    return check("picks at ratio " + shown(ratio), [=](Driver& driver, const Fail& fail) {
        if (!driver.set_ratio(ratio)) {
            throw NotRun{"the driver cannot draw at ratio " + shown(ratio) + " here"};
        }
        const Rect area = driver.bounds("Colors");
        const int left = area.x - 1;
        const int top = area.y - 1;
        const int right = area.x + area.width;
        const int bottom = area.y + area.height;
        std::vector<Pixel> pixels;
        for (int x = left; x <= right; ++x) {
            pixels.push_back({x, (top + bottom) / 2});
            if ((x - left) % 4 == 0 || x == right) {
                for (const int y : {top, top + 1, bottom - 1, bottom}) {
                    pixels.push_back({x, y});
                }
            }
        }
        for (int y = top; y <= bottom; ++y) {
            pixels.push_back({(left + right) / 2, y});
            if ((y - top) % 4 == 0 || y == bottom) {
                for (const int x : {left, left + 1, right - 1, right}) {
                    pixels.push_back({x, y});
                }
            }
        }
        std::vector<Color> drawn;
        for (const Pixel pixel : pixels) {
            drawn.push_back(driver.drawn(pixel));
        }
        int wrong = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            if (drawn[i] < 0) {
                continue;  // outside the control
            }
            const bool of_the_picture = std::find(picture.pixels.begin(), picture.pixels.end(),
                                                  drawn[i]) != picture.pixels.end();
            const Color before = driver.rgb();
            driver.mouse_at(Mouse::Press, Button::Left, pixels[i]);
            driver.mouse_at(Mouse::Release, Button::Left, pixels[i]);
            const Color picked = driver.rgb();
            if (picked != (of_the_picture ? drawn[i] : before) && ++wrong <= 3) {
                fail("a press at device pixel " + shown(pixels[i].x) + "," + shown(pixels[i].y) +
                     " picks " + hex(picked) + ", drawn there is " + hex(drawn[i]));
            }
        }
        if (wrong > 3) {
            fail(shown(wrong) + " of " + shown(pixels.size()) + " presses picked wrong");
        }
    });
}

// ---- Pictures --------------------------------------------------------------------------

// Four quadrants: red, green / blue, grey.
Picture quadrants() {
    return {2, 2, {0x0000FF, 0x00FF00, 0xFF0000, 0x808080}};
}

// Every pixel a colour of its own, so that a neighbouring row or column is told apart,
// and none a colour that a frame or a field is drawn in (blue 128).
Picture gradient() {
    Picture picture{37, 23, {}};
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels.push_back((4 + x * 6) | ((4 + y * 10) << 8) | (128 << 16));
        }
    }
    return picture;
}

Step picture(const Picture& which) {
    return act("Picture " + shown(which.width) + "x" + shown(which.height),
               [=](Driver& driver) { driver.set_picture(which); });
}

const Spot kRedQuadrant{"Colors", 0.25, 0.25};
const Spot kGreenQuadrant{"Colors", 0.75, 0.25};
const Spot kGreyQuadrant{"Colors", 0.75, 0.75};
const Spot kRightOfTheSpectrum{"Colors", 1.0, 0.25, 40, 0};

// A scroll bar's arrows, a point of its track right of a thumb at 0, and its thumb when
// the value is in the middle.
Spot left_arrow(const std::string& bar) {
    return {bar, 0.0, 0.5, 3, 0};
}
Spot right_arrow(const std::string& bar) {
    return {bar, 1.0, 0.5, -3, 0};
}
Spot track(const std::string& bar) {
    return {bar, 0.75, 0.5};
}
Spot thumb(const std::string& bar) {
    return {bar, 0.5, 0.5};
}
Spot past_the_right_end(const std::string& bar) {
    return {bar, 1.0, 0.5, 30, 0};
}

// The items of a field's context menu: undo and redo, then cut, copy, paste, delete,
// then select all, each enabled (E) or not (-).
std::string menu(bool undo, bool redo, bool selected, bool paste, bool all) {
    const auto item = [](const char* label, bool enabled) {
        return std::string(label) + (enabled ? " E" : " -");
    };
    return item("Undo", undo) + ", " + item("Redo", redo) + ", " + item("Cut", selected) + ", " +
           item("Copy", selected) + ", " + item("Paste", paste) + ", " + item("Delete", selected) +
           ", " + item("Select All", all);
}

// ---- The table -------------------------------------------------------------------------

std::vector<Scenario> table() {
    std::vector<Scenario> rows = {
        {"a click on the spectrum picks the colour under the pointer",
         {},
         {picture(quadrants()), press(kRedQuadrant), expect_rgb(0x0000FF), expect_changes(1),
          expect_text("txtHex", "FF"), expect_focus("txtHidden"), release(kRedQuadrant),
          expect_changes(0), expect_rgb(0x0000FF)}},
        {"a drag on the spectrum keeps picking and keeps the last colour off it",
         {},
         {picture(quadrants()), press(kRedQuadrant), move(kGreenQuadrant), expect_rgb(0x00FF00),
          move(kGreyQuadrant), expect_rgb(0x808080), expect_text("txtDec", "8421504"),
          expect_changes(3), move(kRightOfTheSpectrum), expect_rgb(0x808080), expect_changes(1),
          release(kRightOfTheSpectrum), move(kRedQuadrant), expect_rgb(0x808080),
          expect_changes(0)}},
        {"Escape during a spectrum drag puts back the colour from before the press",
         {},
         {picture(quadrants()), set_rgb(0x123456), press(kRedQuadrant), move(kGreenQuadrant),
          expect_changes(3), key(KeyCode::Escape), expect_rgb(0x123456), expect_changes(1),
          expect_text("txtDec", "1193046"), move(kRedQuadrant), release(kRedQuadrant),
          expect_rgb(0x123456), expect_changes(0)}},
        {"the eyedropper follows the screen pixel while the right button is held",
         {Capability::FakeScreen},
         {set_rgb(0x010203), expect_changes(1), screen(0x563412), press({"Colors"}, Button::Right),
          expect_changes(0), expect_rgb(0x010203), tick(), expect_rgb(0x563412),
          expect_text("txtHex", "563412"), expect_changes(1), screen(0xABCDEF), tick(),
          expect_rgb(0xABCDEF), release({"Colors"}, Button::Right), tick(), expect_changes(1),
          expect_rgb(0xABCDEF)}},
        {"Enabled off in the middle of a spectrum drag ends the drag",
         {},
         {picture(quadrants()), press(kRedQuadrant), expect_rgb(0x0000FF), set_enabled(false),
          move(kGreenQuadrant), expect_rgb(0x0000FF), set_enabled(true), move(kGreenQuadrant),
          release(kGreenQuadrant), expect_rgb(0x0000FF), click(kGreyQuadrant),
          expect_rgb(0x808080)}},
        {"Enabled off while the eyedropper runs stops it",
         {Capability::FakeScreen},
         {screen(0x563412), press({"Colors"}, Button::Right), tick(), expect_rgb(0x563412),
          set_enabled(false), screen(0xABCDEF), tick(), expect_rgb(0x563412), set_enabled(true),
          tick(), release({"Colors"}, Button::Right), expect_rgb(0x563412)}},

        {"typing and undo in a component field",
         {},
         {tabs(4), expect_focus("txtGreen"), expect_field("txtGreen", "0", 1, 0, 1), type("12a"),
          expect_field("txtGreen", "12", 2, 2, 0), expect_value("hsGreen", 12),
          expect_text("txtHex", "C00"), type("9"), expect_text("txtGreen", "129"), type("9"),
          expect_text("txtGreen", "129"), key(letter_key('Z'), kCtrl), expect_rgb(0x000C00),
          key(letter_key('A'), kCtrl), type("300"), expect_field("txtGreen", "255", 3, 3, 0),
          expect_value("hsGreen", 255), expect_rgb(0x00FF00)}},
        {"typing and undo in the decimal field",
         {},
         {tabs(7), expect_focus("txtDec"), type("99999999"),
          expect_field("txtDec", "16777215", 8, 8, 0), expect_rgb(0xFFFFFF),
          expect_text("txtHex", "FFFFFF"), expect_text("txtRed", "255"),
          key(letter_key('Z'), kCtrl), expect_text("txtDec", "9999999"), expect_rgb(0x98967F)}},
        {"typing and undo in the hexadecimal field",
         {},
         {tabs(8), expect_focus("txtHex"), type("ffg"), expect_field("txtHex", "FF", 2, 2, 0),
          expect_rgb(0x0000FF), expect_text("txtDec", "255"), key(letter_key('Z'), kCtrl),
          expect_text("txtHex", "F"), expect_rgb(0x00000F)}},
        {"typing and undo in the web-hex field",
         {},
         {tabs(9), expect_focus("txtWebHex"), type("ff"), expect_text("txtWebHex", "FF"),
          expect_rgb(0x0000FF), expect_text("txtRed", "255"), expect_text("txtGreen", "0"),
          key(letter_key('Z'), kCtrl), expect_text("txtWebHex", "F"), expect_rgb(0x0000F0),
          key(letter_key('Z'), kCtrl | kShift), expect_text("txtWebHex", "FF")}},
        {"a field's context menu offers what applies to its text",
         {Capability::ContextMenu},
         {tabs(4), expect_menu("txtGreen", menu(false, false, true, false, true)), type("12"),
          expect_menu("txtGreen", menu(true, false, false, false, true)),
          key(letter_key('Z'), kCtrl),
          expect_menu("txtGreen", menu(true, true, false, false, true)), tabs(3),
          expect_menu("txtDec", menu(false, false, true, false, true)), key(letter_key('C'), kCtrl),
          tabs(1), expect_menu("txtHex", menu(false, false, true, true, true)),
          key(KeyCode::Delete), expect_menu("txtHex", menu(true, false, false, true, false)),
          tabs(1), key(KeyCode::Right),
          expect_menu("txtWebHex", menu(false, false, false, true, true))}},
        {"a double click in a field selects its whole text",
         {},
         {set_rgb(0x123456), double_click({"txtDec", 0.1, 0.5}), expect_focus("txtDec"),
          expect_field("txtDec", "1193046", 7, 0, 7)}},

        {"Tab and Shift+Tab visit every stop and leave at both ends",
         {},
         {expect_focus(""), tabs(1), expect_focus("hsRed"), tabs(1), expect_focus("txtRed"),
          tabs(7), expect_focus("txtWebHex"), tabs(1), expect_focus(""), tabs(1, kShift),
          expect_focus("txtWebHex"), tabs(1, kShift), expect_focus("txtHex"), tabs(7, kShift),
          expect_focus("hsRed"), tabs(1, kShift), expect_focus(""), tabs(1),
          expect_focus("hsRed")}},

        {"a scroll bar's arrows and track move it by one",
         {},
         {click(right_arrow("hsRed")), expect_focus("hsRed"), expect_value("hsRed", 1),
          expect_text("txtRed", "1"), expect_rgb(0x000001), click(right_arrow("hsRed")),
          expect_value("hsRed", 2), click(left_arrow("hsRed")), expect_value("hsRed", 1),
          click(track("hsBlue")), expect_value("hsBlue", 1), expect_rgb(0x010001)}},
        {"a scroll bar's thumb drag commits on release",
         {},
         {set_rgb(0x000080), expect_changes(1), press(thumb("hsRed")),
          move(past_the_right_end("hsRed")), release(past_the_right_end("hsRed")),
          expect_value("hsRed", 255), expect_text("txtRed", "255"), expect_rgb(0x0000FF)}},
        {"nothing changes while a scroll bar's thumb is dragged",
         {Capability::ReadDuringThumbDrag},
         {set_rgb(0x000080), expect_changes(1), press(thumb("hsRed")),
          move(past_the_right_end("hsRed")), expect_changes(0), expect_rgb(0x000080),
          expect_text("txtRed", "128"), release(past_the_right_end("hsRed")),
          expect_rgb(0x0000FF)}},
        {"keys move a focused scroll bar",
         {},
         {tabs(3), expect_focus("hsGreen"), key(KeyCode::Right), key(KeyCode::Down),
          expect_value("hsGreen", 2), key(KeyCode::Up), expect_value("hsGreen", 1),
          key(KeyCode::End), key(KeyCode::PageUp), expect_value("hsGreen", 254),
          expect_text("txtGreen", "254"), key(KeyCode::PageDown), expect_value("hsGreen", 255),
          key(KeyCode::Home), key(KeyCode::Left), expect_value("hsGreen", 0), expect_rgb(0)}},
        {"the wheel over a scroll bar moves it by one a notch, towards Max when turned down",
         {},
         {wheel({"hsBlue"}, -1), expect_value("hsBlue", 1), expect_rgb(0x010000),
          wheel({"hsBlue"}, -3), expect_value("hsBlue", 4), wheel({"hsBlue"}, 1),
          expect_value("hsBlue", 3), expect_text("txtBlue", "3")}},
    };
    for (const double ratio : {1.0, 1.25, 1.5, 1.75, 2.0, 3.0}) {
        rows.push_back({"a press on a device pixel of the spectrum picks what is drawn there at " +
                            shown(ratio),
                        ratio == 1.0 ? std::vector<Capability>{}
                                     : std::vector<Capability>{Capability::DeviceRatio},
                        {picture(gradient()), expect_picks_what_is_drawn(ratio, gradient())}});
    }
    return rows;
}

}  // namespace

const std::vector<Scenario>& scenarios() {
    static const std::vector<Scenario> rows = table();
    return rows;
}

std::string identifier(const Scenario& scenario) {
    std::string name;
    for (const char character : scenario.name) {
        name += std::isalnum(static_cast<unsigned char>(character)) != 0 ? character : '_';
    }
    return name;
}

Outcome run(Driver& driver, const Scenario& scenario) {
    Outcome outcome;
    for (const Capability needed : scenario.needs) {
        if (!driver.can(needed)) {
            outcome.not_run = "this front end cannot do it (capability " +
                              std::to_string(static_cast<int>(needed)) + ")";
            return outcome;
        }
    }
    Play play{driver, driver.changes(), {}};
    for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
        const Step& step = scenario.steps[i];
        const Fail fail = [&](const std::string& line) {
            play.failures.push_back("step " + std::to_string(i + 1) + " (" + step.what +
                                    "): " + line);
        };
        try {
            step.run(play, fail);
        } catch (const NotRun& reason) {
            outcome.not_run = reason.why;
            return outcome;
        }
    }
    outcome.failures = std::move(play.failures);
    return outcome;
}

std::vector<std::string> judge(const Outcome& outcome, const std::string& name,
                               const std::vector<std::string>& known_failing) {
    const bool known =
        std::find(known_failing.begin(), known_failing.end(), name) != known_failing.end();
    if (!known) {
        return outcome.failures;
    }
    if (outcome.failures.empty()) {
        return {"marked known-failing but passes now: remove its mark"};
    }
    return {};
}

}  // namespace tintbox::contract
