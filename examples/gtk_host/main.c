/* A GTK 4 application that shows the Tintbox control windowless: a drawing area that
 * the control draws into, a label that follows Change, a button that calls SetRGB and an
 * entry to tab to. The drawing area forwards the person's mouse, keys, input-method text
 * and focus; the site repaints, runs the eyedropper's timer on GLib, sets cursors and
 * serves the clipboard.
 *
 * usage: tintbox_gtk_host [--first-frame] path/to/libtintboxctl.so
 * (--first-frame: print the clock at the first painted frame and quit; see
 * gtk_first_frame.h)
 * Every colour the label shows is printed too ("colour #RRGGBB"), and where the control
 * sits in the window ("control at X Y"), for tests that drive it with real input. */
#include <gtk/gtk.h>
#include <stdio.h>
#include <string.h>

#include "gtk_first_frame.h"
#include "windowless_host.h"

typedef struct Host {
    TintboxWindowless* control;
    GtkWidget* window;
    GtkWidget* area;
    GtkWidget* label;
    cairo_surface_t* buffer; /* the control's pixels at the area's scale */
    cairo_region_t* dirty;   /* parts of the buffer to draw again */
    double ratio;
    gboolean first_frame_only;
    guint timer;
    GdkCursor* cursors[4];
    char* clipboard_text; /* the clipboard as last read: the site answers at once */
    int tabbed;           /* the focus is coming by Tab (1) or Shift+Tab (-1) */
    double pointer_x, pointer_y;
} Host;

/* ---- The site --------------------------------------------------------------------- */

static void site_invalidate(void* context, const TintboxRect* area) {
    Host* host = context;
    const cairo_rectangle_int_t rect = {area->x, area->y, area->width, area->height};
    cairo_region_union_rectangle(host->dirty, &rect);
    gtk_widget_queue_draw(host->area);
}

static gboolean on_timer(gpointer data) {
    Host* host = data;
    int32_t interval = 0;
    host->control->vtbl->TimerInterval(host->control, &interval);
    host->control->vtbl->Tick(host->control, interval);
    return G_SOURCE_CONTINUE;
}

static void site_start_timer(void* context, int32_t interval) {
    Host* host = context;
    if (host->timer != 0) {
        g_source_remove(host->timer);
    }
    host->timer = g_timeout_add((guint)interval, on_timer, host);
}

static void site_stop_timer(void* context) {
    Host* host = context;
    if (host->timer != 0) {
        g_source_remove(host->timer);
        host->timer = 0;
    }
}

static void site_set_pointer(void* context, int32_t shape) {
    Host* host = context;
    gtk_widget_set_cursor(host->area, host->cursors[shape]);
}

static void site_request_focus(void* context) {
    gtk_widget_grab_focus(((Host*)context)->area);
}

static const char* site_get_clipboard(void* context) {
    return ((Host*)context)->clipboard_text;
}

static void site_set_clipboard(void* context, const char* text, size_t length) {
    Host* host = context;
    char* copy = g_strndup(text, length);
    gdk_clipboard_set_text(gtk_widget_get_clipboard(host->area), copy);
    g_free(host->clipboard_text);
    host->clipboard_text = copy;
}

static void show_colour(Host* host) {
    char text[8];
    windowless_format(windowless_get_rgb(host->control), text);
    char line[32];
    snprintf(line, sizeof line, "colour %s", text);
    gtk_label_set_text(GTK_LABEL(host->label), line);
    printf("%s\n", line);
    fflush(stdout);
}

/* Where no program may read the screen (Wayland), the desktop's own picker takes the
 * eyedropper's pick once the right button is let go: the label says what to do meanwhile. */
static void site_eyedropper_state(void* context, int32_t mode, int32_t system_pick_open) {
    Host* host = context;
    (void)mode;
    if (system_pick_open) {
        gtk_label_set_text(GTK_LABEL(host->label), "Click a pixel; Esc cancels");
    } else {
        show_colour(host);
    }
}

static void site_event(void* context, int32_t event, const char* detail) {
    Host* host = context;
    switch (event) {
        case TINTBOX_EVENT_CHANGE:
            show_colour(host);
            break;
        case TINTBOX_EVENT_HANDLER_ERROR:
            fprintf(stderr, "control error: %s\n", detail);
            break;
        case TINTBOX_EVENT_EYEDROPPER_UNAVAILABLE:
            fprintf(stderr, "the eyedropper cannot read this screen\n");
            break;
    }
}

