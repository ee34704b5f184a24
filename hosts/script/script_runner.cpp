// The command loop of tintbox-script and its commands. Sections: the runner's loop - the
// host's side - a person's input - time and the screen. Looking inside (`get`, `watch`)
// is in script_inspection.cpp, the words and printed forms in script_words.cpp.
#include "script_runner.hpp"

#include <istream>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <type_traits>

namespace tintbox::script {

namespace {

// A host call's argument converted to the parameter's integer type: a number outside
// it is the host's overflow, not a malformed script.
template <class Int>
std::optional<Int> host_integer(const Token& word) {
    const std::int64_t value = integer_arg(word);
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max()) {
        return std::nullopt;
    }
    return static_cast<Int>(value);
}

// The argument of a method's read parameter, from its word: nullopt for a number that
// the parameter's type cannot hold (`type_name` says which type that is).
std::optional<MemberValue> host_argument(const Token& word, MemberType type,
                                         const char*& type_name) {
    switch (type) {
        case MemberType::Integer:
            type_name = "an Integer";
            if (const auto value = host_integer<std::int16_t>(word))
                return *value;
            return std::nullopt;
        case MemberType::Long:
            type_name = "a Long";
            if (const auto value = host_integer<std::int32_t>(word))
                return *value;
            return std::nullopt;
        case MemberType::String:
            return word.text;
        default:
            fail("a script cannot pass a method's argument of this type");
    }
}

const Member* method_named(std::string_view name) {
    for (const Member& member : dispatch_members()) {
        if (member.kind == MemberKind::Method && name == member.name)
            return &member;
    }
    return nullptr;
}

enum class LineRead { Line, End, TooLong };

// std::getline without its appetite: a line longer than kMaxLineBytes (a file without
// line breaks, say) is not read further.
LineRead read_line(std::istream& script, std::string& line) {
    line.clear();
    char c = 0;
    while (script.get(c)) {
        if (c == '\n')
            return LineRead::Line;
        if (line.size() == kMaxLineBytes)
            return LineRead::TooLong;
        line += c;
    }
    return line.empty() ? LineRead::End : LineRead::Line;
}

}  // namespace

// ---- The runner's loop ------------------------------------------------------------------

ScriptRunner::ScriptRunner(std::ostream& out, std::ostream& err)
    : out_(out),
      err_(err),
      screen_(std::make_shared<FakeScreen>()),
      clipboard_(std::make_shared<MemoryClipboard>()) {}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::create_control() {
    TintboxPlatform platform;
    platform.screen = screen_;
    platform.clipboard = clipboard_;
    control_ = std::make_unique<Tintbox>(platform);  // if creation fails, the old one stays
    control_->set_error_sink([this](const Error& error) { report(error); });
    control_->set_change_handler([this] { on_change(); });
    control_->set_property_changed_handler(
        [this](const std::string& name) { changed_properties_.push_back(name); });
    changes_reported_ = 0;
    changed_properties_.clear();
    watched_.clear();
    held_buttons_ = 0;
}

void ScriptRunner::report(const Error& error) {
    const char* kind = error_kind_name(error.kind());
    out_ << "error: " << kind << '\n';
    if (!error.detail().empty()) {
        err_ << line_number_ << ": " << kind << ": " << error.detail() << '\n';
    }
}

