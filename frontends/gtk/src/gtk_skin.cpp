// Sections: construction - batching and flush - mirroring - focus - input (pointer,
// keys, wheel, scroll bars) - drawing - timer.
#include "gtk_skin.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "gtk_platform.hpp"

#ifdef TINTBOX_GTK_HAS_PORTAL
#include <libportal-gtk4/portal-gtk4.h>
#endif
#include "tintbox/accessible_names.hpp"
#include "tintbox/front_end.hpp"
#include "tintbox/geometry.hpp"
#include "tintbox/input.hpp"

namespace tintbox::gtkskin {

// ---- Construction --------------------------------------------------------------------

Skin::Skin(GtkWidget* owner, Tintbox& control, std::function<void(const std::string&)> report)
    : owner_(owner),
      control_(control),
      surface_(control.UserControl()),
      report_(std::move(report)) {
    build();
}

Skin::~Skin() {
    detach();
}

void Skin::build() {
    const auto& views = surface_.views();
    mirrors_.resize(views.size());
    session_.reset(views.size());
    for (const std::size_t i : surface_.creation_order()) {
        View& view = *views[i];
        auto mirror = std::make_unique<Mirror>();
        mirror->view = &view;
        mirror->skin = this;
        switch (view.kind()) {
            case ViewKind::TextField:
                // GtkText alone is no text box to assistive technology (GtkEntry
                // wraps it in one); the control's fields are.
                mirror->widget = GTK_WIDGET(g_object_new(GTK_TYPE_TEXT, "accessible-role",
                                                         GTK_ACCESSIBLE_ROLE_TEXT_BOX, nullptr));
                gtk_editable_set_enable_undo(GTK_EDITABLE(mirror->widget), FALSE);
                mirror->css = gtk_css_provider_new();
                G_GNUC_BEGIN_IGNORE_DEPRECATIONS
                gtk_style_context_add_provider(gtk_widget_get_style_context(mirror->widget),
                                               GTK_STYLE_PROVIDER(mirror->css),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
                G_GNUC_END_IGNORE_DEPRECATIONS
                break;
            case ViewKind::ScrollBar: {
                mirror->adjustment = gtk_adjustment_new(0, 0, 0, 1, 1, 0);
                mirror->widget = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, mirror->adjustment);
                add_arrows(*mirror);
                g_signal_connect(mirror->adjustment, "value-changed",
                                 G_CALLBACK(+[](GtkAdjustment*, gpointer data) {
                                     auto* bar = static_cast<Mirror*>(data);
                                     bar->skin->bar_moved(*bar);
                                 }),
                                 mirror.get());
                break;
            }
            case ViewKind::PictureBox:
            case ViewKind::Image:
            case ViewKind::Label:
                mirror->widget = GTK_WIDGET(g_object_new(GTK_TYPE_DRAWING_AREA, "accessible-role",
                                                         GTK_ACCESSIBLE_ROLE_IMG, nullptr));
                gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(mirror->widget), draw_box,
                                               mirror.get(), nullptr);
                break;
            case ViewKind::Timer:
                break;
        }
        if (GtkWidget* widget = mirror->widget) {
            gtk_widget_set_name(widget, view.name().c_str());
            gtk_widget_set_focusable(
                widget, view.kind() == ViewKind::TextField || view.kind() == ViewKind::ScrollBar);
            gtk_widget_insert_before(widget, owner_, nullptr);
            stacking_.push_back(widget);
            if (const AccessibleName* names = accessible_name(view.name())) {
                // The tooltip first: GTK makes it the description, which the table's
                // own then replaces.
                const std::string tip = *names->description
                                            ? std::string(names->name) + "\n" + names->description
                                            : std::string(names->name);
                gtk_widget_set_tooltip_text(widget, tip.c_str());
                gtk_accessible_update_property(
                    GTK_ACCESSIBLE(widget), GTK_ACCESSIBLE_PROPERTY_LABEL, names->name,
                    GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, names->description, -1);
            } else {
                // Only the control's own logic uses it.
                gtk_accessible_update_state(GTK_ACCESSIBLE(widget), GTK_ACCESSIBLE_STATE_HIDDEN,
                                            TRUE, -1);
            }
        }
        index_of_[&view] = i;
        view.set_observer([this, i](const View&, Aspect aspect) { mark(i, aspect); });
        mirrors_[i] = std::move(mirror);
    }

    // Assistive technology reads the children in their order, so the views a person
    // reaches come first, top to bottom and left to right as they sit in the control;
    // the picker draws them in stacking order (snapshot_children) all the same. As they
    // come after them, the boxes that only the control's logic uses let the pointer
    // through (GTK shows the pointer of the widget it finds under it); the view layer
    // decides which view a press is for.
    std::vector<Mirror*> reachable;
    for (auto& mirror : mirrors_) {
        if (mirror->widget == nullptr) {
            continue;
        }
        if (accessible_name(mirror->view->name()) != nullptr) {
            reachable.push_back(mirror.get());
        } else if (mirror->view->kind() != ViewKind::TextField) {
            gtk_widget_set_can_target(mirror->widget, FALSE);
        }
    }
    std::stable_sort(reachable.begin(), reachable.end(), [](const Mirror* a, const Mirror* b) {
        const View& first = *a->view;
        const View& second = *b->view;
        return first.surface_top() != second.surface_top()
                   ? first.surface_top() < second.surface_top()
                   : first.surface_left() < second.surface_left();
    });
    for (auto view = reachable.rbegin(); view != reachable.rend(); ++view) {
        gtk_widget_insert_after((*view)->widget, owner_, nullptr);
    }

    primary_ = std::make_unique<GtkClipboardText>(
        gdk_display_get_primary_clipboard(gtk_widget_get_display(owner_)));

    // Typing comes through an input method (compose sequences, dead keys, other
    // scripts); what it commits is typed into the focused field.
    input_method_ = gtk_im_multicontext_new();
    gtk_im_context_set_client_widget(input_method_, owner_);
    g_signal_connect_swapped(input_method_, "commit", G_CALLBACK(+[](Skin* skin, const char* text) {
                                 const std::u16string typed = from_utf8(text);
                                 if (!skin->session_.detached() && is_typed_text(typed)) {
                                     skin->person_input([&] { skin->surface_.type(typed); });
                                 }
                             }),
                             this);

    auto* events = gtk_event_controller_legacy_new();
    gtk_event_controller_set_propagation_phase(events, GTK_PHASE_CAPTURE);
    g_signal_connect(events, "event", G_CALLBACK(on_event), this);
    gtk_widget_add_controller(owner_, events);

    focus_controller_ = gtk_event_controller_focus_new();
    g_signal_connect_swapped(focus_controller_, "enter",
                             G_CALLBACK(+[](Skin* skin) { skin->focus_entered(); }), this);
    g_signal_connect_swapped(focus_controller_, "leave",
                             G_CALLBACK(+[](Skin* skin) { skin->focus_left(); }), this);
    gtk_widget_add_controller(owner_, focus_controller_);

    surface_.on_surface_changed = [this] {
        session_.note_surface();
        if (!surface_.Enabled()) {
            close_system_pick();  // switched off while the person picks
        }
    };
    timer_changed();
    session_.flush();
}