static void on_clipboard_read(GObject* source, GAsyncResult* result, gpointer data) {
    Host* host = data;
    char* text = gdk_clipboard_read_text_finish(GDK_CLIPBOARD(source), result, NULL);
    g_free(host->clipboard_text);
    host->clipboard_text = text;
}

static void on_clipboard_changed(GdkClipboard* clipboard, gpointer data) {
    gdk_clipboard_read_text_async(clipboard, NULL, on_clipboard_read, data);
}

/* ---- Drawing and size ------------------------------------------------------------- */

static void fit_buffer(Host* host) {
    const double ratio = gtk_widget_get_scale_factor(host->area);
    const int width = gtk_widget_get_width(host->area);
    const int height = gtk_widget_get_height(host->area);
    host->control->vtbl->SetExtent(host->control, (int32_t)(width * ratio),
                                   (int32_t)(height * ratio), ratio);
    int32_t device_width = 0;
    int32_t device_height = 0;
    host->control->vtbl->GetExtent(host->control, &device_width, &device_height);
    if (host->buffer == NULL || host->ratio != ratio ||
        cairo_image_surface_get_width(host->buffer) != device_width ||
        cairo_image_surface_get_height(host->buffer) != device_height) {
        if (host->buffer != NULL) {
            cairo_surface_destroy(host->buffer);
        }
        host->buffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, device_width, device_height);
        cairo_surface_set_device_scale(host->buffer, ratio, ratio);
        host->ratio = ratio;
        const cairo_rectangle_int_t all = {0, 0, device_width, device_height};
        cairo_region_union_rectangle(host->dirty, &all);
    }
}

static void on_draw(GtkDrawingArea* area, cairo_t* cr, int width, int height, gpointer data) {
    (void)area;
    (void)width;
    (void)height;
    Host* host = data;
    fit_buffer(host);
    cairo_surface_flush(host->buffer);
    /* Only what the control said changed is drawn again into the kept buffer. */
    for (int i = 0; i < cairo_region_num_rectangles(host->dirty); ++i) {
        cairo_rectangle_int_t rect;
        cairo_region_get_rectangle(host->dirty, i, &rect);
        const TintboxRect part = {rect.x, rect.y, rect.width, rect.height};
        host->control->vtbl->Draw(host->control, cairo_image_surface_get_data(host->buffer),
                                  cairo_image_surface_get_width(host->buffer),
                                  cairo_image_surface_get_height(host->buffer),
                                  cairo_image_surface_get_stride(host->buffer), &part);
    }
    cairo_region_subtract(host->dirty, host->dirty);
    cairo_surface_mark_dirty(host->buffer);
    cairo_set_source_surface(cr, host->buffer, 0, 0);
    cairo_paint(cr);
}

/* Laid out: the area has its place in the window now (at "map" it has none yet). */
static void on_resize(GtkDrawingArea* area, int width, int height, gpointer data) {
    (void)width;
    (void)height;
    Host* host = data;
    fit_buffer(host);
    double x = 0;
    double y = 0;
    gtk_widget_translate_coordinates(GTK_WIDGET(area), host->window, 0, 0, &x, &y);
    printf("control at %d %d\n", (int)x, (int)y);
    fflush(stdout);
}

/* ---- Input ------------------------------------------------------------------------ */

static int32_t send(Host* host, int32_t kind, double x, double y, int32_t button, int32_t key,
                    int32_t modifiers, const char* text, int32_t delta) {
    TintboxInputEvent event = {
        kind, (int32_t)(x * host->ratio), (int32_t)(y * host->ratio), button, modifiers, key, delta,
        text};
    int32_t handled = 0;
    if (host->control->vtbl->Input(host->control, &event, &handled) != TINTBOX_OK) {
        fprintf(stderr, "%s\n", host->control->vtbl->ErrorMessage(host->control));
    }
    return handled;
}

static int32_t modifiers_of(GdkModifierType state) {
    return ((state & GDK_SHIFT_MASK) ? TINTBOX_MOD_SHIFT : 0) |
           ((state & GDK_CONTROL_MASK) ? TINTBOX_MOD_CTRL : 0) |
           ((state & GDK_ALT_MASK) ? TINTBOX_MOD_ALT : 0);
}

