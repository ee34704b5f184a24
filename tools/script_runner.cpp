// Sections: words and values (tokenizer, number parsing, printed forms) - the runner's
// loop - the host's side - looking inside - a person's input - time and the screen.
#include "script_runner.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <istream>
#include <limits>
#include <map>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "../src/text/text.hpp"

namespace tintbox::script {

namespace {

// A malformed line: the runner prints `LINE: message` and stops with kExitScriptError.
// Deliberately not a std::exception, so that the catch of the control's failures around
// each command cannot mistake it for one.
class ScriptError {
  public:
    explicit ScriptError(std::string message) : message_(std::move(message)) {}
    const std::string& message() const noexcept { return message_; }

  private:
    std::string message_;
};

// A word as a message shows it: plain words in single quotes, anything with blanks,
// control or non-ASCII characters escaped like a printed text, long ones shortened.
std::string shown(std::string_view word) {
    constexpr std::size_t kLongest = 40;
    const bool plain =
        std::all_of(word.begin(), word.end(), [](char c) { return c > ' ' && c < 0x7F; });
    const std::string_view head = word.substr(0, kLongest);
    const std::string tail = word.size() > kLongest ? "..." : "";
    if (plain)
        return "'" + std::string(head) + tail + "'";
    return format_text(text::utf16_from_utf8_lenient(head)) + tail;
}

[[noreturn]] void fail(const std::string& message) {
    throw ScriptError(message);
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Decodes the text between a pair of double quotes starting at line[pos] (the opening
// quote); returns the position after the closing quote.
std::size_t read_quoted(std::string_view line, std::size_t pos, std::u16string& text) {
    std::string plain;  // UTF-8 run not yet converted
    auto flush = [&] {
        text += text::utf16_from_utf8_lenient(plain);
        plain.clear();
    };
    for (std::size_t i = pos + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            flush();
            return i + 1;
        }
        if (c != '\\') {
            plain += c;
            continue;
        }
        if (++i == line.size())
            break;
        switch (line[i]) {
            case '"':
                plain += '"';
                break;
            case '\\':
                plain += '\\';
                break;
            case 'n':
                plain += '\n';
                break;
            case 't':
                plain += '\t';
                break;
            case 'u': {
                char16_t unit = 0;
                if (!text::read_unicode_escape_digits(line, i + 1, true, unit)) {
                    throw std::invalid_argument("\\u needs four hexadecimal digits");
                }
                i += 4;
                flush();
                text += unit;
                break;
            }
            default:
                throw std::invalid_argument(std::string("unknown escape \\") + line[i] +
                                            " in a text");
        }
    }
    throw std::invalid_argument("text without its closing quote");
}

// ---- Numbers --------------------------------------------------------------------------

// A decimal integer with an optional sign, or 0x and one to eight hexadecimal digits,
// taken as a 32-bit pattern (0x80000004 is -2147483644).
std::optional<std::int64_t> integer_from(std::string_view word) {
    if (word.size() > 2 && word[0] == '0' && word[1] == 'x') {
        const std::string_view digits = word.substr(2);
        if (digits.size() > 8)
            return std::nullopt;
        std::uint32_t pattern = 0;
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), pattern, 16);
        if (ec != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        return static_cast<std::int32_t>(pattern);
    }
    std::string_view digits = word;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits[0] < '0' || digits[0] > '9')
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    constexpr auto kLimit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (magnitude > kLimit)
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(magnitude);
    return negative ? -value : value;
}

std::int64_t integer_arg(const Token& word) {
    if (!word.quoted) {
        if (auto value = integer_from(word.raw))
            return *value;
    }
    fail("malformed number " + shown(word.raw));
}

std::int32_t int32_arg(const Token& word) {
    const std::int64_t value = integer_arg(word);
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        fail("number " + shown(word.raw) + " does not fit 32 bits");
    }
    return static_cast<std::int32_t>(value);
}

