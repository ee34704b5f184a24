// TintboxGtkPicker: the GObject face of the control (properties, the changed signal, the
// colour methods) over a Tintbox and its GTK skin.
#include "tintbox-gtk/tintbox-gtk-picker.h"

#include <memory>
#include <string>
#include <vector>

#include "gtk_platform.hpp"
#include "gtk_skin.hpp"
#include "tintbox/error.hpp"
#include "tintbox/tintbox.hpp"

namespace {

using tintbox::gtkskin::Skin;

// The C++ half of the widget, made in init and dropped in dispose.
struct PickerState {
    std::shared_ptr<tintbox::gtkskin::PangoFontMetrics> fonts;
    std::unique_ptr<tintbox::Tintbox> control;
    std::unique_ptr<Skin> skin;
    std::string change_source = "host";
};

enum Property {
    kPropRgb = 1,
    kPropRed,
    kPropGreen,
    kPropBlue,
    kPropPicture,
    kPropControlEnabled,
    kPropCount
};
GParamSpec* properties[kPropCount];

enum Signal { kSignalChanged, kSignalErrorRaised, kSignalCount };
guint signals[kSignalCount];

}  // namespace

struct _TintboxGtkPicker {
    GtkWidget parent_instance;
    PickerState* state;
    GdkTexture* picture;  // the very texture that was set
};

G_DEFINE_FINAL_TYPE(TintboxGtkPicker, tintbox_gtk_picker, GTK_TYPE_WIDGET)

