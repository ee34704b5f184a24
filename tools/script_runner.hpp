// The engine of tintbox-script: runs a script of host calls, a person's input, time and
// screen commands against one headless control and prints what the script reads.
//
// Output conventions (the command language itself is documented in the driver's manual):
// - numbers in signed decimal, colours as signed 32-bit values, booleans True / False;
// - twips with the shortest fraction that reads back as the same float (1845.5), none
//   when integral;
// - texts in double quotes, escaping \" \\ \n \t, and \uXXXX for every other code unit
//   outside printable ASCII;
// - an error raised by the control prints `error: KIND` on the output and the script goes
//   on; its detail, when it has one, goes to the error stream as `LINE: KIND: detail`,
//   so the output of a scenario does not depend on the wording of messages.
//
// Choices the manual leaves open:
// - The screen belongs to the machine, not to the control: `new` keeps its pixels,
//   pointer and twips per pixel, and the picture numbers (#ID) stay valid.
// - The driver keeps the buttons the person holds: `down` of a held button, `up` of a
//   button not held and `move` naming other buttons than the held ones are script
//   errors. `new` lets go of every button.
// - In `set Picture`, the bare words `none` and `pixels` are keywords; a file of that
//   name is given in quotes.
//
// Commands beyond the manual's:
// - `changed-properties` prints the names of the persisted properties that the control
//   signalled as changed (PropertyChanged) since it was created or since the last
//   `changed-properties`, in order, or `none`.
// - `get screen.OpenContexts` prints how many screen contexts are taken and not yet
//   given back.
// - `watch WHAT ...` (each WHAT as in `get`, but not `point`) prints, at every Change
//   that the control raises from then on, one line `Change` followed by the values of
//   the watched things at that moment, as the host's handler would see them; `watch`
//   alone stops it. `new` stops it too.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../src/control/tintbox_internals.hpp"

namespace tintbox::script {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUnreadable = 1;
inline constexpr int kExitScriptError = 2;

// One word of a script line: a bare word, or a text in double quotes with its escapes
// decoded.
struct Token {
    std::string raw;      // as written (bare words) or decoded to UTF-8 (quoted texts)
    std::u16string text;  // the word as a text argument
    bool quoted = false;
};

// Splits one line into words, dropping a comment (a word starting with '#'). Throws
// std::invalid_argument for an unterminated or badly escaped text.
std::vector<Token> tokenize(std::string_view line);

// The printed forms of values.
std::string format_text(std::u16string_view text);
std::string format_twips(Twips value);
std::string format_bool(bool value);

class ScriptRunner {
  public:
    ScriptRunner(std::ostream& out, std::ostream& err);
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // Runs the script to its end (kExitOk), to its first malformed line (kExitScriptError,
    // with `LINE: what is wrong` on the error stream) or to a read failure
    // (kExitUnreadable).
    int run(std::istream& script);

  private:
    using Words = std::vector<Token>;

    void run_line(const Words& words);
    void create_control();
    void report(const Error& error);

    // The host's side.
    void cmd_new(const Words& words);
    void cmd_call(const Words& words);
    void cmd_get(const Words& words);
    void cmd_set(const Words& words);
    void cmd_resize(const Words& words);
    void cmd_save(const Words& words);
    void cmd_load(const Words& words);
    void cmd_changes(const Words& words);
    void cmd_changed_properties(const Words& words);
    void cmd_watch(const Words& words);
    void on_change();
    // A person's input.
    void cmd_tab(const Words& words);
    void cmd_backtab(const Words& words);
    void cmd_focus(const Words& words);
    void cmd_down(const Words& words);
    void cmd_up(const Words& words);
    void cmd_move(const Words& words);
    void cmd_click(const Words& words);
    void cmd_type(const Words& words);
    void cmd_key(const Words& words);
    void cmd_paste(const Words& words);
    void cmd_select(const Words& words);
    void cmd_scroll(const Words& words);
    // Time and the screen.
    void cmd_tick(const Words& words);
    void cmd_screen(const Words& words);

    // The printed form of what `get WHAT` names (all but `point`).
    std::string value_of(const std::string& what);
    std::string view_property(const std::string& view_name, const std::string& property);
    std::string surface_property(const std::string& property) const;
    void set_picture(const Words& words);
    std::string picture_text(const PicturePtr& picture);

    View& view_named(const std::string& name) const;
    struct Point {
        Twips x;
        Twips y;
    };
    Point target(const Token& word) const;
    void press(std::int16_t button, const Token& where);
    void release(std::int16_t button, const Token& where);

    std::ostream& out_;
    std::ostream& err_;
    int line_number_ = 0;
    std::shared_ptr<FakeScreen> screen_;
    std::unique_ptr<Tintbox> control_;
    std::uint64_t changes_reported_ = 0;           // changes_raised() at the last `changes`
    std::vector<std::string> changed_properties_;  // PropertyChanged names not yet read
    std::vector<std::string> watched_;             // read at every Change (`watch`)
    std::int16_t held_buttons_ = 0;                // the buttons the person holds down
    std::vector<PicturePtr> pictures_;             // index + 1 is the picture's #ID
};

}  // namespace tintbox::script