std::int16_t int16_arg(const Token& word) {
    const std::int64_t value = integer_arg(word);
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        fail("number " + shown(word.raw) + " does not fit 16 bits");
    }
    return static_cast<std::int16_t>(value);
}

// Twips: an integer as above, or a decimal number with a fraction (1845.5).
std::optional<Twips> twips_from(std::string_view word) {
    if (auto whole = integer_from(word))
        return static_cast<Twips>(*whole);
    std::string_view digits = word;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-'))
        digits.remove_prefix(1);
    const auto point = digits.find('.');
    const auto is_digits = [](std::string_view part) {
        if (part.empty())
            return false;
        for (char c : part) {
            if (c < '0' || c > '9')
                return false;
        }
        return true;
    };
    if (point == std::string_view::npos || !is_digits(digits.substr(0, point)) ||
        !is_digits(digits.substr(point + 1))) {
        return std::nullopt;
    }
    float value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return word[0] == '-' ? -value : value;
}

Twips twips_arg(const Token& word) {
    if (!word.quoted) {
        if (auto value = twips_from(word.raw))
            return *value;
    }
    fail("malformed number " + shown(word.raw));
}

bool bool_arg(const Token& word) {
    if (!word.quoted) {
        if (word.raw == "True" || word.raw == "-1")
            return true;
        if (word.raw == "False" || word.raw == "0")
            return false;
    }
    fail("expected True or False, not " + shown(word.raw));
}

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

std::int16_t button_arg(const Token& word) {
    if (!word.quoted) {
        if (word.raw == "left")
            return kLeftButton;
        if (word.raw == "right")
            return kRightButton;
        if (word.raw == "middle")
            return kMiddleButton;
    }
    fail("unknown mouse button " + shown(word.raw) + " (left, right or middle)");
}

std::string buttons_text(std::int16_t buttons) {
    if (buttons == 0)
        return "none";
    std::string text;
    for (const auto& [bit, name] : {std::pair<std::int16_t, const char*>{kLeftButton, "left"},
                                    {kRightButton, "right"},
                                    {kMiddleButton, "middle"}}) {
        if ((buttons & bit) == 0)
            continue;
        if (!text.empty())
            text += ' ';
        text += name;
    }
    return text;
}

const std::map<std::string, Key, std::less<>>& key_names() {
    static const std::map<std::string, Key, std::less<>> names = {
        {"Backspace", Key::Backspace},
        {"Delete", Key::Delete},
        {"Left", Key::Left},
        {"Right", Key::Right},
        {"Home", Key::Home},
        {"End", Key::End},
        {"Shift+Left", Key::ShiftLeft},
        {"Shift+Right", Key::ShiftRight},
        {"Shift+Home", Key::ShiftHome},
        {"Shift+End", Key::ShiftEnd},
        {"Ctrl+A", Key::CtrlA},
        {"PageUp", Key::PageUp},
        {"PageDown", Key::PageDown},
    };
    return names;
}

const std::string& bare(const Token& word, const char* what) {
    if (word.quoted)
        fail(std::string("expected ") + what + ", not a quoted text");
    return word.raw;
}

void expect_words(const std::vector<Token>& words, std::size_t count, const char* usage) {
    if (words.size() != count)
        fail(std::string("usage: ") + usage);
}

}  // namespace

// ---- Words and printed forms -------------------------------------------------------------

