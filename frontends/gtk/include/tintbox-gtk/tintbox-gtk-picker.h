/* TintboxGtkPicker: the Tintbox colour-picker control as a native GTK 4 widget.
 *
 * Its children are GTK's own widgets (GtkText fields, GtkScrollbar bars, drawn swatches
 * and spectrum); they follow the GTK theme, fonts and scale. The control's colour is the
 * number 0x00BBGGRR (red in the low byte), as everywhere in Tintbox.
 *
 * Every colour change, whoever made it (a person, the eyedropper, a setter), emits
 * TintboxGtkPicker::changed and notifies the rgb, red, green and blue properties. */
#ifndef TINTBOX_GTK_PICKER_H
#define TINTBOX_GTK_PICKER_H

#include <gtk/gtk.h>

G_BEGIN_DECLS

/**
 * TINTBOX_GTK_TYPE_PICKER:
 *
 * The #GType of #TintboxGtkPicker.
 */
#define TINTBOX_GTK_TYPE_PICKER (tintbox_gtk_picker_get_type())
/**
 * TintboxGtkPicker:
 *
 * The colour-picker control as a GTK 4 widget (a final #GtkWidget type).
 */
G_DECLARE_FINAL_TYPE(TintboxGtkPicker, tintbox_gtk_picker, TINTBOX_GTK, PICKER, GtkWidget)

/**
 * tintbox_gtk_picker_new:
 *
 * Creates a picker showing black, with no spectrum picture.
 *
 * Returns: (transfer full): a new #TintboxGtkPicker
 */
GtkWidget* tintbox_gtk_picker_new(void);

/**
 * tintbox_gtk_picker_get_rgb:
 * @self: a #TintboxGtkPicker
 *
 * Returns: the colour shown as the new colour, 0x00BBGGRR
 */
gint32 tintbox_gtk_picker_get_rgb(TintboxGtkPicker* self);

/**
 * tintbox_gtk_picker_set_rgb:
 * @self: a #TintboxGtkPicker
 * @value: a colour, 0x00BBGGRR; limited to 0..16777215
 *
 * Shows @value as the new and the previous colour in every editor; emits
 * #TintboxGtkPicker::changed once.
 */
void tintbox_gtk_picker_set_rgb(TintboxGtkPicker* self, gint32 value);

/**
 * tintbox_gtk_picker_get_red:
 * @self: a #TintboxGtkPicker
 *
 * Returns: the red component shown, 0..255 (0 for an empty field)
 */
gint16 tintbox_gtk_picker_get_red(TintboxGtkPicker* self);
/**
 * tintbox_gtk_picker_get_green:
 * @self: a #TintboxGtkPicker
 *
 * Returns: the green component shown, 0..255 (0 for an empty field)
 */
gint16 tintbox_gtk_picker_get_green(TintboxGtkPicker* self);
/**
 * tintbox_gtk_picker_get_blue:
 * @self: a #TintboxGtkPicker
 *
 * Returns: the blue component shown, 0..255 (0 for an empty field)
 */
gint16 tintbox_gtk_picker_get_blue(TintboxGtkPicker* self);

/**
 * tintbox_gtk_picker_set_red:
 * @self: a #TintboxGtkPicker
 * @value: the component, limited to 0..255
 *
 * Shows @value in the red field; emits #TintboxGtkPicker::changed twice when that
 * changed the field's text, once otherwise.
 */
void tintbox_gtk_picker_set_red(TintboxGtkPicker* self, gint16 value);
/**
 * tintbox_gtk_picker_set_green:
 * @self: a #TintboxGtkPicker
 * @value: the component, limited to 0..255
 *
 * As tintbox_gtk_picker_set_red(), for green.
 */
void tintbox_gtk_picker_set_green(TintboxGtkPicker* self, gint16 value);
/**
 * tintbox_gtk_picker_set_blue:
 * @self: a #TintboxGtkPicker
 * @value: the component, limited to 0..255
 *
 * As tintbox_gtk_picker_set_red(), for blue.
 */
void tintbox_gtk_picker_set_blue(TintboxGtkPicker* self, gint16 value);

/**
 * tintbox_gtk_picker_dec:
 * @self: a #TintboxGtkPicker
 * @number: (inout) (transfer full): a hexadecimal number as a person typed it; cleaned in
 *   place to its upper-case hexadecimal digits
 *
 * Cleans @number and converts it from hexadecimal; more than 7 clean digits give 0.
 * Never fails.
 *
 * Returns: the number's value
 */
gint32 tintbox_gtk_picker_dec(TintboxGtkPicker* self, char** number);

/**
 * tintbox_gtk_picker_sep_rgb:
 * @self: a #TintboxGtkPicker
 * @value: a colour, 0x00BBGGRR
 * @red: (out): its red component
 * @green: (out): its green component
 * @blue: (out): its blue component
 *
 * Splits a colour into its components. Never fails.
 */
void tintbox_gtk_picker_sep_rgb(TintboxGtkPicker* self, gint32 value, gint32* red, gint32* green,
                                gint32* blue);

/**
 * tintbox_gtk_picker_get_picture:
 * @self: a #TintboxGtkPicker
 *
 * Returns: (transfer none) (nullable): the spectrum picture that was set, or %NULL
 */
GdkTexture* tintbox_gtk_picker_get_picture(TintboxGtkPicker* self);

/**
 * tintbox_gtk_picker_set_picture:
 * @self: a #TintboxGtkPicker
 * @picture: (nullable): the spectrum picture; transparent parts show white
 * @error: return location for an error
 *
 * Shows @picture in the spectrum; emits no #TintboxGtkPicker::changed. Fails with
 * %G_IO_ERROR_INVALID_DATA for a picture over 16384 pixels on a side, leaving the
 * spectrum as it was.
 *
 * Returns: %TRUE when the picture is shown
 */
gboolean tintbox_gtk_picker_set_picture(TintboxGtkPicker* self, GdkTexture* picture,
                                        GError** error);

/**
 * tintbox_gtk_picker_get_control_enabled:
 * @self: a #TintboxGtkPicker
 *
 * Returns: whether the control and its editors take a person's input
 */
gboolean tintbox_gtk_picker_get_control_enabled(TintboxGtkPicker* self);

/**
 * tintbox_gtk_picker_set_control_enabled:
 * @self: a #TintboxGtkPicker
 * @enabled: whether the control and its editors take a person's input
 *
 * Switches the control; emits no #TintboxGtkPicker::changed.
 */
void tintbox_gtk_picker_set_control_enabled(TintboxGtkPicker* self, gboolean enabled);

/**
 * tintbox_gtk_picker_get_change_source:
 * @self: a #TintboxGtkPicker
 *
 * Read inside a #TintboxGtkPicker::changed handler: "host" for a setter, "eyedropper"
 * for a screen pick, "spectrum" for the spectrum, else the editor's name ("txtRed",
 * "hsGreen", ...).
 *
 * Returns: (transfer none): the door of the change being made
 */
const char* tintbox_gtk_picker_get_change_source(TintboxGtkPicker* self);

G_END_DECLS

#endif /* TINTBOX_GTK_PICKER_H */