namespace {

// Runs a host call on a live picker; its error goes to error-raised and a warning (the
// setters that have no error to return).
template <class Call>
void host_call(TintboxGtkPicker* self, Call&& call) {
    if (self->state == nullptr || !self->state->skin) {
        return;
    }
    try {
        self->state->skin->host_call(std::forward<Call>(call));
    } catch (const std::exception& error) {
        g_warning("TintboxGtkPicker: %s", error.what());
        g_signal_emit(self, signals[kSignalErrorRaised], 0, error.what());
    }
}

tintbox::PicturePtr to_picture(GdkTexture* texture) {
    const int width = gdk_texture_get_width(texture);
    const int height = gdk_texture_get_height(texture);
    if (width > tintbox::Picture::kMaxSide || height > tintbox::Picture::kMaxSide) {
        throw tintbox::Error(tintbox::ErrorKind::InvalidPicture,
                             "the image is " + std::to_string(width) + " x " +
                                 std::to_string(height) + " pixels; at most " +
                                 std::to_string(tintbox::Picture::kMaxSide) +
                                 " on a side can be shown");
    }
    // Cairo's premultiplied ARGB, one 32-bit word a pixel; transparent parts show white.
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    std::vector<guint32> argb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    gdk_texture_download(texture, reinterpret_cast<guchar*>(argb.data()), stride);
    std::vector<tintbox::ColorValue> pixels;
    pixels.reserve(argb.size());
    for (const guint32 pixel : argb) {
        const guint32 clear = 255 - (pixel >> 24);
        const auto red = ((pixel >> 16) & 0xFF) + clear;
        const auto green = ((pixel >> 8) & 0xFF) + clear;
        const auto blue = (pixel & 0xFF) + clear;
        pixels.push_back(static_cast<tintbox::ColorValue>(red | (green << 8) | (blue << 16)));
    }
    return std::make_shared<const tintbox::Picture>(width, height, std::move(pixels));
}

void tintbox_gtk_picker_get_property(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    auto* self = TINTBOX_GTK_PICKER(object);
    switch (id) {
        case kPropRgb:
            g_value_set_int(value, tintbox_gtk_picker_get_rgb(self));
            break;
        case kPropRed:
            g_value_set_int(value, tintbox_gtk_picker_get_red(self));
            break;
        case kPropGreen:
            g_value_set_int(value, tintbox_gtk_picker_get_green(self));
            break;
        case kPropBlue:
            g_value_set_int(value, tintbox_gtk_picker_get_blue(self));
            break;
        case kPropPicture:
            g_value_set_object(value, self->picture);
            break;
        case kPropControlEnabled:
            g_value_set_boolean(value, tintbox_gtk_picker_get_control_enabled(self));
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    }
}

void tintbox_gtk_picker_set_property(GObject* object, guint id, const GValue* value,
                                     GParamSpec* spec) {
    auto* self = TINTBOX_GTK_PICKER(object);
    switch (id) {
        case kPropRgb:
            tintbox_gtk_picker_set_rgb(self, g_value_get_int(value));
            break;
        case kPropRed:
            tintbox_gtk_picker_set_red(self, static_cast<gint16>(g_value_get_int(value)));
            break;
        case kPropGreen:
            tintbox_gtk_picker_set_green(self, static_cast<gint16>(g_value_get_int(value)));
            break;
        case kPropBlue:
            tintbox_gtk_picker_set_blue(self, static_cast<gint16>(g_value_get_int(value)));
            break;
        case kPropPicture: {
            GError* error = nullptr;
            if (!tintbox_gtk_picker_set_picture(self, GDK_TEXTURE(g_value_get_object(value)),
                                                &error)) {
                g_warning("TintboxGtkPicker: %s", error->message);
                g_error_free(error);
            }
            break;
        }
        case kPropControlEnabled:
            tintbox_gtk_picker_set_control_enabled(self, g_value_get_boolean(value));
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    }
}

void tintbox_gtk_picker_dispose(GObject* object) {
    auto* self = TINTBOX_GTK_PICKER(object);
    if (self->state != nullptr) {
        if (self->state->skin) {
            self->state->skin->detach();
        }
        delete self->state;  // the skin before the control
        self->state = nullptr;
    }
    g_clear_object(&self->picture);
    G_OBJECT_CLASS(tintbox_gtk_picker_parent_class)->dispose(object);
}

void tintbox_gtk_picker_measure(GtkWidget* widget, GtkOrientation orientation, int, int* minimum,
                                int* natural, int* minimum_baseline, int* natural_baseline) {
    auto* self = TINTBOX_GTK_PICKER(widget);
    *minimum = *natural = 0;
    *minimum_baseline = *natural_baseline = -1;
    if (self->state != nullptr && self->state->skin) {
        self->state->skin->measure(orientation, *minimum, *natural);
    }
}

void tintbox_gtk_picker_size_allocate(GtkWidget* widget, int width, int height, int) {
    auto* self = TINTBOX_GTK_PICKER(widget);
    if (self->state != nullptr && self->state->skin) {
        self->state->skin->allocate(width, height);
    }
}

// The surface's colour shows between the views; the focus mark goes over them.
void tintbox_gtk_picker_snapshot(GtkWidget* widget, GtkSnapshot* snapshot) {
    const GdkRGBA face = tintbox::gtkskin::rgba_color(widget, tintbox::kSystemButtonFace);
    const graphene_rect_t area{{0, 0},
                               {static_cast<float>(gtk_widget_get_width(widget)),
                                static_cast<float>(gtk_widget_get_height(widget))}};
    gtk_snapshot_append_color(snapshot, &face, &area);
    auto* self = TINTBOX_GTK_PICKER(widget);
    if (self->state != nullptr && self->state->skin) {
        self->state->skin->snapshot_children(snapshot);
        self->state->skin->snapshot_focus_mark(snapshot);
    }
}

gboolean tintbox_gtk_picker_focus(GtkWidget* widget, GtkDirectionType direction) {
    auto* self = TINTBOX_GTK_PICKER(widget);
    return self->state != nullptr && self->state->skin &&
           self->state->skin->focus_from_outside(direction);
}

gboolean tintbox_gtk_picker_grab_focus(GtkWidget* widget) {
    auto* self = TINTBOX_GTK_PICKER(widget);
    return self->state != nullptr && self->state->skin && self->state->skin->grab_focus();
}

void tintbox_gtk_picker_unmap(GtkWidget* widget) {
    auto* self = TINTBOX_GTK_PICKER(widget);
    if (self->state != nullptr && self->state->skin) {
        self->state->skin->hidden();
    }
    GTK_WIDGET_CLASS(tintbox_gtk_picker_parent_class)->unmap(widget);
}

void window_activity_changed(GtkWindow* window, GParamSpec*, TintboxGtkPicker* self) {
    if (!gtk_window_is_active(window) && self->state != nullptr && self->state->skin) {
        self->state->skin->window_deactivated();
    }
}

// The window's deactivation ends a gesture in progress, as a lost grab does.
void tintbox_gtk_picker_root(GtkWidget* widget) {
    GTK_WIDGET_CLASS(tintbox_gtk_picker_parent_class)->root(widget);
    if (GtkRoot* root = gtk_widget_get_root(widget); GTK_IS_WINDOW(root)) {
        g_signal_connect_object(root, "notify::is-active", G_CALLBACK(window_activity_changed),
                                widget, G_CONNECT_DEFAULT);
    }
}

void tintbox_gtk_picker_unroot(GtkWidget* widget) {
    if (GtkRoot* root = gtk_widget_get_root(widget)) {
        g_signal_handlers_disconnect_by_func(
            root, reinterpret_cast<gpointer>(window_activity_changed), widget);
    }
    GTK_WIDGET_CLASS(tintbox_gtk_picker_parent_class)->unroot(widget);
}

void scale_changed(TintboxGtkPicker* self) {
    if (self->state != nullptr && self->state->skin) {
        self->state->skin->scale_changed();
    }
}

}  // namespace

