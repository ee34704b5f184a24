// Looking inside: what `get` and `watch` read. A view's properties come from one table
// of property names, the view kinds that have them and how each prints.
#include <ostream>

#include "script_runner.hpp"
#include "text/text.hpp"

namespace tintbox::script {

namespace {

using KindSet = unsigned;

constexpr KindSet kind_bit(ViewKind kind) {
    return 1u << static_cast<unsigned>(kind);
}

constexpr KindSet kTextField = kind_bit(ViewKind::TextField);
constexpr KindSet kScrollBar = kind_bit(ViewKind::ScrollBar);
constexpr KindSet kPictureBox = kind_bit(ViewKind::PictureBox);
constexpr KindSet kImage = kind_bit(ViewKind::Image);
constexpr KindSet kLabel = kind_bit(ViewKind::Label);
constexpr KindSet kTimer = kind_bit(ViewKind::Timer);
constexpr KindSet kAnyKind = kTextField | kScrollBar | kPictureBox | kImage | kLabel | kTimer;
constexpr KindSet kPlaced = kAnyKind & ~kTimer;  // the kinds with a place on the surface

template <class Kind>
const Kind& as(const View& view) {
    return static_cast<const Kind&>(view);
}

std::string icon_text(const PointerShapePtr& icon) {
    return icon ? icon->name : std::string("none");
}

struct ViewProperty {
    const char* name;
    KindSet kinds;  // the view kinds that have it
    std::string (*read)(const View& view, PictureNumbers& pictures);
};

// A property name may appear in several rows, for kinds that keep it in different places.
const ViewProperty kViewProperties[] = {
    {"Left", kPlaced, [](const View& v, PictureNumbers&) { return format_twips(v.Left()); }},
    {"Top", kPlaced, [](const View& v, PictureNumbers&) { return format_twips(v.Top()); }},
    {"Width", kPlaced, [](const View& v, PictureNumbers&) { return format_twips(v.Width()); }},
    {"Height", kPlaced, [](const View& v, PictureNumbers&) { return format_twips(v.Height()); }},
    {"Visible", kPlaced, [](const View& v, PictureNumbers&) { return format_bool(v.Visible()); }},
    {"Enabled", kAnyKind, [](const View& v, PictureNumbers&) { return format_bool(v.Enabled()); }},
    {"TabIndex", kPlaced & ~kImage,
     [](const View& v, PictureNumbers&) { return std::to_string(v.TabIndex()); }},
    {"BackColor", kTextField | kLabel | kPictureBox,
     [](const View& v, PictureNumbers&) { return std::to_string(v.BackColor()); }},
    {"ForeColor", kTextField | kLabel,
     [](const View& v, PictureNumbers&) { return std::to_string(v.ForeColor()); }},
    {"Text", kTextField,
     [](const View& v, PictureNumbers&) { return format_text(as<TextField>(v).Text()); }},
    {"SelStart", kTextField,
     [](const View& v, PictureNumbers&) { return std::to_string(as<TextField>(v).SelStart()); }},
    {"SelLength", kTextField,
     [](const View& v, PictureNumbers&) { return std::to_string(as<TextField>(v).SelLength()); }},
    {"MaxLength", kTextField,
     [](const View& v, PictureNumbers&) { return std::to_string(as<TextField>(v).MaxLength()); }},
    {"MousePointer", kTextField,
     [](const View& v, PictureNumbers&) {
         return std::to_string(as<TextField>(v).MousePointer());
     }},
    {"MouseIcon", kTextField,
     [](const View& v, PictureNumbers&) { return icon_text(as<TextField>(v).MouseIcon()); }},
    {"Value", kScrollBar,
     [](const View& v, PictureNumbers&) { return std::to_string(as<ScrollBar>(v).Value()); }},
    {"Min", kScrollBar,
     [](const View& v, PictureNumbers&) { return std::to_string(as<ScrollBar>(v).Min()); }},
    {"Max", kScrollBar,
     [](const View& v, PictureNumbers&) { return std::to_string(as<ScrollBar>(v).Max()); }},
    {"Picture", kImage,
     [](const View& v, PictureNumbers& pictures) { return pictures.text(as<Image>(v).Picture()); }},
    {"Stretch", kImage,
     [](const View& v, PictureNumbers&) { return format_bool(as<Image>(v).Stretch()); }},
    {"MousePointer", kImage,
     [](const View& v, PictureNumbers&) { return std::to_string(as<Image>(v).MousePointer()); }},
    {"MouseIcon", kImage,
     [](const View& v, PictureNumbers&) { return icon_text(as<Image>(v).MouseIcon()); }},
    {"Caption", kLabel,
     [](const View& v, PictureNumbers&) { return format_text(as<Label>(v).Caption()); }},
    {"AutoSize", kLabel,
     [](const View& v, PictureNumbers&) { return format_bool(as<Label>(v).AutoSize()); }},
    {"Interval", kTimer,
     [](const View& v, PictureNumbers&) { return std::to_string(as<Timer>(v).Interval()); }},
};

struct SurfaceProperty {
    const char* name;
    std::string (*read)(const Surface& surface);
};

const SurfaceProperty kSurfaceProperties[] = {
    {"Width", [](const Surface& s) { return format_twips(s.Width()); }},
    {"Height", [](const Surface& s) { return format_twips(s.Height()); }},
    {"Enabled", [](const Surface& s) { return format_bool(s.Enabled()); }},
    {"BackColor", [](const Surface& s) { return std::to_string(s.BackColor()); }},
};

using Flag = bool (TintboxInternals::*)() const noexcept;
struct ControlFlag {
    const char* name;
    Flag read;
};

const ControlFlag kControlFlags[] = {
    {"SpectrumPressed", &TintboxInternals::SpectrumPressed},
    {"ClickedRed", &TintboxInternals::ClickedRed},
    {"ClickedGreen", &TintboxInternals::ClickedGreen},
    {"ClickedBlue", &TintboxInternals::ClickedBlue},
    {"ClickedDec", &TintboxInternals::ClickedDec},
    {"ClickedHex", &TintboxInternals::ClickedHex},
    {"ClickedWebHex", &TintboxInternals::ClickedWebHex},
};

}  // namespace

std::string PictureNumbers::text(const PicturePtr& picture) {
    if (!picture)
        return "none";
    std::size_t id = 0;
    while (id < seen_.size() && seen_[id] != picture)
        ++id;
    if (id == seen_.size())
        seen_.push_back(picture);
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
    const auto dot = what.find('.');
    if (dot != std::string::npos) {
        const std::string owner = what.substr(0, dot);
        const std::string property = what.substr(dot + 1);
        if (owner == "screen")
            return screen_property(property);
        if (owner == "UserControl")
            return surface_property(property);
        return view_property(owner, property);
    }
    if (what == "focus") {
        const View* focused = control_->UserControl().focused();
        return focused ? focused->name() : "none";
    }
    if (what == "clipboard")
        return format_text(clipboard_->text());
    if (what == "Enabled")
        return format_bool(control_->Enabled());
    if (what == "Picture")
        return pictures_.text(control_->Picture());
    const TintboxInternals inside(*control_);
    if (what == "ChangeSource")
        return format_text(text::utf16_from_utf8_lenient(inside.ChangeSource()));
    if (what == "CurrentColor")
        return std::to_string(inside.CurrentColor());
    for (const ControlFlag& flag : kControlFlags) {
        if (what == flag.name)
            return format_bool((inside.*(flag.read))());
    }
    fail("unknown field " + shown(what));
}

std::string ScriptRunner::screen_property(const std::string& property) const {
    if (property == "TwipsPerPixelX")
        return format_twips(screen_->twips_per_pixel_x());
    if (property == "OpenContexts")
        return std::to_string(screen_->open_contexts());
    fail("the screen has no property " + shown(property));
}

std::string ScriptRunner::surface_property(const std::string& property) const {
    for (const SurfaceProperty& row : kSurfaceProperties) {
        if (property == row.name)
            return row.read(control_->UserControl());
    }
    fail("view UserControl has no property " + shown(property));
}

std::string ScriptRunner::view_property(const std::string& view_name, const std::string& property) {
    const View& view = view_named(view_name);
    for (const ViewProperty& row : kViewProperties) {
        if (property == row.name && (row.kinds & kind_bit(view.kind())) != 0)
            return row.read(view, pictures_);
    }
    fail("view " + view_name + " has no property " + shown(property));
}

}  // namespace tintbox::script