void Skin::detach() {
    if (session_.detached()) {
        return;
    }
    end_gesture();
    close_system_pick();
    close_context_menu();
    g_clear_object(&portal_);
    primary_.reset();
    if (input_method_ != nullptr) {
        gtk_im_context_set_client_widget(input_method_, nullptr);
        g_clear_object(&input_method_);
    }
    session_.detach();
    for (guint* source : {&flush_source_, &clock_source_}) {
        if (*source != 0) {
            g_source_remove(*source);
            *source = 0;
        }
    }
    if (resize_source_ != 0) {
        g_source_remove(static_cast<guint>(resize_source_));
        resize_source_ = 0;
    }
    for (const auto& view : surface_.views()) {
        view->set_observer(nullptr);
    }
    surface_.on_surface_changed = nullptr;
    for (auto& mirror : mirrors_) {
        if (mirror && mirror->widget != nullptr) {
            for (GtkWidget* arrow : mirror->arrows) {
                if (arrow != nullptr) {
                    gtk_widget_unparent(arrow);
                }
            }
            gtk_widget_unparent(mirror->widget);
            if (mirror->css != nullptr) {
                g_object_unref(mirror->css);
            }
            drop_rendered(*mirror);
        }
    }
    for (auto& cursor : cursors_) {
        g_object_unref(cursor.second.second);
    }
    cursors_.clear();
    g_clear_object(&bar_css_);
    stacking_.clear();
    mirrors_.clear();
    index_of_.clear();
}

GtkWidget* Skin::widget_for(const std::string& name) const {
    const View* view = surface_.find(name);
    const auto found = index_of_.find(view);
    return found == index_of_.end() ? nullptr : mirrors_[found->second]->widget;
}

// ---- Batching and flush --------------------------------------------------------------

std::string Skin::change_door() const {
    if (session_.actor() == Actor::Host) {
        return "host";  // also a call made on the control directly
    }
    if (session_.actor() == Actor::Clock) {
        return "eyedropper";
    }
    const std::string& tag = front_end::change_source(control_);
    return tag == front_end::kSpectrumSource ? "spectrum" : tag;
}

void Skin::mark(std::size_t index, Aspect aspect) {
    session_.note(index, aspect_bit(aspect));
    if (aspect == Aspect::Timer && !session_.detached()) {
        timer_changed();
    }
}