static int32_t button_of(GtkGesture* gesture) {
    switch (gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture))) {
        case GDK_BUTTON_PRIMARY:
            return TINTBOX_BUTTON_LEFT;
        case GDK_BUTTON_SECONDARY:
            return TINTBOX_BUTTON_RIGHT;
        case GDK_BUTTON_MIDDLE:
            return TINTBOX_BUTTON_MIDDLE;
        default:
            return 0;
    }
}

static GdkModifierType state_of(GtkEventController* controller) {
    return gtk_event_controller_get_current_event_state(controller);
}

static void on_pressed(GtkGestureClick* gesture, int presses, double x, double y, gpointer data) {
    const int32_t button = button_of(GTK_GESTURE(gesture));
    if (button != 0) {
        send(data, presses == 2 ? TINTBOX_INPUT_DOUBLE_CLICK : TINTBOX_INPUT_PRESS, x, y, button, 0,
             modifiers_of(state_of(GTK_EVENT_CONTROLLER(gesture))), NULL, 0);
    }
}

static void on_released(GtkGestureClick* gesture, int presses, double x, double y, gpointer data) {
    (void)presses;
    const int32_t button = button_of(GTK_GESTURE(gesture));
    if (button != 0) {
        send(data, TINTBOX_INPUT_RELEASE, x, y, button, 0,
             modifiers_of(state_of(GTK_EVENT_CONTROLLER(gesture))), NULL, 0);
    }
}

static void on_motion(GtkEventControllerMotion* motion, double x, double y, gpointer data) {
    Host* host = data;
    host->pointer_x = x;
    host->pointer_y = y;
    send(data, TINTBOX_INPUT_MOVE, x, y, 0, 0, modifiers_of(state_of(GTK_EVENT_CONTROLLER(motion))),
         NULL, 0);
}

static void on_leave(GtkEventControllerMotion* motion, gpointer data) {
    (void)motion;
    send(data, TINTBOX_INPUT_LEAVE, 0, 0, 0, 0, 0, NULL, 0);
}

static gboolean on_scroll(GtkEventControllerScroll* scroll, double dx, double dy, gpointer data) {
    (void)dx;
    (void)scroll;
    Host* host = data;
    return send(host, TINTBOX_INPUT_WHEEL, host->pointer_x, host->pointer_y, 0, 0, 0, NULL,
                dy < 0 ? 1 : -1) != 0;
}

static int32_t key_of(guint keyval) {
    switch (keyval) {
        case GDK_KEY_BackSpace:
            return TINTBOX_KEY_BACKSPACE;
        case GDK_KEY_Delete:
        case GDK_KEY_KP_Delete:
            return TINTBOX_KEY_DELETE;
        case GDK_KEY_Left:
        case GDK_KEY_KP_Left:
            return TINTBOX_KEY_LEFT;
        case GDK_KEY_Right:
        case GDK_KEY_KP_Right:
            return TINTBOX_KEY_RIGHT;
        case GDK_KEY_Up:
        case GDK_KEY_KP_Up:
            return TINTBOX_KEY_UP;
        case GDK_KEY_Down:
        case GDK_KEY_KP_Down:
            return TINTBOX_KEY_DOWN;
        case GDK_KEY_Home:
        case GDK_KEY_KP_Home:
            return TINTBOX_KEY_HOME;
        case GDK_KEY_End:
        case GDK_KEY_KP_End:
            return TINTBOX_KEY_END;
        case GDK_KEY_Page_Up:
            return TINTBOX_KEY_PAGE_UP;
        case GDK_KEY_Page_Down:
            return TINTBOX_KEY_PAGE_DOWN;
        case GDK_KEY_Tab:
            return TINTBOX_KEY_TAB;
        case GDK_KEY_ISO_Left_Tab:
            return TINTBOX_KEY_BACKTAB;
        case GDK_KEY_Insert:
            return TINTBOX_KEY_INSERT;
        case GDK_KEY_Escape:
            return TINTBOX_KEY_ESCAPE;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
            return TINTBOX_KEY_RETURN;
        default: {
            const guint upper = gdk_keyval_to_upper(keyval);
            return upper >= 'A' && upper <= 'Z' ? (int32_t)upper : 0;
        }
    }
}

static gboolean on_key(GtkEventControllerKey* keys, guint keyval, guint code, GdkModifierType state,
                       gpointer data) {
    (void)code;
    Host* host = data;
    const int32_t key = key_of(keyval);
    (void)keys;
    if (key == 0) {
        return FALSE; /* characters come from the input method as text */
    }
    /* Not handled: GTK moves the focus on (Tab at the ends) or uses the key itself. */
    return send(host, TINTBOX_INPUT_KEY, 0, 0, 0, key, modifiers_of(state), NULL, 0) != 0;
}

