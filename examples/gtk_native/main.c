/* A GTK 4 application in C that places the native Tintbox widget in its window: the
 * picker with a spectrum picture, a label that follows the changed signal, a button that
 * sets the colour and an entry to tab to. Compare examples/gtk_host, which shows the
 * Qt-rendered control windowless.
 *
 * usage: tintbox_gtk_native [--first-frame] [picture file]
 * (--first-frame: print the clock at the first painted frame and quit; see
 * gtk_first_frame.h)
 * Every colour the label shows is printed too ("colour #RRGGBB"). */
#include <gtk/gtk.h>
#include <stdio.h>
#include <string.h>

#include "gtk_first_frame.h"
#include "tintbox-gtk/tintbox-gtk-picker.h"

static const char* picture_path;
static gboolean first_frame_only;

static void show_colour(TintboxGtkPicker* picker, gpointer label) {
    char text[64];
    g_snprintf(text, sizeof text, "colour #%02X%02X%02X", tintbox_gtk_picker_get_red(picker),
               tintbox_gtk_picker_get_green(picker), tintbox_gtk_picker_get_blue(picker));
    gtk_label_set_text(GTK_LABEL(label), text);
    printf("%s\n", text);
    fflush(stdout);
}

static void set_colour(GtkButton* button, gpointer picker) {
    (void)button;
    tintbox_gtk_picker_set_rgb(TINTBOX_GTK_PICKER(picker), 0xDC8D3C);
}

/* A hue (along x) and brightness (full at the top, black at the bottom) spectrum. */
static GdkTexture* spectrum(void) {
    enum { kWidth = 180, kHeight = 200 };
    static const int order[6][3] = {{2, 1, 0}, {1, 2, 0}, {0, 2, 1},
                                    {0, 1, 2}, {1, 0, 2}, {2, 0, 1}};
    guint8* pixels = g_malloc(kWidth * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        const int light = 255 - y * 255 / kHeight;
        for (int x = 0; x < kWidth; ++x) {
            const int sixth = x * 6 * 255 / kWidth / 255;
            const int part = x * 6 * 255 / kWidth % 255;
            const int ramp = sixth % 2 == 0 ? part : 255 - part;
            for (int c = 0; c < 3; ++c) {
                const int level = order[sixth][c] == 0 ? 0 : order[sixth][c] == 1 ? ramp : 255;
                pixels[(y * kWidth + x) * 3 + c] = (guint8)(level * light / 255);
            }
        }
    }
    GBytes* bytes = g_bytes_new_take(pixels, kWidth * kHeight * 3);
    GdkTexture* texture =
        gdk_memory_texture_new(kWidth, kHeight, GDK_MEMORY_R8G8B8, bytes, kWidth * 3);
    g_bytes_unref(bytes);
    return texture;
}

static void on_activate(GtkApplication* application, gpointer data) {
    (void)data;
    GtkWidget* window = gtk_application_window_new(application);
    gtk_window_set_title(GTK_WINDOW(window), "Tintbox in GTK (native widget)");
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_widget_set_margin_top(box, 12);
    gtk_widget_set_margin_bottom(box, 12);
    gtk_widget_set_margin_start(box, 12);
    gtk_widget_set_margin_end(box, 12);

    GtkWidget* picker = tintbox_gtk_picker_new();
    GError* error = NULL;
    GdkTexture* picture =
        picture_path ? gdk_texture_new_from_filename(picture_path, &error) : spectrum();
    if (picture == NULL ||
        !tintbox_gtk_picker_set_picture(TINTBOX_GTK_PICKER(picker), picture, &error)) {
        fprintf(stderr, "%s\n", error->message);
        g_clear_error(&error);
    }
    g_clear_object(&picture);
    GtkWidget* label = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    GtkWidget* button = gtk_button_new_with_label("Set #3C8DDC");
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_placeholder_text(GTK_ENTRY(entry), "Tab here");
    g_signal_connect(picker, "changed", G_CALLBACK(show_colour), label);
    g_signal_connect(button, "clicked", G_CALLBACK(set_colour), picker);
    gtk_box_append(GTK_BOX(box), picker);
    gtk_box_append(GTK_BOX(box), label);
    gtk_box_append(GTK_BOX(box), button);
    gtk_box_append(GTK_BOX(box), entry);
    gtk_window_set_child(GTK_WINDOW(window), box);
    show_colour(TINTBOX_GTK_PICKER(picker), label);
    if (first_frame_only) {
        quit_after_first_frame(window);
    }
    gtk_window_present(GTK_WINDOW(window));
}

int main(int argc, char** argv) {
    first_frame_only = argc > 1 && strcmp(argv[1], "--first-frame") == 0;
    if (first_frame_only) {
        --argc;
        ++argv;
    }
    picture_path = argc > 1 ? argv[1] : NULL;
    GtkApplication* application =
        gtk_application_new("org.tintbox.GtkNative", G_APPLICATION_NON_UNIQUE);
    g_signal_connect(application, "activate", G_CALLBACK(on_activate), NULL);
    char* gtk_argv[] = {argv[0], NULL};
    const int status = g_application_run(G_APPLICATION(application), 1, gtk_argv);
    g_object_unref(application);
    return status;
}