std::vector<Token> tokenize(std::string_view line) {
    std::vector<Token> words;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && is_blank(line[i]))
            ++i;
        if (i == line.size() || line[i] == '#')
            break;
        Token word;
        if (line[i] == '"') {
            word.quoted = true;
            i = read_quoted(line, i, word.text);
            if (i < line.size() && !is_blank(line[i])) {
                throw std::invalid_argument("a text must be followed by a blank");
            }
            word.raw = text::utf8_from_utf16_lenient(word.text);
        } else {
            const std::size_t start = i;
            while (i < line.size() && !is_blank(line[i])) {
                if (line[i] == '"')
                    throw std::invalid_argument("a quote inside a word");
                ++i;
            }
            word.raw = std::string(line.substr(start, i - start));
            word.text = text::utf16_from_utf8_lenient(word.raw);
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string format_text(std::u16string_view text) {
    std::string printed = "\"";
    for (char16_t unit : text) {
        switch (unit) {
            case u'"':
                printed += "\\\"";
                break;
            case u'\\':
                printed += "\\\\";
                break;
            case u'\n':
                printed += "\\n";
                break;
            case u'\t':
                printed += "\\t";
                break;
            default:
                if (unit >= 0x20 && unit <= 0x7E) {
                    printed += static_cast<char>(unit);
                } else {
                    text::append_unicode_escape(printed, unit);
                }
        }
    }
    printed += '"';
    return printed;
}

std::string format_twips(Twips value) {
    if (value == 0)
        return "0";  // also for -0
    char buffer[128];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

std::string format_bool(bool value) {
    return value ? "True" : "False";
}

// ---- The runner's loop ------------------------------------------------------------------

ScriptRunner::ScriptRunner(std::ostream& out, std::ostream& err)
    : out_(out), err_(err), screen_(std::make_shared<FakeScreen>()) {}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::create_control() {
    TintboxPlatform platform;
    platform.screen = screen_;
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
    while (std::getline(script, line)) {
        ++line_number_;
        try {
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
    Tintbox& control = *control_;

    const auto overflow = [&](const Token& word, const char* type) {
        report(Error(ErrorKind::Overflow, word.raw + " does not fit " + type + " argument"));
    };
    if (name == "GetRGB" || name == "GetRed" || name == "GetGreen" || name == "GetBlue") {
        expect_words(words, 2, ("call " + name).c_str());
        const std::int32_t value = name == "GetRGB"     ? control.GetRGB()
                                   : name == "GetRed"   ? control.GetRed()
                                   : name == "GetGreen" ? control.GetGreen()
                                                        : control.GetBlue();
        out_ << value << '\n';
    } else if (name == "SetRGB") {
        expect_words(words, 3, "call SetRGB VALUE");
        const auto value = host_integer<std::int32_t>(words[2]);
        if (!value)
            return overflow(words[2], "a Long");
        control.SetRGB(*value);
        out_ << "ok\n";
    } else if (name == "SetRed" || name == "SetGreen" || name == "SetBlue") {
        expect_words(words, 3, ("call " + name + " VALUE").c_str());
        const auto value = host_integer<std::int16_t>(words[2]);
        if (!value)
            return overflow(words[2], "an Integer");
        if (name == "SetRed") {
            control.SetRed(*value);
        } else if (name == "SetGreen") {
            control.SetGreen(*value);
        } else {
            control.SetBlue(*value);
        }
        out_ << "ok\n";
    } else if (name == "Dec") {
        expect_words(words, 3, "call Dec TEXT");
        std::u16string number = words[2].text;
        const std::int32_t result = control.Dec(number);
        out_ << result << ' ' << format_text(number) << '\n';
    } else if (name == "SepRGB") {
        expect_words(words, 3, "call SepRGB VALUE");
        const auto value = host_integer<std::int32_t>(words[2]);
        if (!value)
            return overflow(words[2], "a Long");
        std::int32_t red = 0, green = 0, blue = 0;
        control.SepRGB(*value, red, green, blue);
        out_ << red << ' ' << green << ' ' << blue << '\n';
    } else {
        fail("unknown method " + shown(name));
    }
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

// ---- Looking inside ---------------------------------------------------------------------

std::string ScriptRunner::picture_text(const PicturePtr& picture) {
    if (!picture)
        return "none";
    std::size_t id = 0;
    while (id < pictures_.size() && pictures_[id] != picture)
        ++id;
    if (id == pictures_.size())
        pictures_.push_back(picture);
    return std::to_string(picture->width()) + ' ' + std::to_string(picture->height()) + " #" +
           std::to_string(id + 1);
}

View& ScriptRunner::view_named(const std::string& name) const {
    View* view = control_->UserControl().find(name);
    if (view == nullptr)
        fail("no view named " + shown(name));
    return *view;
}

void ScriptRunner::cmd_get(const Words& words) {
    if (words.size() < 2)
        fail("usage: get WHAT");
    const std::string& what = bare(words[1], "what to get");
    if (what == "point") {
        expect_words(words, 5, "get point VIEW X Y");
        const View& view = view_named(bare(words[2], "a view name"));
        if (view.kind() != ViewKind::PictureBox)
            fail("view " + view.name() + " has no Point");
        const auto& box = static_cast<const PictureBox&>(view);
        out_ << box.Point(twips_arg(words[3]), twips_arg(words[4])) << '\n';
        return;
    }
    expect_words(words, 2, "get WHAT");
    out_ << value_of(what) << '\n';
}

void ScriptRunner::cmd_watch(const Words& words) {
    std::vector<std::string> watched;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& what = bare(words[i], "what to watch");
        value_of(what);  // fails here, not inside a Change, for something unknown
        watched.push_back(what);
    }
    watched_ = std::move(watched);
}

void ScriptRunner::on_change() {
    if (watched_.empty())
        return;
    out_ << "Change";
    for (const std::string& what : watched_)
        out_ << ' ' << value_of(what);
    out_ << '\n';
}

std::string ScriptRunner::value_of(const std::string& what) {
    const Tintbox& control = *control_;
    const auto dot = what.find('.');
    if (dot != std::string::npos) {
        const std::string owner = what.substr(0, dot);
        const std::string property = what.substr(dot + 1);
        if (owner == "screen") {
            if (property == "TwipsPerPixelX")
                return format_twips(screen_->twips_per_pixel_x());
            if (property == "OpenContexts")
                return std::to_string(screen_->open_contexts());
            fail("the screen has no property " + shown(property));
        }
        if (owner == "UserControl")
            return surface_property(property);
        return view_property(owner, property);
    }
    if (what == "focus") {
        const View* focused = control.UserControl().focused();
        return focused ? focused->name() : "none";
    }
    if (what == "Enabled")
        return format_bool(control.Enabled());
    if (what == "Picture")
        return picture_text(control.Picture());
    const TintboxInternals inside(*control_);
    if (what == "ChangeSource")
        return format_text(text::utf16_from_utf8_lenient(inside.ChangeSource()));
    if (what == "CurrentColor")
        return std::to_string(inside.CurrentColor());
    using Flag = bool (TintboxInternals::*)() const noexcept;
    static const std::map<std::string, Flag, std::less<>> flags = {
        {"SpectrumPressed", &TintboxInternals::SpectrumPressed},
        {"ClickedRed", &TintboxInternals::ClickedRed},
        {"ClickedGreen", &TintboxInternals::ClickedGreen},
        {"ClickedBlue", &TintboxInternals::ClickedBlue},
        {"ClickedDec", &TintboxInternals::ClickedDec},
        {"ClickedHex", &TintboxInternals::ClickedHex},
        {"ClickedWebHex", &TintboxInternals::ClickedWebHex},
    };
    const auto flag = flags.find(what);
    if (flag == flags.end())
        fail("unknown field " + shown(what));
    return format_bool((inside.*(flag->second))());
}

std::string ScriptRunner::surface_property(const std::string& property) const {
    const Surface& surface = control_->UserControl();
    if (property == "Width")
        return format_twips(surface.Width());
    if (property == "Height")
        return format_twips(surface.Height());
    if (property == "Enabled")
        return format_bool(surface.Enabled());
    if (property == "BackColor")
        return std::to_string(surface.BackColor());
    fail("view UserControl has no property " + shown(property));
}

std::string ScriptRunner::view_property(const std::string& view_name, const std::string& property) {
    const View& view = view_named(view_name);
    const ViewKind kind = view.kind();
    const bool text_field = kind == ViewKind::TextField;
    const bool scroll_bar = kind == ViewKind::ScrollBar;
    const bool image = kind == ViewKind::Image;
    const bool label = kind == ViewKind::Label;
    const bool timer = kind == ViewKind::Timer;
    const auto* field = text_field ? static_cast<const TextField*>(&view) : nullptr;
    const auto* bar = scroll_bar ? static_cast<const ScrollBar*>(&view) : nullptr;
    const auto* picture_view = image ? static_cast<const Image*>(&view) : nullptr;
    const auto* caption_view = label ? static_cast<const Label*>(&view) : nullptr;
    const auto* clock = timer ? static_cast<const Timer*>(&view) : nullptr;
    const auto icon_text = [](const PointerShapePtr& icon) {
        return icon ? icon->name : std::string("none");
    };

    std::optional<std::string> value;
    if (!timer && property == "Left") {
        value = format_twips(view.Left());
    } else if (!timer && property == "Top") {
        value = format_twips(view.Top());
    } else if (!timer && property == "Width") {
        value = format_twips(view.Width());
    } else if (!timer && property == "Height") {
        value = format_twips(view.Height());
    } else if (!timer && property == "Visible") {
        value = format_bool(view.Visible());
    } else if (property == "Enabled") {
        value = format_bool(view.Enabled());
    } else if (!image && !timer && property == "TabIndex") {
        value = std::to_string(view.TabIndex());
    } else if ((text_field || label || kind == ViewKind::PictureBox) && property == "BackColor") {
        value = std::to_string(view.BackColor());
    } else if ((text_field || label) && property == "ForeColor") {
        value = std::to_string(view.ForeColor());
    } else if (field && property == "Text") {
        value = format_text(field->Text());
    } else if (field && property == "SelStart") {
        value = std::to_string(field->SelStart());
    } else if (field && property == "SelLength") {
        value = std::to_string(field->SelLength());
    } else if (field && property == "MaxLength") {
        value = std::to_string(field->MaxLength());
    } else if (field && property == "MousePointer") {
        value = std::to_string(field->MousePointer());
    } else if (field && property == "MouseIcon") {
        value = icon_text(field->MouseIcon());
    } else if (bar && property == "Value") {
        value = std::to_string(bar->Value());
    } else if (bar && property == "Min") {
        value = std::to_string(bar->Min());
    } else if (bar && property == "Max") {
        value = std::to_string(bar->Max());
    } else if (picture_view && property == "Picture") {
        value = picture_text(picture_view->Picture());
    } else if (picture_view && property == "Stretch") {
        value = format_bool(picture_view->Stretch());
    } else if (picture_view && property == "MousePointer") {
        value = std::to_string(picture_view->MousePointer());
    } else if (picture_view && property == "MouseIcon") {
        value = icon_text(picture_view->MouseIcon());
    } else if (caption_view && property == "Caption") {
        value = format_text(caption_view->Caption());
    } else if (caption_view && property == "AutoSize") {
        value = format_bool(caption_view->AutoSize());
    } else if (clock && property == "Interval") {
        value = std::to_string(clock->Interval());
    }
    if (!value)
        fail("view " + view_name + " has no property " + shown(property));
    return *value;
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

// ---- Time and the screen ----------------------------------------------------------------

void ScriptRunner::cmd_tick(const Words& words) {
    if (words.size() > 2)
        fail("usage: tick [N]");
    std::int32_t ticks = 1;
    if (words.size() == 2) {
        ticks = int32_arg(words[1]);
        if (ticks < 0 || ticks > std::numeric_limits<std::int32_t>::max() / 10) {
            fail("tick needs a count from 0 to " +
                 std::to_string(std::numeric_limits<std::int32_t>::max() / 10));
        }
    }
    control_->UserControl().advance_time(ticks * 10);
}

void ScriptRunner::cmd_screen(const Words& words) {
    if (words.size() < 2)
        fail("usage: screen cursor|pixel|fill|unreadable ...");
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
    } else {
        fail("unknown screen command " + shown(what));
    }
}

}  // namespace tintbox::script
