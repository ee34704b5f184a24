/* What both windowless example hosts (GTK 4 and plain Xlib) do the same way: load the
 * library, create the windowless control, and call its colour members. */
#ifndef TINTBOX_WINDOWLESS_HOST_H
#define TINTBOX_WINDOWLESS_HOST_H

#include "tintbox/tintbox_windowless.h"

/* Loads the library at `path` and creates a windowless control with one reference;
 * NULL (with a message on stderr) on failure. */
TintboxWindowless* windowless_open(const char* path);
/* Releases the control and the factory; the library stays loaded (Qt ran in it). */
void windowless_close(TintboxWindowless* control);

int32_t windowless_get_rgb(TintboxWindowless* control);
void windowless_set_rgb(TintboxWindowless* control, int32_t rgb);
/* A hue and brightness spectrum as the control's picture. */
void windowless_set_spectrum(TintboxWindowless* control);
/* The image of TINTBOX_POINTER_CURSOR_A or _B, for a native cursor. */
const TintboxCursorImage* windowless_cursor(int32_t shape);
/* "#RRGGBB" of a colour value 0x00BBGGRR into out[8]. */
void windowless_format(int32_t rgb, char out[8]);

#endif
