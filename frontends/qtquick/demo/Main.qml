// The demo's panel: the picker, a colour to set, its Enabled switch, a picture to load,
// the log of its Change events and a hint on the eyedropper.
import QtQuick
import QtQuick.Controls
import Tintbox

ApplicationWindow {
    id: window

    required property var spectrum
    property string lastLine: ""
    property int repeats: 0

    function log(line) {
        if (line === lastLine) {
            repeats += 1;
            const lines = logArea.text.split("\n");
            lines[lines.length - 1] = qsTr("%1  x %2").arg(line).arg(repeats);
            logArea.text = lines.join("\n");
            return;
        }
        lastLine = line;
        repeats = 1;
        logArea.text = logArea.text === "" ? line : logArea.text + "\n" + line;
    }

    function hex2(value) {
        return ("0" + value.toString(16).toUpperCase()).slice(-2);
    }

    function doorText(door) {
        if (door.startsWith("txt"))
            return qsTr("field %1").arg(door);
        if (door.startsWith("hs"))
            return qsTr("scroll bar %1").arg(door);
        return door;
    }

    // #RRGGBB, 0xBBGGRR or a decimal number from 0 to 16777215; -1 for anything else.
    function parseColor(text) {
        const entry = text.trim();
        let match = /^#([0-9a-fA-F]{6})$/.exec(entry);
        if (match) {
            const web = parseInt(match[1], 16);
            return ((web >> 16) & 0xFF) | (web & 0xFF00) | ((web & 0xFF) << 16);
        }
        match = /^0[xX]([0-9a-fA-F]{1,6})$/.exec(entry);
        if (match)
            return parseInt(match[1], 16);
        if (/^[0-9]{1,8}$/.test(entry) && parseInt(entry, 10) <= 16777215)
            return parseInt(entry, 10);
        return -1;
    }

    function setFromEntry() {
        const value = parseColor(rgbEntry.text);
        if (value < 0) {
            log(qsTr("SetRGB: \"%1\" is not a colour (#RRGGBB, 0xBBGGRR or 0 to 16777215)").arg(rgbEntry.text));
            return;
        }
        log(qsTr("SetRGB %1").arg(value));
        picker.setRGB(value);
    }

    width: picker.implicitWidth + 160
    height: 560
    visible: true
    title: qsTr("Tintbox (Qt Quick)")

    Column {
        anchors.fill: parent
        anchors.margins: 8
        spacing: 6

        TintboxPicker {
            id: picker

            width: parent.width
            picture: window.spectrum
            Component.onCompleted: setRGB(0xDC8D3C)
            onChanged: {
                const parts = sepRGB(rgb);
                window.log(qsTr("Change from %1: %2 (decimal)  %3 (hex)  #%4 (web)").arg(window.doorText(changeDoor)).arg(rgb).arg(window.hex2(parts.blue) + window.hex2(parts.green) + window.hex2(parts.red)).arg(window.hex2(parts.red) + window.hex2(parts.green) + window.hex2(parts.blue)));
            }
            onErrorRaised: message => window.log(qsTr("Error: %1").arg(message))
            onEyedropperUnavailable: status.text = qsTr("The eyedropper cannot read the screen on this desktop.")
        }

        Row {
            spacing: 6

            TextField {
                id: rgbEntry

                width: 160
                text: "#3C8DDC"
                onAccepted: window.setFromEntry()
            }

            Button {
                text: qsTr("SetRGB")
                onClicked: window.setFromEntry()
            }

            CheckBox {
                text: qsTr("Enabled")
                checked: picker.controlEnabled
                onToggled: {
                    picker.controlEnabled = checked;
                    window.log(checked ? qsTr("Enabled = True") : qsTr("Enabled = False"));
                }
            }
        }

        Row {
            spacing: 6

            TextField {
                id: pictureEntry

                width: 260
                placeholderText: qsTr("Picture file (PNG, JPEG, BMP)")
                onAccepted: loadPicture.clicked()
            }

            Button {
                id: loadPicture

                text: qsTr("Load picture")
                onClicked: {
                    picker.picture = pictureEntry.text;
                    window.log(qsTr("Picture = %1").arg(pictureEntry.text));
                }
            }
        }

        Row {
            spacing: 6

            TextField {
                id: bagEntry

                width: 260
                placeholderText: qsTr("Properties file (.tbag)")
            }

            Button {
                text: qsTr("Save properties")
                onClicked: {
                    const failure = picker.saveProperties(bagEntry.text);
                    window.log(failure === "" ? qsTr("Saved to %1").arg(bagEntry.text) : qsTr("Save: %1").arg(failure));
                }
            }

            Button {
                text: qsTr("Restore properties")
                onClicked: {
                    const failure = picker.loadProperties(bagEntry.text);
                    window.log(failure === "" ? qsTr("Restored from %1").arg(bagEntry.text) : qsTr("Restore: %1").arg(failure));
                }
            }
        }

        ScrollView {
            width: parent.width
            height: parent.height - y - status.height - 6

            TextArea {
                id: logArea

                readOnly: true
            }
        }

        Label {
            id: status

            width: parent.width
            wrapMode: Text.WordWrap
            text: qsTr("Left-drag over the spectrum to pick; hold the right button there and move anywhere on the screen for the eyedropper.")
        }
    }
}