// One pending idle flush at most: a frame's flush and a posted one are the same pass.
void Skin::post_flush() {
    if (flush_source_ != 0) {
        return;
    }
    flush_source_ = g_idle_add_full(
        G_PRIORITY_HIGH_IDLE,
        +[](gpointer self) -> gboolean {
            auto* skin = static_cast<Skin*>(self);
            skin->flush_source_ = 0;
            skin->session_.flush();
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
}

void Skin::report(const std::exception& error) {
    report_(error.what());
}

// ---- Mirroring -----------------------------------------------------------------------

void Skin::mirror_surface() {
    gtk_widget_set_sensitive(owner_, TRUE);  // the views carry their own Enabled
    gtk_widget_queue_resize(owner_);
}

void Skin::mirror_view(std::size_t index, unsigned aspects) {
    Mirror& mirror = *mirrors_[index];
    View& view = *mirror.view;
    GtkWidget* widget = mirror.widget;
    if (widget == nullptr) {
        return;
    }
    const auto has = [aspects](Aspect aspect) { return (aspects & aspect_bit(aspect)) != 0; };
    if (has(Aspect::Geometry)) {
        mirror.rect = view_rect(view, surface_.twips_per_pixel());
        if (view.kind() == ViewKind::ScrollBar) {
            size_bar_parts(mirror);
        }
        drop_rendered(mirror);
        gtk_widget_queue_allocate(owner_);
    }
    if (has(Aspect::Visible)) {
        gtk_widget_set_visible(widget, view.Visible());
    }
    if (has(Aspect::Enabled)) {
        gtk_widget_set_sensitive(widget, view.Enabled());
    }
    if (has(Aspect::Pointer)) {
        apply_pointer(mirror);
    }
    if (has(Aspect::Focus)) {
        gtk_widget_queue_draw(owner_);  // the focus mark
    }
    switch (view.kind()) {
        case ViewKind::TextField:
            apply_field(mirror, aspects);
            break;
        case ViewKind::ScrollBar:
            if ((has(Aspect::Value) || has(Aspect::Enabled)) && held_bar_ != &mirror) {
                const auto& bar = static_cast<const ScrollBar&>(view);
                moving_bar_ = true;
                gtk_adjustment_configure(mirror.adjustment, bar.thumb_position(), bar.Min(),
                                         bar.Max(), 1, 1, 0);
                moving_bar_ = false;
            }
            break;
        default:
            if (has(Aspect::Picture)) {
                drop_rendered(mirror);
            }
            if (has(Aspect::Colors) && is_swatch(view.name())) {
                apply_description(mirror);
            }
            gtk_widget_queue_draw(widget);
            break;
    }
}

void Skin::apply_description(Mirror& mirror) {
    const std::string described = color_description(mirror.view->BackColor());
    gtk_accessible_update_property(GTK_ACCESSIBLE(mirror.widget),
                                   GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, described.c_str(), -1);
}

void Skin::apply_field(Mirror& mirror, unsigned aspects) {
    const auto& model = static_cast<const TextField&>(*mirror.view);
    if (aspects & (aspect_bit(Aspect::Colors) | aspect_bit(Aspect::Geometry))) {
        apply_field_style(mirror);
    }
    if (aspects & aspect_bit(Aspect::Text)) {
        const std::string text = to_utf8(model.Text());
        if (text != gtk_editable_get_text(GTK_EDITABLE(mirror.widget))) {
            gtk_editable_set_text(GTK_EDITABLE(mirror.widget), text.c_str());
        }
    }
    if (aspects &
        (aspect_bit(Aspect::Text) | aspect_bit(Aspect::Selection) | aspect_bit(Aspect::Focus))) {
        apply_selection(mirror);
    }
    if (aspects &
        (aspect_bit(Aspect::Colors) | aspect_bit(Aspect::Enabled) | aspect_bit(Aspect::Text) |
         aspect_bit(Aspect::Selection) | aspect_bit(Aspect::Focus))) {
        apply_text_color(mirror);
    }
}

// The field's background, and a font that fills its height: the fields keep their places
// in twips, whatever the theme's font size. A theme's text colour is CSS too, so it
// follows the theme. New CSS restyles the field, so it is loaded only when it differs.
void Skin::apply_field_style(Mirror& mirror) {
    const View& view = *mirror.view;
    const int font_pixels = std::max(7, mirror.rect.height * 3 / 4);
    std::string css =
        "text { min-height: 0; min-width: 0; padding: 0; margin: 0; border: 0; "
        "font-size: " +
        std::to_string(font_pixels) + "px; background-color: " + css_color(view.BackColor()) +
        "; }";
    if (is_theme_color(view.ForeColor())) {
        css += " text:not(:disabled) { color: " + css_color(view.ForeColor()) + "; }";
    }
    if (css != mirror.css_text) {
        gtk_css_provider_load_from_data(mirror.css, css.c_str(), -1);
        mirror.css_text = std::move(css);
    }
}

// Any other text colour is a Pango attribute: a pair field's colour follows every new
// colour, and CSS for each one restyled the field, most of a frame's mirror. As with
// CSS's rule, a disabled field keeps the theme's greyed text, and the selected part the
// theme's selected-text colour. New attributes lay the text out again, so they are set
// only when the colour or the selected bytes differ from the last ones.
void Skin::apply_text_color(Mirror& mirror) {
    const auto& model = static_cast<const TextField&>(*mirror.view);
    Mirror::TextColor wanted;
    if (model.Enabled() && !is_theme_color(model.ForeColor())) {
        wanted.own = true;
        wanted.rgb = resolve_system_color(model.ForeColor());
        int selection_start = 0;
        int selection_end = 0;
        if (gtk_editable_get_selection_bounds(GTK_EDITABLE(mirror.widget), &selection_start,
                                              &selection_end)) {
            const char* text = gtk_editable_get_text(GTK_EDITABLE(mirror.widget));
            const auto byte_at = [text](int character) {
                return static_cast<guint>(g_utf8_offset_to_pointer(text, character) - text);
            };
            wanted.selection_start = byte_at(selection_start);
            wanted.selection_end = byte_at(selection_end);
        }
    }
    if (wanted == mirror.text_color) {
        return;
    }
    mirror.text_color = wanted;
    if (!wanted.own) {
        gtk_text_set_attributes(GTK_TEXT(mirror.widget), nullptr);
        return;
    }
    PangoAttrList* attributes = pango_attr_list_new();
    const auto colour_between = [&](guint start, guint end) {
        if (start < end) {
            PangoAttribute* colour =
                pango_attr_foreground_new(static_cast<guint16>((wanted.rgb & 0xFF) * 257),
                                          static_cast<guint16>(((wanted.rgb >> 8) & 0xFF) * 257),
                                          static_cast<guint16>(((wanted.rgb >> 16) & 0xFF) * 257));
            colour->start_index = start;
            colour->end_index = end;
            pango_attr_list_insert(attributes, colour);
        }
    };
    if (wanted.selection_start < wanted.selection_end) {
        colour_between(0, wanted.selection_start);
        colour_between(wanted.selection_end, G_MAXUINT);
    } else {
        colour_between(0, G_MAXUINT);
    }
    gtk_text_set_attributes(GTK_TEXT(mirror.widget), attributes);
    pango_attr_list_unref(attributes);
}

// A field shows its selection only while it holds the focus (the classic hidden
// selection); the caret is mirrored always, as it decides the text's scrolling.
void Skin::apply_selection(Mirror& mirror) {
    const auto& model = static_cast<const TextField&>(*mirror.view);
    GtkEditable* editable = GTK_EDITABLE(mirror.widget);
    const int caret = model.caret();
    int anchor = caret;
    if (model.has_focus() && model.SelLength() > 0) {
        const int start = model.SelStart();
        anchor = caret == start ? start + model.SelLength() : start;
    }
    // Selecting lays the text out again: a selection that is already there is left.
    int shown_start = 0;
    int shown_end = 0;
    gtk_editable_get_selection_bounds(editable, &shown_start, &shown_end);
    if (gtk_editable_get_position(editable) == caret && shown_start == std::min(anchor, caret) &&
        shown_end == std::max(anchor, caret)) {
        return;
    }
    gtk_editable_select_region(editable, anchor, caret);
}

void Skin::apply_pointer(Mirror& mirror) {
    switch (mirror.view->pointer_kind()) {
        case PointerKind::Icon:
            gtk_widget_set_cursor(mirror.widget, cursor_for(mirror.view->MouseIcon()));
            break;
        case PointerKind::Text:
            gtk_widget_set_cursor_from_name(mirror.widget, "text");
            break;
        case PointerKind::Arrow:
            gtk_widget_set_cursor(mirror.widget, nullptr);
            break;
    }
}

GdkCursor* Skin::cursor_for(const PointerShapePtr& shape) {
    const auto found = cursors_.find(shape.get());
    if (found != cursors_.end()) {
        return found->second.second;
    }
    GdkCursor* cursor = make_cursor(*shape);
    cursors_.emplace(shape.get(), std::make_pair(shape, cursor));
    return cursor;
}

// ---- Focus ---------------------------------------------------------------------------

// Whether the model's focus is on a text field while GTK's is in the control: the input
// method then serves that field.
bool Skin::focused_field() {
    const View* focused = surface_.focused();
    const bool field = focused != nullptr && focused->kind() == ViewKind::TextField &&
                       focused->Enabled() && gtk_focus_inside();
    if (field != input_method_focused_) {
        input_method_focused_ = field;
        if (field) {
            gtk_im_context_focus_in(input_method_);
        } else {
            gtk_im_context_focus_out(input_method_);
        }
    }
    return field;
}

bool Skin::gtk_focus_inside() const {
    GtkRoot* root = gtk_widget_get_root(owner_);
    GtkWidget* focus = root != nullptr ? gtk_root_get_focus(root) : nullptr;
    return focus != nullptr && (focus == owner_ || gtk_widget_is_ancestor(focus, owner_));
}

// GTK's focus follows the model's while it is inside the control, or when a person's
// input in the control moved it there; the skin never pulls the focus away from a host
// widget on its own.
void Skin::mirror_focus(bool moved) {
    const View* focused = surface_.focused();
    if (focused == nullptr) {
        return;
    }
    Mirror& mirror = *mirrors_[index_of_.at(focused)];
    GtkRoot* root = gtk_widget_get_root(owner_);
    if (mirror.widget == nullptr || root == nullptr || gtk_root_get_focus(root) == mirror.widget) {
        return;
    }
    if (!gtk_focus_inside() && !(session_.person() && moved)) {
        return;
    }
    session_.without_echo([&] { gtk_widget_grab_focus(mirror.widget); });
    if (focused->kind() == ViewKind::TextField) {
        apply_selection(mirror);  // GTK selects a field's text when it takes the focus
    }
}

void Skin::snapshot_children(GtkSnapshot* snapshot) const {
    for (GtkWidget* widget : stacking_) {
        gtk_widget_snapshot_child(owner_, widget, snapshot);
    }
}

void Skin::snapshot_focus_mark(GtkSnapshot* snapshot) const {
    const View* focused = surface_.focused();
    if (focused == nullptr ||
        (focused->kind() != ViewKind::TextField && focused->kind() != ViewKind::ScrollBar)) {
        return;
    }
    const Mirror& mirror = *mirrors_[index_of_.at(focused)];
    if (mirror.widget == nullptr || !gtk_widget_get_visible(mirror.widget)) {
        return;
    }
    GdkRGBA color{0.2f, 0.5f, 0.9f, 1};
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_style_context_lookup_color(gtk_widget_get_style_context(owner_), "theme_selected_bg_color",
                                   &color);
    G_GNUC_END_IGNORE_DEPRECATIONS
    const graphene_rect_t area{
        {static_cast<float>(mirror.rect.x), static_cast<float>(mirror.rect.y)},
        {static_cast<float>(mirror.rect.width), static_cast<float>(mirror.rect.height)}};
    GskRoundedRect outline;
    gsk_rounded_rect_init_from_rect(&outline, &area, 0);
    const float widths[4] = {1, 1, 1, 1};
    const GdkRGBA colors[4] = {color, color, color, color};
    gtk_snapshot_append_border(snapshot, &outline, widths, colors);
}

bool Skin::focus_from_outside(GtkDirectionType direction) {
    if (session_.detached() || gtk_focus_inside()) {
        return false;  // Tab at the end of the control's order leaves it
    }
    const bool backward =
        direction == GTK_DIR_TAB_BACKWARD || direction == GTK_DIR_UP || direction == GTK_DIR_LEFT;
    person_input([&] {
        if (surface_.focus_entered(nullptr, true, backward)) {
            session_.note_focus_moved();
        }
    });
    return gtk_focus_inside();
}

bool Skin::grab_focus() {
    if (session_.detached()) {
        return false;
    }
    if (!gtk_focus_inside()) {
        person_input([&] {
            if (surface_.focus_entered(nullptr, false, false)) {
                session_.note_focus_moved();
            }
        });
    }
    return gtk_focus_inside();
}

// GTK moved the focus into the control by itself (a click on a child it lets through,
// a mnemonic): the model decides which view gets it.
void Skin::focus_entered() {
    if (session_.echoing() || session_.detached()) {
        return;
    }
    GtkRoot* root = gtk_widget_get_root(owner_);
    Mirror* received = mirror_of(root != nullptr ? gtk_root_get_focus(root) : nullptr);
    person_input([&] {
        if (surface_.focus_entered(received != nullptr ? received->view : nullptr, false, false)) {
            session_.note_focus_moved();
        }
    });
}

// The focus left the control: the editor that had it runs its LostFocus now and its
// GotFocus when the person comes back.
void Skin::focus_left() {
    if (session_.echoing() || session_.detached()) {
        return;
    }
    end_gesture();
    session_.input(Actor::Host, [this] { surface_.clear_focus(); });
}

// ---- Geometry ------------------------------------------------------------------------

void Skin::measure(GtkOrientation orientation, int& minimum, int& natural) const {
    const float twips_per_pixel = surface_.twips_per_pixel();
    if (orientation == GTK_ORIENTATION_HORIZONTAL) {
        minimum = geometry::logical_edge(surface_.minimum_width(), twips_per_pixel);
        natural =
            std::max(minimum, geometry::logical_edge(surface_.design_width(), twips_per_pixel));
    } else {
        minimum = natural = geometry::logical_edge(surface_.Height(), twips_per_pixel);
    }
}

void Skin::allocate(int width, int height) {
    present_popups();
    for (const auto& mirror : mirrors_) {
        if (mirror->widget != nullptr && gtk_widget_get_visible(mirror->widget)) {
            gtk_widget_size_allocate(mirror->widget, &mirror->rect, -1);
        }
    }
    // The control lays its views out for its new width after this allocation, on the
    // next pass of the loop: a layout must not change while GTK allocates.
    const float twips_per_pixel = surface_.twips_per_pixel();
    const Twips new_width = static_cast<Twips>(width) * twips_per_pixel;
    const Twips new_height = static_cast<Twips>(height) * twips_per_pixel;
    if ((new_width != surface_.Width() || new_height != surface_.Height()) && resize_source_ == 0 &&
        !session_.detached()) {
        resize_source_ = static_cast<int>(g_idle_add(
            +[](gpointer self) -> gboolean {
                auto* skin = static_cast<Skin*>(self);
                skin->resize_source_ = 0;
                const float tpp = skin->surface_.twips_per_pixel();
                const int width = gtk_widget_get_width(skin->owner_);
                const int height = gtk_widget_get_height(skin->owner_);
                skin->session_.input(Actor::Host, [&] {
                    skin->surface_.SetWidth(static_cast<Twips>(width) * tpp);
                    skin->surface_.SetHeight(static_cast<Twips>(height) * tpp);
                });
                return G_SOURCE_REMOVE;
            },
            this));
    }
}

void Skin::hidden() {
    end_gesture();
    close_system_pick();
}

void Skin::scale_changed() {
    for (auto& mirror : mirrors_) {
        drop_rendered(*mirror);
    }
    gtk_widget_queue_draw(owner_);
}

// ---- Input ---------------------------------------------------------------------------

namespace {

std::int16_t modifier_bits(GdkModifierType state) {
    std::int16_t bits = 0;
    if (state & GDK_SHIFT_MASK)
        bits |= kShiftKey;
    if (state & GDK_CONTROL_MASK)
        bits |= kCtrlKey;
    if (state & GDK_ALT_MASK)
        bits |= kAltKey;
    if (state & (GDK_SUPER_MASK | GDK_META_MASK))
        bits |= kMetaKey;
    return bits;
}

std::int16_t button_code(guint button) {
    switch (button) {
        case GDK_BUTTON_PRIMARY:
            return kLeftButton;
        case GDK_BUTTON_SECONDARY:
            return kRightButton;
        case GDK_BUTTON_MIDDLE:
            return kMiddleButton;
        default:
            return kNoButton;
    }
}

// GDK's names of the keys that chords use besides the letters.
constexpr std::pair<guint, KeyCode> kGdkKeys[] = {
    {GDK_KEY_BackSpace, KeyCode::Backspace},
    {GDK_KEY_Delete, KeyCode::Delete},
    {GDK_KEY_KP_Delete, KeyCode::Delete},
    {GDK_KEY_Insert, KeyCode::Insert},
    {GDK_KEY_KP_Insert, KeyCode::Insert},
    {GDK_KEY_Left, KeyCode::Left},
    {GDK_KEY_KP_Left, KeyCode::Left},
    {GDK_KEY_Right, KeyCode::Right},
    {GDK_KEY_KP_Right, KeyCode::Right},
    {GDK_KEY_Up, KeyCode::Up},
    {GDK_KEY_KP_Up, KeyCode::Up},
    {GDK_KEY_Down, KeyCode::Down},
    {GDK_KEY_KP_Down, KeyCode::Down},
    {GDK_KEY_Home, KeyCode::Home},
    {GDK_KEY_KP_Home, KeyCode::Home},
    {GDK_KEY_End, KeyCode::End},
    {GDK_KEY_KP_End, KeyCode::End},
    {GDK_KEY_Page_Up, KeyCode::PageUp},
    {GDK_KEY_KP_Page_Up, KeyCode::PageUp},
    {GDK_KEY_Page_Down, KeyCode::PageDown},
    {GDK_KEY_KP_Page_Down, KeyCode::PageDown},
    {GDK_KEY_Escape, KeyCode::Escape},
};

}  // namespace

gboolean Skin::on_event(GtkEventControllerLegacy*, GdkEvent* event, gpointer self) {
    auto* skin = static_cast<Skin*>(self);
    if (skin->session_.detached()) {
        return GDK_EVENT_PROPAGATE;
    }
    switch (gdk_event_get_event_type(event)) {
        case GDK_KEY_PRESS:
            return skin->key_event(event);
        case GDK_KEY_RELEASE:
            return skin->focused_field() &&
                   gtk_im_context_filter_keypress(skin->input_method_, event);
        case GDK_BUTTON_PRESS:
        case GDK_BUTTON_RELEASE:
        case GDK_MOTION_NOTIFY:
        case GDK_SCROLL:
            return skin->pointer_event(event);
        case GDK_GRAB_BROKEN:
            skin->end_gesture();
            return GDK_EVENT_PROPAGATE;
        default:
            return GDK_EVENT_PROPAGATE;
    }
}

// The event's position in the control's logical pixels; false for an event of another
// surface (a popup of a child).
bool Skin::to_control(GdkEvent* event, double& x, double& y) const {
    GtkNative* native = gtk_widget_get_native(owner_);
    if (native == nullptr || gdk_event_get_surface(event) != gtk_native_get_surface(native) ||
        !gdk_event_get_position(event, &x, &y)) {
        return false;
    }
    double surface_x = 0;
    double surface_y = 0;
    gtk_native_get_surface_transform(native, &surface_x, &surface_y);
    return gtk_widget_translate_coordinates(GTK_WIDGET(native), owner_, x - surface_x,
                                            y - surface_y, &x, &y);
}

// The surface twips that stand for the device pixel under the pointer of an event of the
// control's surface, as the kit's geometry maps them for every front end. The pixel comes
// from the event's own position on the surface: GTK's widget transforms are single
// precision and may carry a pointer on a pixel's edge into the pixel before it. The
// control sits on whole logical pixels of its surface and GTK's scale factor is whole, so
// its device pixels start at its own corner, as draw_image counts them.
std::pair<Twips, Twips> Skin::pointer_twips(GdkEvent* event) const {
    GtkNative* native = gtk_widget_get_native(owner_);
    double x = 0;
    double y = 0;
    double origin_x = 0;
    double origin_y = 0;
    double surface_x = 0;
    double surface_y = 0;
    gdk_event_get_position(event, &x, &y);
    gtk_widget_translate_coordinates(owner_, GTK_WIDGET(native), 0, 0, &origin_x, &origin_y);
    gtk_native_get_surface_transform(native, &surface_x, &surface_y);
    const int ratio = gtk_widget_get_scale_factor(owner_);
    const float twips_per_pixel = surface_.twips_per_pixel();
    const auto twips = [&](double on_surface, double origin) {
        const int device = geometry::device_pixel_at(on_surface, ratio) -
                           geometry::device_edge(std::round(origin), ratio);
        return geometry::twips_at(device, 0, ratio, twips_per_pixel);
    };
    return {twips(x, origin_x + surface_x), twips(y, origin_y + surface_y)};
}

Skin::Mirror* Skin::mirror_of(GtkWidget* widget) {
    for (GtkWidget* up = widget; up != nullptr && up != owner_; up = gtk_widget_get_parent(up)) {
        for (auto& mirror : mirrors_) {
            if (mirror->widget == up) {
                return mirror.get();
            }
        }
    }
    return nullptr;
}

bool Skin::pointer_event(GdkEvent* event) {
    double x = 0;
    double y = 0;
    if (!to_control(event, x, y)) {
        return false;
    }
    const GdkEventType type = gdk_event_get_event_type(event);
    if (type == GDK_SCROLL) {
        return scroll_event(event);
    }
    const std::int16_t button = type == GDK_MOTION_NOTIFY
                                    ? std::int16_t{kNoButton}
                                    : button_code(gdk_button_event_get_button(event));
    // The scroll bars keep their own hit testing (the theme places their parts); only
    // the outcome goes to the view layer: an arrow's or the track's scroll action
    // (hold_bar_action), or GTK's thumb drag as thumb positions.
    if (held_bar_ != nullptr) {
        if (type == GDK_BUTTON_RELEASE && button == kLeftButton) {
            Mirror* bar = held_bar_;
            held_bar_ = nullptr;
            bar_released(*bar);
        }
        return false;
    }
    if (bar_hold_.bar != nullptr) {
        if (type == GDK_BUTTON_RELEASE && button == kLeftButton) {
            end_bar_hold();
        } else if (type == GDK_MOTION_NOTIFY) {
            bar_hold_.x = x;
            bar_hold_.y = y;
        }
        return true;
    }
    const auto [tx, ty] = pointer_twips(event);
    Mirror* hit = nullptr;
    if (const View* view = surface_.view_at(tx, ty)) {
        hit = mirrors_[index_of_.at(view)].get();
    }
    if (type == GDK_BUTTON_PRESS) {
        if (hit != nullptr && hit->adjustment != nullptr) {
            if (button == kLeftButton && gtk_widget_get_sensitive(hit->widget)) {
                if (const std::optional<ScrollAction> action = bar_action_at(*hit, x, y)) {
                    hold_bar_action(*hit, *action, x, y);
                    return true;
                }
                person_input(
                    [&] { surface_.scroll_bar_pressed(static_cast<ScrollBar&>(*hit->view)); });
                held_bar_ = hit;
            }
            return false;
        }
    }

    const std::int16_t modifiers =
        static_cast<std::int16_t>(modifier_bits(gdk_event_get_modifier_state(event)) & 7);
    switch (type) {
        case GDK_BUTTON_PRESS: {
            if (button == kNoButton) {
                return true;
            }
            // GDK reports every press alone: a second press of the same button soon
            // enough and near enough is the press of a double click.
            int double_click_time = 400;
            int double_click_distance = 5;
            g_object_get(gtk_widget_get_settings(owner_), "gtk-double-click-time",
                         &double_click_time, "gtk-double-click-distance", &double_click_distance,
                         nullptr);
            const guint32 time = gdk_event_get_time(event);
            const bool second =
                button == last_press_button_ &&
                time - last_press_time_ <= static_cast<guint32>(double_click_time) &&
                std::abs(x - last_press_x_) <= double_click_distance &&
                std::abs(y - last_press_y_) <= double_click_distance;
            last_press_button_ = second ? 0 : button;
            last_press_time_ = time;
            last_press_x_ = x;
            last_press_y_ = y;
            person_input([&] {
                if (second) {
                    surface_.double_click(button, tx, ty, modifiers);
                } else {
                    surface_.press(button, tx, ty, modifiers);
                }
            });
            if (button == kRightButton) {
                context_menu(hit);
            } else if (button == kMiddleButton) {
                // X11's habit: a middle press pastes the primary selection into the field
                // under it.
                person_input([&] { surface_.paste_at(tx, ty, primary_->text()); });
            }
            return true;
        }
        case GDK_BUTTON_RELEASE:
            if (button != kNoButton) {
                person_input([&] { surface_.release(button, tx, ty, modifiers); });
            }
            return true;
        default:
            person_input([&] { surface_.move(tx, ty, modifiers); });
            return true;
    }
}

// A wheel's notches, positive away from the person; a smooth wheel or a touchpad sends
// parts of a notch, which add up. The view layer decides what the notches do.
bool Skin::scroll_event(GdkEvent* event) {
    int notches = 0;
    switch (gdk_scroll_event_get_direction(event)) {
        case GDK_SCROLL_UP:
        case GDK_SCROLL_LEFT:
            notches = 1;
            break;
        case GDK_SCROLL_DOWN:
        case GDK_SCROLL_RIGHT:
            notches = -1;
            break;
        case GDK_SCROLL_SMOOTH: {
            double dx = 0;
            double dy = 0;
            gdk_scroll_event_get_deltas(event, &dx, &dy);
            const double delta = -(std::abs(dx) > std::abs(dy) ? dx : dy);
            if ((delta > 0) != (wheel_turn_ > 0)) {
                wheel_turn_ = 0;  // turned the other way: the part notch is forgotten
            }
            wheel_turn_ += delta;
            notches = static_cast<int>(wheel_turn_);
            wheel_turn_ -= notches;
            if (notches == 0) {
                return true;
            }
            break;
        }
    }
    const auto [tx, ty] = pointer_twips(event);
    bool used = false;
    person_input([&] { used = surface_.wheel(tx, ty, notches); });
    return used;
}

bool Skin::key_event(GdkEvent* event) {
    GtkNative* native = gtk_widget_get_native(owner_);
    if (native == nullptr || gdk_event_get_surface(event) != gtk_native_get_surface(native)) {
        return false;  // the context menu's
    }
    GtkRoot* root = gtk_widget_get_root(owner_);
    const Mirror* target = mirror_of(root != nullptr ? gtk_root_get_focus(root) : nullptr);
    const bool text_field = target != nullptr && target->view->kind() == ViewKind::TextField;
    if (text_field && focused_field() && gtk_im_context_filter_keypress(input_method_, event)) {
        return true;  // the input method's: what it types comes through its commit
    }
    const guint keyval = gdk_key_event_get_keyval(event);
    const std::int16_t modifiers = modifier_bits(gdk_event_get_modifier_state(event));

    if ((keyval == GDK_KEY_Tab || keyval == GDK_KEY_KP_Tab || keyval == GDK_KEY_ISO_Left_Tab) &&
        (modifiers & ~kShiftKey) == 0) {
        const bool forward = keyval != GDK_KEY_ISO_Left_Tab && (modifiers & kShiftKey) == 0;
        if (surface_.tab_leaves(forward)) {
            return false;  // GTK moves the focus on, out of the control (see focus_from_outside)
        }
        person_input([&] { forward ? surface_.tab() : surface_.backtab(); });
        return true;
    }
    if (const std::optional<Key> command =
            key_command({neutral_key(gdk_keyval_to_upper(keyval), kGdkKeys), modifiers})) {
        bool used = false;
        person_input([&] { used = surface_.key(*command); });
        // A key the control does not use goes on to the host, never to GtkText, which
        // would edit or move the focus on its own (Escape edits nothing there).
        return used || (text_field && *command != Key::Escape);
    }
    const gunichar character = gdk_keyval_to_unicode(keyval);
    if (character != 0) {
        std::u16string typed;
        if (character > 0xFFFF) {
            typed += static_cast<char16_t>(0xD800 + ((character - 0x10000) >> 10));
            typed += static_cast<char16_t>(0xDC00 + ((character - 0x10000) & 0x3FF));
        } else {
            typed += static_cast<char16_t>(character);
        }
        if (text_field && is_typed_text(typed, modifiers)) {
            person_input([&] { surface_.type(typed); });
            return true;
        }
    }
    // Return, shortcuts, mnemonics: the host's.
    return text_field && (modifiers & (kCtrlKey | kAltKey | kMetaKey)) == 0 && character != 0;
}

void Skin::bar_moved(Mirror& mirror) {
    if (moving_bar_ || session_.detached()) {
        return;
    }
    auto& bar = static_cast<ScrollBar&>(*mirror.view);
    const auto value =
        static_cast<std::int16_t>(std::lround(gtk_adjustment_get_value(mirror.adjustment)));
    if (held_bar_ == &mirror) {
        // GTK's thumb drag: the thumb's position waits for the release.
        person_input([&] { bar.drag_thumb(value); });
        return;
    }
    person_input([&] {
        mark(index_of_.at(&bar), Aspect::Value);  // shows the model's value if refused
        surface_.scroll_to(bar, value);
    });
}

void Skin::bar_released(Mirror& mirror) {
    auto& bar = static_cast<ScrollBar&>(*mirror.view);
    person_input([&] {
        mark(index_of_.at(&bar), Aspect::Value);
        surface_.scroll_to(bar, bar.thumb_position());
    });
}

// GTK 4's scroll bars have no arrow buttons; the control's bars have one at each end, as
// the view layer's geometry has them (ScrollBar::arrow_size). They are flat theme buttons
// inside the bar, which lays its children out in a row around its track; their presses
// are the skin's (hold_bar_action). The bar runs left to right whatever the locale, as
// its view and its keys do.
void Skin::add_arrows(Mirror& mirror) {
    GtkWidget* bar = mirror.widget;
    gtk_widget_set_direction(bar, GTK_TEXT_DIR_LTR);
    mirror.thumb = descendant_named(bar, "slider");
    if (bar_css_ == nullptr) {
        // The arrows and the thumb take the size size_bar_parts gives them, however large
        // the theme's buttons and sliders are.
        bar_css_ = gtk_css_provider_new();
        gtk_css_provider_load_from_data(
            bar_css_,
            "button { min-width: 0; min-height: 0; padding: 0; margin: 0; border-radius: 0; } "
            "slider { min-width: 0; }",
            -1);
    }
    const auto restyle = [this](GtkWidget* part) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_style_context_add_provider(gtk_widget_get_style_context(part),
                                       GTK_STYLE_PROVIDER(bar_css_),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        G_GNUC_END_IGNORE_DEPRECATIONS
    };
    if (mirror.thumb != nullptr) {
        restyle(mirror.thumb);
    }
    for (std::size_t end = 0; end < 2; ++end) {
        GtkWidget* arrow =
            gtk_button_new_from_icon_name(end == 0 ? "pan-start-symbolic" : "pan-end-symbolic");
        gtk_widget_add_css_class(arrow, "flat");
        gtk_widget_set_focusable(arrow, FALSE);
        restyle(arrow);
        // Part of the bar, whose value assistive technology sets.
        gtk_accessible_update_state(GTK_ACCESSIBLE(arrow), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
        if (end == 0) {
            gtk_widget_insert_after(arrow, bar, nullptr);
        } else {
            gtk_widget_insert_before(arrow, bar, nullptr);
        }
        mirror.arrows[end] = arrow;
    }
}

// The arrows and the thumb are squares of the view layer's arrow size, as its hit testing
// and the other front ends' bars have them.
void Skin::size_bar_parts(Mirror& mirror) {
    const auto& bar = static_cast<const ScrollBar&>(*mirror.view);
    const int side = geometry::logical_edge(bar.arrow_size(), surface_.twips_per_pixel());
    for (GtkWidget* part : {mirror.arrows[0], mirror.arrows[1], mirror.thumb}) {
        if (part != nullptr) {
            gtk_widget_set_size_request(part, side, -1);
        }
    }
}

GtkWidget* Skin::descendant_named(GtkWidget* widget, const char* css_name) {
    for (GtkWidget* child = gtk_widget_get_first_child(widget); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        if (std::string(gtk_widget_get_css_name(child)) == css_name) {
            return child;
        }
        if (GtkWidget* found = descendant_named(child, css_name)) {
            return found;
        }
    }
    return nullptr;
}

// What a left press at a point of a bar (the control's logical pixels) does, by the part
// the theme drew there: an arrow steps by SmallChange, the track beside the thumb pages
// by LargeChange towards the press. None on the thumb, which GTK drags, or off the bar.
std::optional<ScrollAction> Skin::bar_action_at(const Mirror& mirror, double x, double y) const {
    double bar_x = 0;
    double bar_y = 0;
    gtk_widget_translate_coordinates(owner_, mirror.widget, x, y, &bar_x, &bar_y);
    GtkWidget* part = gtk_widget_pick(mirror.widget, bar_x, bar_y, GTK_PICK_DEFAULT);
    const auto within = [part](GtkWidget* widget) {
        return part != nullptr && widget != nullptr &&
               (part == widget || gtk_widget_is_ancestor(part, widget));
    };
    if (within(mirror.arrows[0])) {
        return ScrollAction::LineUp;
    }
    if (within(mirror.arrows[1])) {
        return ScrollAction::LineDown;
    }
    graphene_rect_t thumb;
    if (part == nullptr || mirror.thumb == nullptr || within(mirror.thumb) ||
        !gtk_widget_compute_bounds(mirror.thumb, mirror.widget, &thumb)) {
        return std::nullopt;
    }
    if (bar_x < thumb.origin.x) {
        return ScrollAction::PageUp;
    }
    if (bar_x >= thumb.origin.x + thumb.size.width) {
        return ScrollAction::PageDown;
    }
    return std::nullopt;
}

namespace {

// GTK's own delays for a held button that repeats (its spin buttons' and notebooks').
constexpr guint kRepeatDelay = 500;
constexpr guint kRepeatInterval = 50;

}  // namespace

// A left press on an arrow or the track acts at once, through the view layer as a
// person's scroll action, and again while the button is held and the pointer stays where
// the action would still apply: on the same arrow, or on the track beyond the thumb
// (the thumb stops where the pointer is).
void Skin::hold_bar_action(Mirror& mirror, ScrollAction action, double x, double y) {
    end_bar_hold();
    bar_hold_ = {&mirror, action, x, y, 0};
    if (GtkWidget* arrow = action == ScrollAction::LineUp     ? mirror.arrows[0]
                           : action == ScrollAction::LineDown ? mirror.arrows[1]
                                                              : nullptr) {
        gtk_widget_set_state_flags(arrow, GTK_STATE_FLAG_ACTIVE, FALSE);
    }
    person_input([&] { surface_.scroll(static_cast<ScrollBar&>(*mirror.view), action); });
    schedule_bar_repeat(kRepeatDelay);
}

void Skin::schedule_bar_repeat(guint delay) {
    if (bar_hold_.bar == nullptr) {
        return;  // the action's handlers ended the gesture
    }
    bar_hold_.repeat_source = g_timeout_add(
        delay,
        +[](gpointer self) -> gboolean {
            auto* skin = static_cast<Skin*>(self);
            skin->bar_hold_.repeat_source = 0;
            skin->repeat_bar_action();
            return G_SOURCE_REMOVE;
        },
        this);
}

void Skin::repeat_bar_action() {
    Mirror& mirror = *bar_hold_.bar;
    if (!surface_.Enabled() || !mirror.view->Enabled()) {
        end_bar_hold();
        return;
    }
    if (bar_action_at(mirror, bar_hold_.x, bar_hold_.y) == bar_hold_.action) {
        person_input(
            [&] { surface_.scroll(static_cast<ScrollBar&>(*mirror.view), bar_hold_.action); });
    }
    schedule_bar_repeat(kRepeatInterval);
}

void Skin::end_bar_hold() {
    if (bar_hold_.repeat_source != 0) {
        g_source_remove(bar_hold_.repeat_source);
    }
    if (bar_hold_.bar != nullptr) {
        for (GtkWidget* arrow : bar_hold_.bar->arrows) {
            gtk_widget_unset_state_flags(arrow, GTK_STATE_FLAG_ACTIVE);
        }
    }
    bar_hold_ = {};
}

// The release of the buttons held now will never reach the control: the view layer ends
// the gesture as a release would.
void Skin::end_gesture() {
    held_bar_ = nullptr;
    end_bar_hold();
    if (surface_.held_buttons() != 0) {
        session_.input(Actor::Host, [this] { surface_.end_gesture(); });
    }
}

// ---- Context menu --------------------------------------------------------------------

namespace {

struct MenuWords {
    const char* action;
    const char* label;
};

MenuWords menu_words(EditCommand command) {
    switch (command) {
        case EditCommand::Undo:
            return {"undo", "_Undo"};
        case EditCommand::Redo:
            return {"redo", "_Redo"};
        case EditCommand::Cut:
            return {"cut", "Cu_t"};
        case EditCommand::Copy:
            return {"copy", "_Copy"};
        case EditCommand::Paste:
            return {"paste", "_Paste"};
        case EditCommand::Delete:
            return {"delete", "_Delete"};
        case EditCommand::SelectAll:
            return {"select-all", "Select _All"};
    }
    return {"", ""};
}

}  // namespace

// The context menu of the field that a right press focused; each item goes into the
// model as its keys would. The menu takes the release of the right button that opened
// it, so the press's gesture ends here.
void Skin::context_menu(Mirror* field) {
    if (field == nullptr || field->view->kind() != ViewKind::TextField ||
        surface_.focused() != field->view) {
        return;
    }
    end_gesture();
    auto& model = static_cast<TextField&>(*field->view);
    GSimpleActionGroup* actions = g_simple_action_group_new();
    GMenu* menu = g_menu_new();
    GMenu* section = g_menu_new();
    for (const EditMenuItem& item : edit_menu(model)) {
        if (item.group_start && g_menu_model_get_n_items(G_MENU_MODEL(section)) > 0) {
            g_menu_append_section(menu, nullptr, G_MENU_MODEL(section));
            g_object_unref(section);
            section = g_menu_new();
        }
        const MenuWords words = menu_words(item.label);
        GSimpleAction* action = g_simple_action_new(words.action, nullptr);
        g_simple_action_set_enabled(action, item.enabled);
        struct Choice {
            Skin* skin;
            TextField* model;
            Key command;
        };
        g_signal_connect_data(
            action, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer data) {
                const auto& choice = *static_cast<Choice*>(data);
                Skin& skin = *choice.skin;
                if (!skin.session_.detached() && skin.surface_.focused() == choice.model) {
                    skin.person_input([&] { skin.surface_.key(choice.command); });
                }
            }),
            new Choice{this, &model, item.command},
            +[](gpointer data, GClosure*) { delete static_cast<Choice*>(data); },
            G_CONNECT_DEFAULT);
        g_action_map_add_action(G_ACTION_MAP(actions), G_ACTION(action));
        g_object_unref(action);
        const std::string detailed = std::string("tintbox-edit.") + words.action;
        g_menu_append(section, words.label, detailed.c_str());
    }
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(section));
    g_object_unref(section);

    close_context_menu();
    context_menu_ = gtk_popover_menu_new_from_model(G_MENU_MODEL(menu));
    g_object_unref(menu);
    gtk_widget_insert_action_group(context_menu_, "tintbox-edit", G_ACTION_GROUP(actions));
    g_object_unref(actions);
    gtk_widget_set_parent(context_menu_, owner_);
    gtk_popover_set_has_arrow(GTK_POPOVER(context_menu_), FALSE);
    gtk_popover_set_pointing_to(GTK_POPOVER(context_menu_), &field->rect);
    // Unparented once the item chosen (if any) has run.
    g_signal_connect_swapped(context_menu_, "closed", G_CALLBACK(+[](Skin* skin) {
                                 if (skin->menu_close_source_ == 0) {
                                     skin->menu_close_source_ = g_idle_add(
                                         +[](gpointer self) -> gboolean {
                                             auto* owner = static_cast<Skin*>(self);
                                             owner->menu_close_source_ = 0;
                                             owner->close_context_menu();
                                             return G_SOURCE_REMOVE;
                                         },
                                         skin);
                                 }
                             }),
                             this);
    gtk_popover_popup(GTK_POPOVER(context_menu_));
    gtk_widget_queue_allocate(owner_);  // where the menu is presented
}