int ScriptRunner::run(std::istream& script) {
    line_number_ = 0;
    create_control();
    std::string line;
    while (true) {
        const LineRead read = read_line(script, line);
        if (read == LineRead::End)
            break;
        ++line_number_;
        try {
            if (read == LineRead::TooLong) {
                fail("the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
            }
            Words words;
            try {
                words = tokenize(line);
            } catch (const std::invalid_argument& malformed) {
                fail(malformed.what());
            }
            if (!words.empty())
                run_line(words);
            out_.flush();  // a session that ends in a crash still shows what it printed
        } catch (const ScriptError& wrong) {
            err_ << line_number_ << ": " << wrong.message() << '\n';
            return kExitScriptError;
        }
    }
    if (script.bad()) {
        err_ << "the script could not be read after line " << line_number_ << '\n';
        return kExitUnreadable;
    }
    return kExitOk;
}

void ScriptRunner::run_line(const Words& words) {
    using Command = void (ScriptRunner::*)(const Words&);
    static const std::map<std::string, Command, std::less<>> commands = {
        {"new", &ScriptRunner::cmd_new},
        {"call", &ScriptRunner::cmd_call},
        {"get", &ScriptRunner::cmd_get},
        {"set", &ScriptRunner::cmd_set},
        {"resize", &ScriptRunner::cmd_resize},
        {"save", &ScriptRunner::cmd_save},
        {"load", &ScriptRunner::cmd_load},
        {"changed-properties", &ScriptRunner::cmd_changed_properties},
        {"changes", &ScriptRunner::cmd_changes},
        {"watch", &ScriptRunner::cmd_watch},
        {"tab", &ScriptRunner::cmd_tab},
        {"backtab", &ScriptRunner::cmd_backtab},
        {"focus", &ScriptRunner::cmd_focus},
        {"down", &ScriptRunner::cmd_down},
        {"up", &ScriptRunner::cmd_up},
        {"move", &ScriptRunner::cmd_move},
        {"click", &ScriptRunner::cmd_click},
        {"type", &ScriptRunner::cmd_type},
        {"key", &ScriptRunner::cmd_key},
        {"paste", &ScriptRunner::cmd_paste},
        {"select", &ScriptRunner::cmd_select},
        {"scroll", &ScriptRunner::cmd_scroll},
        {"cancel", &ScriptRunner::cmd_cancel},
        {"tick", &ScriptRunner::cmd_tick},
        {"screen", &ScriptRunner::cmd_screen},
    };
    const auto command = words[0].quoted ? commands.end() : commands.find(words[0].raw);
    if (command == commands.end())
        fail("unknown command " + shown(words[0].raw));
    try {
        (this->*(command->second))(words);
    } catch (const Error& error) {
        // A public method's failure, or a fault of the view layer that escaped an input
        // function: the control reports it and the script goes on.
        report(error);
    } catch (const std::exception& failure) {
        report(Error(ErrorKind::Internal, failure.what()));
    }
}

// ---- The host's side --------------------------------------------------------------------

void ScriptRunner::cmd_new(const Words& words) {
    expect_words(words, 1, "new");
    create_control();
}

void ScriptRunner::cmd_call(const Words& words) {
    if (words.size() < 2)
        fail("usage: call NAME [ARG ...]");
    const std::string& name = bare(words[1], "a method name");
    const Member* method = method_named(name);
    if (method == nullptr)
        fail("unknown method " + shown(name));
    const MemberParam* const params = method->params;

    // One word for every parameter that the method reads.
    std::string usage = "call " + name;
    std::size_t word_count = 2;
    for (std::size_t i = 0; i < method->param_count; ++i) {
        if (params[i].read()) {
            usage += params[i].type == MemberType::String ? " TEXT" : " VALUE";
            ++word_count;
        }
    }
    expect_words(words, word_count, usage.c_str());
    std::vector<MemberValue> args;
    std::size_t next_word = 2;
    for (std::size_t i = 0; i < method->param_count; ++i) {
        if (!params[i].read()) {
            args.emplace_back();
            continue;
        }
        const Token& word = words[next_word++];
        const char* type_name = "";
        std::optional<MemberValue> value = host_argument(word, params[i].type, type_name);
        if (!value) {
            report(
                Error(ErrorKind::Overflow, word.raw + " does not fit " + type_name + " argument"));
            return;
        }
        args.push_back(std::move(*value));
    }

    // The result, then what the method wrote into its arguments; `ok` when neither.
    const MemberValue result = method->call(*control_, args);
    std::string printed = printed_value(result);
    for (std::size_t i = 0; i < method->param_count; ++i) {
        if (params[i].written())
            printed += (printed.empty() ? "" : " ") + printed_value(args[i]);
    }
    out_ << (printed.empty() ? "ok" : printed) << '\n';
}

std::string ScriptRunner::printed_value(const MemberValue& value) {
    return std::visit(
        [this](const auto& held) -> std::string {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, std::monostate>) {
                return "";
            } else if constexpr (std::is_same_v<Held, bool>) {
                return format_bool(held);
            } else if constexpr (std::is_same_v<Held, std::u16string>) {
                return format_text(held);
            } else if constexpr (std::is_same_v<Held, PicturePtr>) {
                return pictures_.text(held);
            } else {
                return std::to_string(held);
            }
        },
        value);
}

