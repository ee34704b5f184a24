/* Start-up measurement for the GTK examples: given --first-frame, a program prints the
 * monotonic clock in nanoseconds once its window has painted its first frame, and quits.
 * The Qt benchmark starts the examples this way to compare their start-up. */
#pragma once

#include <gtk/gtk.h>
#include <stdio.h>

static void first_frame_painted(GdkFrameClock* clock, gpointer window) {
    (void)clock;
    static gboolean printed;
    if (printed) {
        return;  // the frames painted while the window goes
    }
    printed = TRUE;
    printf("%lld\n", (long long)g_get_monotonic_time() * 1000);
    fflush(stdout);
    gtk_window_destroy(GTK_WINDOW(window));
}

static void watch_first_frame(GtkWidget* window, gpointer data) {
    (void)data;
    g_signal_connect(gtk_widget_get_frame_clock(window), "after-paint",
                     G_CALLBACK(first_frame_painted), window);
}

/* Call before the window is first presented. */
static inline void quit_after_first_frame(GtkWidget* window) {
    g_signal_connect(window, "realize", G_CALLBACK(watch_first_frame), NULL);
}
