# Doxygen's input filter for the GTK widget's header, whose comments are gtk-doc (GObject
# introspection reads them): turns them into Doxygen's commands on the way in, so that
# the header itself keeps the one syntax its own tools need.
# The file's opening comment becomes its Doxygen description. In the other comments
# (lines " * ...") the symbol line ("name:") is dropped, as Doxygen takes the declaration
# that follows, and annotations for introspection go.
1s|^/\* |/** \\file\n * |
/^ \* [A-Za-z_:]*:$/d
/^ \*/{
  s/^\( \* [@A-Za-z_]*:\)\( ([^)]*)\)\{1,\}:/\1/
  s/^ \* @\([a-z_]*\): / * \\param \1 /
  s/^ \* Returns: / * \\return /
  s/@\([a-z_]*\)/\\p \1/g
  s/#\([A-Za-z]\)/\1/g
  s/%\([A-Z_]\)/\1/g
}