static void on_commit(GtkIMContext* context, const char* text, gpointer data) {
    (void)context;
    send(data, TINTBOX_INPUT_TEXT, 0, 0, 0, 0, 0, text, 0);
}

/* Which way the focus is coming: the window sees Tab before it moves the focus. */
static gboolean on_window_key(GtkEventControllerKey* keys, guint keyval, guint code,
                              GdkModifierType state, gpointer data) {
    (void)keys;
    (void)code;
    (void)state;
    Host* host = data;
    host->tabbed = keyval == GDK_KEY_Tab ? 1 : keyval == GDK_KEY_ISO_Left_Tab ? -1 : 0;
    return FALSE;
}

static void on_focus_enter(GtkEventControllerFocus* focus, gpointer data) {
    (void)focus;
    Host* host = data;
    const int32_t key = host->tabbed > 0   ? TINTBOX_KEY_TAB
                        : host->tabbed < 0 ? TINTBOX_KEY_BACKTAB
                                           : 0;
    send(host, TINTBOX_INPUT_FOCUS_IN, 0, 0, 0, key, 0, NULL, 0);
}

static void on_focus_leave(GtkEventControllerFocus* focus, gpointer data) {
    (void)focus;
    send(data, TINTBOX_INPUT_FOCUS_OUT, 0, 0, 0, 0, 0, NULL, 0);
}

/* ---- The window ------------------------------------------------------------------- */

static GdkCursor* cursor_from_resource(const TintboxCursorImage* image) {
    GBytes* bytes = g_bytes_new(image->pixels, sizeof image->pixels);
    GdkTexture* texture =
        gdk_memory_texture_new(image->width, image->height, GDK_MEMORY_B8G8R8A8_PREMULTIPLIED,
                               bytes, (gsize)image->width * 4);
    GdkCursor* cursor = gdk_cursor_new_from_texture(texture, image->hot_x, image->hot_y, NULL);
    g_object_unref(texture);
    g_bytes_unref(bytes);
    return cursor;
}

static void on_set_clicked(GtkButton* button, gpointer data) {
    (void)button;
    windowless_set_rgb(((Host*)data)->control, 0xCC6633); /* #3366CC */
}