void Skin::close_context_menu() {
    if (menu_close_source_ != 0) {
        g_source_remove(menu_close_source_);
        menu_close_source_ = 0;
    }
    if (context_menu_ != nullptr) {
        GtkWidget* menu = std::exchange(context_menu_, nullptr);
        gtk_widget_unparent(menu);
    }
}

void Skin::present_popups() {
    if (context_menu_ != nullptr) {
        gtk_popover_present(GTK_POPOVER(context_menu_));
    }
}

// ---- Drawing -------------------------------------------------------------------------

void Skin::drop_rendered(Mirror& mirror) {
    if (mirror.rendered != nullptr) {
        cairo_surface_destroy(mirror.rendered);
        mirror.rendered = nullptr;
    }
}

void Skin::draw_box(GtkDrawingArea*, cairo_t* cr, int width, int height, gpointer data) {
    auto& mirror = *static_cast<Mirror*>(data);
    const View& view = *mirror.view;
    GtkWidget* widget = mirror.widget;
    if (view.kind() == ViewKind::Image) {
        mirror.skin->draw_image(mirror, cr);
        return;
    }
    const GdkRGBA back = rgba_color(widget, view.BackColor());
    gdk_cairo_set_source_rgba(cr, &back);
    cairo_paint(cr);
    if (view.kind() == ViewKind::Label) {
        const auto& label = static_cast<const Label&>(view);
        PangoLayout* layout =
            gtk_widget_create_pango_layout(widget, to_utf8(label.Caption()).c_str());
        int text_height = 0;
        pango_layout_get_pixel_size(layout, nullptr, &text_height);
        const GdkRGBA fore = rgba_color(widget, label.ForeColor());
        gdk_cairo_set_source_rgba(cr, &fore);
        cairo_move_to(cr, 0, (height - text_height) / 2);
        pango_cairo_show_layout(cr, layout);
        g_object_unref(layout);
    } else if (view.border_line()) {
        GdkRGBA line{0, 0, 0, 1};
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_style_context_lookup_color(gtk_widget_get_style_context(widget), "borders", &line);
        G_GNUC_END_IGNORE_DEPRECATIONS
        gdk_cairo_set_source_rgba(cr, &line);
        cairo_set_line_width(cr, 1);
        cairo_rectangle(cr, 0.5, 0.5, width - 1, height - 1);
        cairo_stroke(cr);
    }
}