void ScriptRunner::cmd_set(const Words& words) {
    if (words.size() < 3)
        fail("usage: set Enabled BOOL | set Picture ... | set screen.TwipsPerPixelX N");
    const std::string& what = bare(words[1], "a property name");
    if (what == "Enabled") {
        expect_words(words, 3, "set Enabled BOOL");
        control_->SetEnabled(bool_arg(words[2]));
    } else if (what == "Picture") {
        set_picture(words);
    } else if (what == "screen.TwipsPerPixelX") {
        expect_words(words, 3, "set screen.TwipsPerPixelX N");
        const Twips twips = twips_arg(words[2]);
        if (!(twips > 0))
            fail("twips per pixel must be above 0");
        screen_->set_twips_per_pixel_x(twips);
    } else {
        fail("cannot set " + shown(what));
    }
}

void ScriptRunner::set_picture(const Words& words) {
    const Token& source = words[2];
    if (!source.quoted && source.raw == "none") {
        expect_words(words, 3, "set Picture none");
        control_->SetPicture(nullptr);
        return;
    }
    if (!source.quoted && source.raw == "pixels") {
        if (words.size() < 5)
            fail("usage: set Picture pixels W H C1 ... Cn");
        const std::int32_t width = int32_arg(words[3]);
        const std::int32_t height = int32_arg(words[4]);
        if (width < 0 || height < 0)
            fail("a picture's sides cannot be negative");
        const auto count = static_cast<std::int64_t>(width) * height;
        if (count != static_cast<std::int64_t>(words.size() - 5)) {
            fail("a " + std::to_string(width) + " x " + std::to_string(height) + " picture needs " +
                 std::to_string(count) + " colours, not " + std::to_string(words.size() - 5));
        }
        std::vector<ColorValue> pixels;
        pixels.reserve(words.size() - 5);
        for (std::size_t i = 5; i < words.size(); ++i)
            pixels.push_back(int32_arg(words[i]));
        control_->SetPicture(std::make_shared<const Picture>(width, height, std::move(pixels)));
        return;
    }
    expect_words(words, 3, "set Picture FILE");
    control_->SetPicture(load_picture_file(source.raw));
}

void ScriptRunner::cmd_resize(const Words& words) {
    expect_words(words, 3, "resize WIDTH HEIGHT");
    const Twips width = twips_arg(words[1]);
    const Twips height = twips_arg(words[2]);
    Surface& surface = control_->UserControl();
    surface.SetWidth(width);
    surface.SetHeight(height);
}

void ScriptRunner::cmd_save(const Words& words) {
    expect_words(words, 2, "save FILE");
    MemoryPropertyBag bag;
    control_->UserControl_WriteProperties(bag);
    save_property_bag(bag, words[1].raw);
}

void ScriptRunner::cmd_load(const Words& words) {
    expect_words(words, 2, "load FILE");
    MemoryPropertyBag bag = load_property_bag(words[1].raw);
    control_->UserControl_ReadProperties(bag);
}

void ScriptRunner::cmd_changes(const Words& words) {
    expect_words(words, 1, "changes");
    const std::uint64_t raised = control_->changes_raised();
    out_ << raised - changes_reported_ << '\n';
    changes_reported_ = raised;
}