static void tintbox_gtk_picker_class_init(TintboxGtkPickerClass* klass) {
    GObjectClass* object_class = G_OBJECT_CLASS(klass);
    GtkWidgetClass* widget_class = GTK_WIDGET_CLASS(klass);
    object_class->get_property = tintbox_gtk_picker_get_property;
    object_class->set_property = tintbox_gtk_picker_set_property;
    object_class->dispose = tintbox_gtk_picker_dispose;
    widget_class->measure = tintbox_gtk_picker_measure;
    widget_class->size_allocate = tintbox_gtk_picker_size_allocate;
    widget_class->snapshot = tintbox_gtk_picker_snapshot;
    widget_class->focus = tintbox_gtk_picker_focus;
    widget_class->grab_focus = tintbox_gtk_picker_grab_focus;
    widget_class->unmap = tintbox_gtk_picker_unmap;
    widget_class->root = tintbox_gtk_picker_root;
    widget_class->unroot = tintbox_gtk_picker_unroot;

    const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                                G_PARAM_EXPLICIT_NOTIFY);
    /**
     * TintboxGtkPicker:rgb:
     *
     * The colour shown as the new colour, 0x00BBGGRR.
     */
    properties[kPropRgb] =
        g_param_spec_int("rgb", "RGB", "The colour, 0x00BBGGRR", 0, 0xFFFFFF, 0, flags);
    /**
     * TintboxGtkPicker:red:
     *
     * The red component shown, 0..255.
     */
    properties[kPropRed] = g_param_spec_int("red", "Red", "The red component", 0, 255, 0, flags);
    /**
     * TintboxGtkPicker:green:
     *
     * The green component shown, 0..255.
     */
    properties[kPropGreen] =
        g_param_spec_int("green", "Green", "The green component", 0, 255, 0, flags);
    /**
     * TintboxGtkPicker:blue:
     *
     * The blue component shown, 0..255.
     */
    properties[kPropBlue] =
        g_param_spec_int("blue", "Blue", "The blue component", 0, 255, 0, flags);
    /**
     * TintboxGtkPicker:picture: (nullable)
     *
     * The spectrum picture.
     */
    properties[kPropPicture] =
        g_param_spec_object("picture", "Picture", "The spectrum picture", GDK_TYPE_TEXTURE, flags);
    /**
     * TintboxGtkPicker:control-enabled:
     *
     * Whether the control and its editors take a person's input.
     */
    properties[kPropControlEnabled] = g_param_spec_boolean(
        "control-enabled", "Control enabled", "Whether the control takes input", TRUE, flags);
    g_object_class_install_properties(object_class, kPropCount, properties);

    /**
     * TintboxGtkPicker::changed:
     * @self: the picker
     *
     * The colour changed, whoever changed it; see
     * tintbox_gtk_picker_get_change_source().
     */
    signals[kSignalChanged] = g_signal_new("changed", G_TYPE_FROM_CLASS(klass), G_SIGNAL_RUN_LAST,
                                           0, nullptr, nullptr, nullptr, G_TYPE_NONE, 0);
    /**
     * TintboxGtkPicker::error-raised:
     * @self: the picker
     * @message: what went wrong
     *
     * A person's input, a tick of the eyedropper or a property setter ended with an error.
     */
    signals[kSignalErrorRaised] =
        g_signal_new("error-raised", G_TYPE_FROM_CLASS(klass), G_SIGNAL_RUN_LAST, 0, nullptr,
                     nullptr, nullptr, G_TYPE_NONE, 1, G_TYPE_STRING);

    gtk_widget_class_set_css_name(widget_class, "tintbox-picker");
    gtk_widget_class_set_accessible_role(widget_class, GTK_ACCESSIBLE_ROLE_GROUP);
}