// Each device pixel shows the picture pixel at the point that stands for it, the same
// point a press there picks at (pointer_twips), so what is drawn is exactly what a pick at
// that pixel reads; pixels no picture covers stay transparent and the frame beneath shows
// through.
void Skin::draw_image(Mirror& mirror, cairo_t* cr) {
    const auto& image = static_cast<const Image&>(*mirror.view);
    const PicturePtr& picture = image.Picture();
    if (!picture) {
        return;
    }
    const int scale = gtk_widget_get_scale_factor(mirror.widget);
    if (mirror.rendered == nullptr || mirror.rendered_scale != scale) {
        drop_rendered(mirror);
        const GdkRectangle& rect = mirror.rect;
        const geometry::PixelRect device = geometry::device_rect(
            {rect.x, rect.y, rect.x + rect.width, rect.y + rect.height}, scale);
        const int width = device.width();
        const int height = device.height();
        mirror.rendered = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        mirror.rendered_scale = scale;
        cairo_surface_flush(mirror.rendered);
        unsigned char* data = cairo_image_surface_get_data(mirror.rendered);
        const int stride = cairo_image_surface_get_stride(mirror.rendered);
        const float twips_per_pixel = surface_.twips_per_pixel();
        // The same mapping as a pointer's (pointer_twips), then relative to the image.
        const auto twips = [&](int device, Twips view_origin) {
            return geometry::twips_at(device, 0, scale, twips_per_pixel) - view_origin;
        };
        std::vector<Twips> column_twips(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x) {
            column_twips[static_cast<std::size_t>(x)] =
                twips(device.left + x, image.surface_left());
        }
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(data + y * stride);
            const Twips ty = twips(device.top + y, image.surface_top());
            for (int x = 0; x < width; ++x) {
                std::int32_t column = 0;
                std::int32_t row = 0;
                if (image.picture_pixel_at(column_twips[static_cast<std::size_t>(x)], ty, column,
                                           row)) {
                    const auto color = static_cast<std::uint32_t>(picture->pixel(column, row));
                    line[x] = 0xFF000000u | ((color & 0xFF) << 16) | (color & 0xFF00) |
                              ((color >> 16) & 0xFF);
                } else {
                    line[x] = 0;
                }
            }
        }
        cairo_surface_mark_dirty(mirror.rendered);
        cairo_surface_set_device_scale(mirror.rendered, scale, scale);
    }
    cairo_set_source_surface(cr, mirror.rendered, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
}

