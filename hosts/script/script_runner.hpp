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
// - The screen and the clipboard belong to the machine, not to the control: `new` keeps
//   the screen's pixels, pointer and twips per pixel and the clipboard's text, and the
//   picture numbers (#ID) stay valid.
// - The driver keeps the buttons the person holds: `down` of a held button, `up` of a
//   button not held and `move` naming other buttons than the held ones are script
//   errors. `new` lets go of every button, and so does `cancel` (the release went
//   elsewhere). `key Escape` ends the control's gesture, but the person still holds the
//   buttons: they are let go with `up`, which the control then ignores.
// - In `set Picture`, the bare words `none` and `pixels` are keywords; a file of that
//   name is given in quotes.
// - A well-formed decimal is a number whatever its size: one that a host call's
//   parameter cannot hold is the control's `error: Overflow`; one that the driver's own
//   commands cannot take is a script error.
// - `tick N` takes N from 0 to kMaxTicks; a line holds at most kMaxLineBytes bytes.
// - A file name is taken as it is written; one that holds a NUL character (`\u0000`)
//   names no file: the control's `error: FileError`, as a host calling with it gets.
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

#include "script_words.hpp"
#include "tintbox/members.hpp"

namespace tintbox::script {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUnreadable = 1;
inline constexpr int kExitScriptError = 2;

// The most ticks one `tick` advances: 10,000 s of the control's time. Under a running
// timer every tick raises a timer event (about a microsecond each here), so a larger
// count would look like a hang.
inline constexpr std::int64_t kMaxTicks = 1'000'000;

// Numbers the pictures that a script reads, so that the same object always reads the
// same: `W H #ID` with IDs from 1 in the order of first reading, or `none`.
class PictureNumbers {
  public:
    std::string text(const PicturePtr& picture);

  private:
    std::vector<PicturePtr> seen_;  // index + 1 is the picture's #ID
};

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
    void run_line(const Words& words);
    void create_control();
    void report(const Error& error);

    // The host's side.
    void cmd_new(const Words& words);
    void cmd_call(const Words& words);
    // A host call's result or written argument as the output prints it.
    std::string printed_value(const MemberValue& value);
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
    void cmd_cancel(const Words& words);
    // Time and the screen.
    void cmd_tick(const Words& words);
    void cmd_screen(const Words& words);

    // The printed form of what `get WHAT` names (all but `point`).
    std::string value_of(const std::string& what);
    std::string view_property(const std::string& view_name, const std::string& property);
    std::string surface_property(const std::string& property) const;
    std::string screen_property(const std::string& property) const;
    void set_picture(const Words& words);

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
    std::shared_ptr<MemoryClipboard> clipboard_;
    std::unique_ptr<Tintbox> control_;
    std::uint64_t changes_reported_ = 0;           // changes_raised() at the last `changes`
    std::vector<std::string> changed_properties_;  // PropertyChanged names not yet read
    std::vector<std::string> watched_;             // read at every Change (`watch`)
    std::int16_t held_buttons_ = 0;                // the buttons the person holds down
    PictureNumbers pictures_;
};

}  // namespace tintbox::script