static void tintbox_gtk_picker_init(TintboxGtkPicker* self) {
    auto* widget = GTK_WIDGET(self);
    auto* state = new PickerState;
    self->state = state;
    state->fonts = std::make_shared<tintbox::gtkskin::PangoFontMetrics>();
    state->fonts->set_widget(widget);
    GdkDisplay* display = gtk_widget_get_display(widget);
    auto screen = std::make_shared<tintbox::gtkskin::GtkScreen>(display);
    state->control = std::make_unique<tintbox::Tintbox>(tintbox::TintboxPlatform{
        screen, state->fonts,
        std::make_shared<tintbox::gtkskin::GtkClipboardText>(gdk_display_get_clipboard(display))});
    state->control->set_change_handler([self] {
        PickerState* state = self->state;
        state->change_source = state->skin ? state->skin->change_door() : "host";
        g_object_freeze_notify(G_OBJECT(self));
        for (const Property property : {kPropRgb, kPropRed, kPropGreen, kPropBlue}) {
            g_object_notify_by_pspec(G_OBJECT(self), properties[property]);
        }
        g_signal_emit(self, signals[kSignalChanged], 0);
        g_object_thaw_notify(G_OBJECT(self));
    });
    const auto report = [self](const std::string& message) {
        g_signal_emit(self, signals[kSignalErrorRaised], 0, message.c_str());
    };
    state->control->set_error_sink([report](const tintbox::Error& error) { report(error.what()); });
    state->skin = std::make_unique<Skin>(widget, *state->control, report);
    screen->set_run_end_handler([self](bool released) {
        if (self->state != nullptr && self->state->skin) {
            self->state->skin->eyedropper_ended(released);
        }
    });
    gtk_widget_set_overflow(widget, GTK_OVERFLOW_HIDDEN);
    gtk_accessible_update_property(GTK_ACCESSIBLE(self), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   "Colour picker", -1);
    g_signal_connect(self, "notify::scale-factor", G_CALLBACK(scale_changed), nullptr);
}

tintbox::gtkskin::Skin& tintbox::gtkskin::Skin::of(GtkWidget* picker) {
    return *TINTBOX_GTK_PICKER(picker)->state->skin;
}

GtkWidget* tintbox_gtk_picker_new(void) {
    return GTK_WIDGET(g_object_new(TINTBOX_GTK_TYPE_PICKER, nullptr));
}

gint32 tintbox_gtk_picker_get_rgb(TintboxGtkPicker* self) {
    g_return_val_if_fail(TINTBOX_GTK_IS_PICKER(self), 0);
    return self->state != nullptr ? self->state->control->GetRGB() : 0;
}

void tintbox_gtk_picker_set_rgb(TintboxGtkPicker* self, gint32 value) {
    g_return_if_fail(TINTBOX_GTK_IS_PICKER(self));
    host_call(self, [&] { self->state->control->SetRGB(value); });
}

gint16 tintbox_gtk_picker_get_red(TintboxGtkPicker* self) {
    g_return_val_if_fail(TINTBOX_GTK_IS_PICKER(self), 0);
    return self->state != nullptr ? self->state->control->GetRed() : 0;
}
gint16 tintbox_gtk_picker_get_green(TintboxGtkPicker* self) {
    g_return_val_if_fail(TINTBOX_GTK_IS_PICKER(self), 0);
    return self->state != nullptr ? self->state->control->GetGreen() : 0;
}
gint16 tintbox_gtk_picker_get_blue(TintboxGtkPicker* self) {
    g_return_val_if_fail(TINTBOX_GTK_IS_PICKER(self), 0);
    return self->state != nullptr ? self->state->control->GetBlue() : 0;
}