// ---- The desktop's picker ------------------------------------------------------------

void Skin::eyedropper_ended(bool released) {
    if (!released || surface_.screen().can_read() || system_pick_ != nullptr ||
        session_.detached()) {
        return;
    }
#ifdef TINTBOX_GTK_HAS_PORTAL
    if (portal_ == nullptr) {
        // The portal's client needs the session bus, which it does not check for.
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (bus == nullptr) {
            report_(
                "the screen cannot be read here, and there is no session bus for the "
                "desktop's colour picker");
            return;
        }
        g_object_unref(bus);
        portal_ = G_OBJECT(xdp_portal_new());
    }
    GtkRoot* root = gtk_widget_get_root(owner_);
    XdpParent* parent = GTK_IS_WINDOW(root) ? xdp_parent_new_gtk(GTK_WINDOW(root)) : nullptr;
    system_pick_ = g_cancellable_new();
    xdp_portal_pick_color(XDP_PORTAL(portal_), parent, system_pick_, system_color_picked, this);
    if (parent != nullptr) {
        xdp_parent_free(parent);
    }
#else
    report_("the screen cannot be read here, and this build has no desktop portal client");
#endif
}

void Skin::close_system_pick() {
    if (system_pick_ != nullptr) {
        g_cancellable_cancel(system_pick_);
        g_clear_object(&system_pick_);
    }
}

