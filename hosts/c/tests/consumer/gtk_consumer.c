/* Uses the installed GTK widget's library: its type registers under its GObject name. */
#include <string.h>

#include "tintbox-gtk/tintbox-gtk-picker.h"

int main(void) {
    return strcmp(g_type_name(TINTBOX_GTK_TYPE_PICKER), "TintboxGtkPicker") == 0 ? 0 : 1;
}