void tintbox_gtk_picker_set_red(TintboxGtkPicker* self, gint16 value) {
    g_return_if_fail(TINTBOX_GTK_IS_PICKER(self));
    host_call(self, [&] { self->state->control->SetRed(value); });
}
void tintbox_gtk_picker_set_green(TintboxGtkPicker* self, gint16 value) {
    g_return_if_fail(TINTBOX_GTK_IS_PICKER(self));
    host_call(self, [&] { self->state->control->SetGreen(value); });
}
void tintbox_gtk_picker_set_blue(TintboxGtkPicker* self, gint16 value) {
    g_return_if_fail(TINTBOX_GTK_IS_PICKER(self));
    host_call(self, [&] { self->state->control->SetBlue(value); });
}

gint32 tintbox_gtk_picker_dec(TintboxGtkPicker* self, char** number) {
    g_return_val_if_fail(TINTBOX_GTK_IS_PICKER(self) && number != nullptr, 0);
    if (self->state == nullptr) {
        return 0;
    }
    std::u16string text = tintbox::gtkskin::from_utf8(*number);
    const gint32 value = self->state->control->Dec(text);
    g_free(*number);
    *number = g_strdup(tintbox::gtkskin::to_utf8(text).c_str());
    return value;
}

void tintbox_gtk_picker_sep_rgb(TintboxGtkPicker* self, gint32 value, gint32* red, gint32* green,
                                gint32* blue) {
    g_return_if_fail(TINTBOX_GTK_IS_PICKER(self));
    std::int32_t r = 0, g = 0, b = 0;
    if (self->state != nullptr) {
        self->state->control->SepRGB(value, r, g, b);
    }
    if (red != nullptr)
        *red = r;
    if (green != nullptr)
        *green = g;
    if (blue != nullptr)
        *blue = b;
}

GdkTexture* tintbox_gtk_picker_get_picture(TintboxGtkPicker* self) {
    g_return_val_if_fail(TINTBOX_GTK_IS_PICKER(self), nullptr);
    return self->picture;
}

gboolean tintbox_gtk_picker_set_picture(TintboxGtkPicker* self, GdkTexture* picture,
                                        GError** error) {
    g_return_val_if_fail(TINTBOX_GTK_IS_PICKER(self), FALSE);
    g_return_val_if_fail(picture == nullptr || GDK_IS_TEXTURE(picture), FALSE);
    if (self->state == nullptr || picture == self->picture) {
        return TRUE;
    }
    try {
        tintbox::PicturePtr converted = picture != nullptr ? to_picture(picture) : nullptr;
        self->state->skin->host_call(
            [&] { self->state->control->SetPicture(std::move(converted)); });
    } catch (const std::exception& failure) {
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_INVALID_DATA, failure.what());
        return FALSE;
    }
    g_set_object(&self->picture, picture);
    g_object_notify_by_pspec(G_OBJECT(self), properties[kPropPicture]);
    return TRUE;
}

gboolean tintbox_gtk_picker_get_control_enabled(TintboxGtkPicker* self) {
    g_return_val_if_fail(TINTBOX_GTK_IS_PICKER(self), FALSE);
    return self->state != nullptr && self->state->control->Enabled();
}

void tintbox_gtk_picker_set_control_enabled(TintboxGtkPicker* self, gboolean enabled) {
    g_return_if_fail(TINTBOX_GTK_IS_PICKER(self));
    if (self->state == nullptr || self->state->control->Enabled() == static_cast<bool>(enabled)) {
        return;
    }
    host_call(self, [&] { self->state->control->SetEnabled(enabled != FALSE); });
    g_object_notify_by_pspec(G_OBJECT(self), properties[kPropControlEnabled]);
}

const char* tintbox_gtk_picker_get_change_source(TintboxGtkPicker* self) {
    g_return_val_if_fail(TINTBOX_GTK_IS_PICKER(self), "host");
    return self->state != nullptr ? self->state->change_source.c_str() : "host";
}
