// The picker through its typelib from GJS: create it, set a colour, read it back through
// the method and the property, and hear the changed signal.
imports.gi.versions.Gtk = '4.0';
const {Gtk, TintboxGtk} = imports.gi;

Gtk.init();
const picker = new TintboxGtk.Picker();
let heard = 0;
picker.connect('changed', () => heard++);
picker.set_rgb(0x3C8DDC);
if (picker.get_rgb() !== 0x3C8DDC || picker.rgb !== 0x3C8DDC || picker.red !== 0xDC || heard !== 1)
    throw new Error(`rgb ${picker.get_rgb()} red ${picker.red} changes ${heard}`);
print('[  PASSED  ] GJS');