static void activate(GtkApplication* application, gpointer data) {
    Host* host = data;
    host->window = gtk_application_window_new(application);
    gtk_window_set_title(GTK_WINDOW(host->window), "Tintbox in GTK");

    host->area = gtk_drawing_area_new();
    int32_t width = 0;
    int32_t height = 0;
    host->control->vtbl->GetExtent(host->control, &width, &height);
    gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(host->area), width);
    gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(host->area), height);
    gtk_widget_set_hexpand(host->area, TRUE);
    gtk_widget_set_focusable(host->area, TRUE);
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(host->area), on_draw, host, NULL);
    g_signal_connect(host->area, "resize", G_CALLBACK(on_resize), host);

    GtkGesture* click = gtk_gesture_click_new();
    gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), 0);
    g_signal_connect(click, "pressed", G_CALLBACK(on_pressed), host);
    g_signal_connect(click, "released", G_CALLBACK(on_released), host);
    gtk_widget_add_controller(host->area, GTK_EVENT_CONTROLLER(click));
    GtkEventController* motion = gtk_event_controller_motion_new();
    g_signal_connect(motion, "motion", G_CALLBACK(on_motion), host);
    g_signal_connect(motion, "leave", G_CALLBACK(on_leave), host);
    gtk_widget_add_controller(host->area, motion);
    GtkEventController* scroll = gtk_event_controller_scroll_new(
        GTK_EVENT_CONTROLLER_SCROLL_VERTICAL | GTK_EVENT_CONTROLLER_SCROLL_DISCRETE);
    g_signal_connect(scroll, "scroll", G_CALLBACK(on_scroll), host);
    gtk_widget_add_controller(host->area, scroll);
    GtkEventController* keys = gtk_event_controller_key_new();
    GtkIMContext* input_method = gtk_im_multicontext_new();
    g_signal_connect(input_method, "commit", G_CALLBACK(on_commit), host);
    gtk_event_controller_key_set_im_context(GTK_EVENT_CONTROLLER_KEY(keys), input_method);
    g_signal_connect(keys, "key-pressed", G_CALLBACK(on_key), host);
    gtk_widget_add_controller(host->area, keys);
    GtkEventController* focus = gtk_event_controller_focus_new();
    g_signal_connect(focus, "enter", G_CALLBACK(on_focus_enter), host);
    g_signal_connect(focus, "leave", G_CALLBACK(on_focus_leave), host);
    gtk_widget_add_controller(host->area, focus);
    GtkEventController* window_keys = gtk_event_controller_key_new();
    gtk_event_controller_set_propagation_phase(window_keys, GTK_PHASE_CAPTURE);
    g_signal_connect(window_keys, "key-pressed", G_CALLBACK(on_window_key), host);
    gtk_widget_add_controller(host->window, window_keys);

    host->label = gtk_label_new("");
    GtkWidget* button = gtk_button_new_with_label("Set #3366CC");
    g_signal_connect(button, "clicked", G_CALLBACK(on_set_clicked), host);
    GtkWidget* entry = gtk_entry_new();
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_box_append(GTK_BOX(row), host->label);
    gtk_box_append(GTK_BOX(row), button);
    gtk_box_append(GTK_BOX(row), entry);
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_box_append(GTK_BOX(column), host->area);
    gtk_box_append(GTK_BOX(column), row);
    /* A margin around the window's content, as GNOME's layout guidelines ask. */
    gtk_widget_set_margin_top(column, 12);
    gtk_widget_set_margin_bottom(column, 12);
    gtk_widget_set_margin_start(column, 12);
    gtk_widget_set_margin_end(column, 12);
    gtk_window_set_child(GTK_WINDOW(host->window), column);

    GdkClipboard* clipboard = gtk_widget_get_clipboard(host->area);
    g_signal_connect(clipboard, "changed", G_CALLBACK(on_clipboard_changed), host);

    host->cursors[TINTBOX_POINTER_DEFAULT] = gdk_cursor_new_from_name("default", NULL);
    host->cursors[TINTBOX_POINTER_TEXT] = gdk_cursor_new_from_name("text", NULL);

    const TintboxSite site = {sizeof site,
                              host,
                              site_invalidate,
                              site_start_timer,
                              site_stop_timer,
                              site_set_pointer,
                              site_request_focus,
                              site_get_clipboard,
                              site_set_clipboard,
                              NULL,
                              NULL,
                              site_event,
                              site_eyedropper_state};
    if (host->control->vtbl->SetSite(host->control, &site) != TINTBOX_OK) {
        fprintf(stderr, "%s\n", host->control->vtbl->ErrorMessage(host->control));
    }
    show_colour(host);
    if (host->first_frame_only) {
        quit_after_first_frame(host->window);
    }
    gtk_window_present(GTK_WINDOW(host->window));
}

int main(int argc, char** argv) {
    const gboolean first_frame_only = argc > 1 && strcmp(argv[1], "--first-frame") == 0;
    if (first_frame_only) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        fprintf(stderr, "usage: %s [--first-frame] path/to/libtintboxctl.so\n", argv[0]);
        return 2;
    }
    Host host;
    memset(&host, 0, sizeof host);
    host.first_frame_only = first_frame_only;
    host.ratio = 1.0;
    host.dirty = cairo_region_create();
    host.control = windowless_open(argv[1]);
    if (host.control == NULL) {
        return 1;
    }
    windowless_set_spectrum(host.control);
    for (int shape = TINTBOX_POINTER_CURSOR_A; shape <= TINTBOX_POINTER_CURSOR_B; ++shape) {
        const TintboxCursorImage* image = windowless_cursor(shape);
        host.cursors[shape] = image != NULL ? cursor_from_resource(image) : NULL;
    }

    GtkApplication* application =
        gtk_application_new("org.tintbox.GtkHost", G_APPLICATION_NON_UNIQUE);
    g_signal_connect(application, "activate", G_CALLBACK(activate), &host);
    char* gtk_argv[] = {argv[0], NULL};
    const int status = g_application_run(G_APPLICATION(application), 1, gtk_argv);
    g_object_unref(application);
    if (host.timer != 0) {
        g_source_remove(host.timer);
    }
    windowless_close(host.control);
    for (int i = 0; i < 4; ++i) {
        if (host.cursors[i] != NULL) {
            g_object_unref(host.cursors[i]);
        }
    }
    if (host.buffer != NULL) {
        cairo_surface_destroy(host.buffer);
    }
    cairo_region_destroy(host.dirty);
    g_free(host.clipboard_text);
    return status;
}
