// The Tintbox colour picker as a QML item: `import Tintbox` and `TintboxPicker { }`.
// PickerBase holds the control; one ViewItem a view draws it, and tells assistive
// technology what the person can reach, with the names of the shared table. A field's
// context menu shows the items the control offers.
import QtQuick
import QtQuick.Controls
import Tintbox

PickerBase {
    id: root

    Accessible.role: Accessible.Grouping
    Accessible.name: qsTr("Colour picker")

    onEditMenuRequested: (position, items) => {
        editMenu.entries = items;
        editMenu.popup(root, position);
    }

    Menu {
        id: editMenu

        property var entries: []

        objectName: "editMenu"
        onClosed: root.editMenuClosed()

        Instantiator {
            model: editMenu.entries

            delegate: MenuItem {
                required property var modelData
                required property int index

                text: modelData.text
                enabled: modelData.enabled
                onTriggered: root.runEditCommand(index)
            }

            onObjectAdded: (index, item) => editMenu.insertItem(index, item)
            onObjectRemoved: (index, item) => editMenu.removeItem(item)
        }
    }

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