void Skin::system_color_picked(GObject* portal, GAsyncResult* result, gpointer self) {
#ifdef TINTBOX_GTK_HAS_PORTAL
    GError* error = nullptr;
    GVariant* picked = xdp_portal_pick_color_finish(XDP_PORTAL(portal), result, &error);
    if (error != nullptr) {
        // A dismissed pick belongs to a skin that may be gone; the person's Escape in the
        // desktop's picker changes nothing and raises nothing.
        const bool dismissed = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        const std::string message = error->message;
        g_error_free(error);
        if (dismissed) {
            return;
        }
        auto* skin = static_cast<Skin*>(self);
        g_clear_object(&skin->system_pick_);
        skin->report_("the desktop's colour picker failed: " + message);
        return;
    }
    auto* skin = static_cast<Skin*>(self);
    g_clear_object(&skin->system_pick_);
    double red = 0;
    double green = 0;
    double blue = 0;
    g_variant_get(picked, "(ddd)", &red, &green, &blue);
    g_variant_unref(picked);
    const auto level = [](double part) {
        return static_cast<ColorValue>(std::lround(std::clamp(part, 0.0, 1.0) * 255));
    };
    const ColorValue color = level(red) | (level(green) << 8) | (level(blue) << 16);
    skin->session_.input(Actor::Clock,
                         [&] { front_end::pick_screen_color(skin->control_, color); });
#else
    static_cast<void>(portal);
    static_cast<void>(result);
    static_cast<void>(self);
#endif
}