void ScriptRunner::cmd_changed_properties(const Words& words) {
    expect_words(words, 1, "changed-properties");
    if (changed_properties_.empty()) {
        out_ << "none\n";
        return;
    }
    for (std::size_t i = 0; i < changed_properties_.size(); ++i) {
        out_ << (i == 0 ? "" : " ") << changed_properties_[i];
    }
    out_ << '\n';
    changed_properties_.clear();
}

// ---- A person's input -------------------------------------------------------------------

ScriptRunner::Point ScriptRunner::target(const Token& word) const {
    const std::string& text = bare(word, "a target (VIEW, VIEW@X,Y or X,Y)");
    const auto at = text.find('@');
    const std::string view_name = at == std::string::npos ? "" : text.substr(0, at);
    const std::string coordinates = at == std::string::npos ? text : text.substr(at + 1);
    const auto comma = coordinates.find(',');

    Point origin{0, 0};
    Point size{control_->UserControl().Width(), control_->UserControl().Height()};
    const std::string& name = at == std::string::npos ? text : view_name;
    if ((at != std::string::npos || comma == std::string::npos) && name != "UserControl") {
        const View& view = view_named(name);
        origin = {view.surface_left(), view.surface_top()};
        size = {view.Width(), view.Height()};
    }
    if (at == std::string::npos && comma == std::string::npos) {
        return {origin.x + size.x / 2, origin.y + size.y / 2};
    }
    if (comma == std::string::npos)
        fail("malformed target " + shown(text));
    const auto x = twips_from(coordinates.substr(0, comma));
    const auto y = twips_from(coordinates.substr(comma + 1));
    if (!x || !y)
        fail("malformed target " + shown(text));
    return {origin.x + *x, origin.y + *y};
}

void ScriptRunner::press(std::int16_t button, const Token& where) {
    if (held_buttons_ & button)
        fail("the " + buttons_text(button) + " button is already down");
    const Point point = target(where);
    held_buttons_ = static_cast<std::int16_t>(held_buttons_ | button);
    control_->UserControl().press(button, point.x, point.y);
}

void ScriptRunner::release(std::int16_t button, const Token& where) {
    if (!(held_buttons_ & button))
        fail("the " + buttons_text(button) + " button is not down");
    const Point point = target(where);
    held_buttons_ = static_cast<std::int16_t>(held_buttons_ & ~button);
    control_->UserControl().release(button, point.x, point.y);
}

void ScriptRunner::cmd_tab(const Words& words) {
    expect_words(words, 1, "tab");
    control_->UserControl().tab();
}

void ScriptRunner::cmd_backtab(const Words& words) {
    expect_words(words, 1, "backtab");
    control_->UserControl().backtab();
}

void ScriptRunner::cmd_focus(const Words& words) {
    expect_words(words, 2, "focus VIEW");
    View& view = view_named(bare(words[1], "a view name"));
    control_->UserControl().focus_by_keyboard(view);
}

void ScriptRunner::cmd_down(const Words& words) {
    expect_words(words, 3, "down BUTTON TARGET");
    press(button_arg(words[1]), words[2]);
}

void ScriptRunner::cmd_up(const Words& words) {
    expect_words(words, 3, "up BUTTON TARGET");
    release(button_arg(words[1]), words[2]);
}

void ScriptRunner::cmd_click(const Words& words) {
    expect_words(words, 3, "click BUTTON TARGET");
    const std::int16_t button = button_arg(words[1]);
    press(button, words[2]);
    release(button, words[2]);
}

void ScriptRunner::cmd_move(const Words& words) {
    if (words.size() < 2)
        fail("usage: move TARGET [BUTTON ...]");
    std::int16_t named = 0;
    for (std::size_t i = 2; i < words.size(); ++i) {
        named = static_cast<std::int16_t>(named | button_arg(words[i]));
    }
    if (named != held_buttons_) {
        fail("move names " + buttons_text(named) + " held, but the buttons down are " +
             buttons_text(held_buttons_));
    }
    const Point point = target(words[1]);
    control_->UserControl().move(point.x, point.y);
}

