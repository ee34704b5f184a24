// The Tintbox colour picker as a QML item: `import Tintbox` and `TintboxPicker { }`.
// PickerBase holds the control; one ViewItem a view draws it, and tells assistive
// technology what the person can reach, with the names of the shared table.
import QtQuick
import Tintbox

PickerBase {
    id: root

    Accessible.role: Accessible.Grouping
    Accessible.name: qsTr("Colour picker")

    Repeater {
        model: root.viewCount

        ViewItem {
            required property int index

            owner: root
            viewIndex: index
            Accessible.role: accessibleRole
            Accessible.name: accessibleName
            Accessible.description: accessibleDescription
            Accessible.ignored: !reachable
            Accessible.focusable: reachable
            Accessible.focused: viewFocused
        }
    }
}