// ---- Timer ---------------------------------------------------------------------------

void Skin::timer_changed() {
    int interval = 0;
    for (const auto& view : surface_.views()) {
        if (view->kind() == ViewKind::Timer && view->Enabled()) {
            interval = std::max(1, static_cast<const Timer&>(*view).Interval());
        }
    }
    if (interval == clock_interval_) {
        return;
    }
    if (clock_source_ != 0) {
        g_source_remove(clock_source_);
        clock_source_ = 0;
    }
    clock_interval_ = interval;
    if (external_clock_) {
        external_clock_(interval);
    } else if (interval > 0) {
        clock_source_ = g_timeout_add(
            static_cast<guint>(interval),
            +[](gpointer self) -> gboolean {
                auto* skin = static_cast<Skin*>(self);
                skin->advance_time(skin->clock_interval_);
                return G_SOURCE_CONTINUE;
            },
            this);
    }
}

// One interval per timeout: a stalled loop does not replay the missed ticks.
void Skin::advance_time(int milliseconds) {
    session_.tick(surface_, milliseconds);
}

void Skin::set_external_clock(std::function<void(int interval_ms)> clock) {
    if (clock_source_ != 0) {
        g_source_remove(clock_source_);
        clock_source_ = 0;
    }
    clock_interval_ = 0;  // the new clock hears the interval that runs now
    external_clock_ = std::move(clock);
    timer_changed();
}

}  // namespace tintbox::gtkskin