void ScriptRunner::cmd_type(const Words& words) {
    expect_words(words, 2, "type TEXT");
    control_->UserControl().type(words[1].text);
}

void ScriptRunner::cmd_key(const Words& words) {
    expect_words(words, 2, "key NAME");
    const auto key = key_names().find(bare(words[1], "a key name"));
    if (key == key_names().end())
        fail("unknown key " + shown(words[1].raw));
    control_->UserControl().key(key->second);
}

void ScriptRunner::cmd_paste(const Words& words) {
    expect_words(words, 2, "paste TEXT");
    control_->UserControl().paste(words[1].text);
}

void ScriptRunner::cmd_select(const Words& words) {
    expect_words(words, 3, "select START LENGTH");
    const std::int32_t start = int32_arg(words[1]);
    const std::int32_t length = int32_arg(words[2]);
    control_->UserControl().select(start, length);
}

void ScriptRunner::cmd_scroll(const Words& words) {
    expect_words(words, 3, "scroll VIEW VALUE | +1 | -1 | +page | -page");
    View& view = view_named(bare(words[1], "a view name"));
    if (view.kind() != ViewKind::ScrollBar)
        fail("view " + view.name() + " is not a scroll bar");
    auto& bar = static_cast<ScrollBar&>(view);
    static const std::map<std::string, ScrollAction, std::less<>> actions = {
        {"+1", ScrollAction::LineDown},
        {"-1", ScrollAction::LineUp},
        {"+page", ScrollAction::PageDown},
        {"-page", ScrollAction::PageUp},
    };
    const auto action = words[2].quoted ? actions.end() : actions.find(words[2].raw);
    if (action != actions.end()) {
        control_->UserControl().scroll(bar, action->second);
    } else {
        control_->UserControl().scroll_to(bar, int16_arg(words[2]));
    }
}

void ScriptRunner::cmd_cancel(const Words& words) {
    expect_words(words, 1, "cancel");
    control_->UserControl().end_gesture();
    held_buttons_ = 0;
}

// ---- Time and the screen ----------------------------------------------------------------

void ScriptRunner::cmd_tick(const Words& words) {
    if (words.size() > 2)
        fail("usage: tick [N]");
    std::int64_t ticks = 1;
    if (words.size() == 2) {
        ticks = integer_arg(words[1]);
        if (ticks < 0 || ticks > kMaxTicks) {
            fail("tick needs a count from 0 to " + std::to_string(kMaxTicks));
        }
    }
    control_->UserControl().advance_time(static_cast<std::int32_t>(ticks * 10));
}

void ScriptRunner::cmd_screen(const Words& words) {
    if (words.size() < 2)
        fail("usage: screen cursor|pixel|fill|unreadable|clipboard ...");
    const std::string& what = bare(words[1], "a screen command");
    if (what == "cursor") {
        expect_words(words, 4, "screen cursor X Y");
        screen_->set_cursor({int32_arg(words[2]), int32_arg(words[3])});
    } else if (what == "pixel") {
        expect_words(words, 5, "screen pixel X Y COLOR");
        screen_->set_pixel({int32_arg(words[2]), int32_arg(words[3])}, int32_arg(words[4]));
    } else if (what == "fill") {
        expect_words(words, 3, "screen fill COLOR");
        screen_->fill(int32_arg(words[2]));
    } else if (what == "unreadable") {
        expect_words(words, 3, "screen unreadable BOOL");
        screen_->set_unreadable(bool_arg(words[2]));
    } else if (what == "clipboard") {
        expect_words(words, 3, "screen clipboard TEXT");
        clipboard_->set_text(words[2].text);
    } else {
        fail("unknown screen command " + shown(what));
    }
}

}  // namespace tintbox::script
