// The QML face of TintboxPicker: its properties, the changed signal, bindings between
// pickers, pictures, and its life.
import QtQuick
import QtTest
import Tintbox

Item {
    id: scene

    width: 640
    height: 480

    Component {
        id: pickerComponent

        TintboxPicker {}
    }

    Component {
        id: boundPairComponent

        Item {
            property alias first: first
            property alias second: second

            TintboxPicker {
                id: first

                rgb: second.rgb
            }

            TintboxPicker {
                id: second

                rgb: first.rgb
            }
        }
    }

    SignalSpy {
        id: changedSpy

        signalName: "changed"
    }

    SignalSpy {
        id: errorSpy

        signalName: "errorRaised"
    }

    TestCase {
        id: testCase

        function makePicker() {
            const picker = createTemporaryObject(pickerComponent, scene);
            verify(picker !== null);
            changedSpy.target = picker;
            changedSpy.clear();
            errorSpy.target = picker;
            errorSpy.clear();
            return picker;
        }

        // The resident set size of this process in bytes.
        function residentBytes() {
            const request = new XMLHttpRequest();
            request.open("GET", "file:///proc/self/statm", false);
            request.send();
            return parseInt(request.responseText.split(" ")[1], 10) * 4096;
        }

        function test_aWriteShowsInEveryColourProperty_data() {
            return [
                {tag: "rgb", write: p => p.rgb = 0x123456, rgb: 0x123456, red: 0x56, green: 0x34, blue: 0x12},
                {tag: "rgb beyond white", write: p => p.rgb = 20000000, rgb: 0xFFFFFF, red: 255, green: 255, blue: 255},
                {tag: "red", write: p => p.red = 200, rgb: 200, red: 200, green: 0, blue: 0},
                {tag: "green", write: p => p.green = 17, rgb: 17 << 8, red: 0, green: 17, blue: 0},
                {tag: "blue beyond 255", write: p => p.blue = 300, rgb: 255 << 16, red: 0, green: 0, blue: 255},
                {tag: "setRGB", write: p => p.setRGB(0x0000FF), rgb: 0xFF, red: 255, green: 0, blue: 0}
            ];
        }

        function test_aWriteShowsInEveryColourProperty(row) {
            const picker = makePicker();
            picker.rgb = 0;
            changedSpy.clear();
            row.write(picker);
            verify(changedSpy.count > 0);
            compare(picker.rgb, row.rgb);
            compare(picker.getRGB(), row.rgb);
            compare([picker.red, picker.green, picker.blue], [row.red, row.green, row.blue]);
            compare(picker.changeDoor, "host");
        }

        function test_writingTheHeldValueChangesNothing() {
            const picker = makePicker();
            picker.rgb = 0x3C8DDC;
            changedSpy.clear();
            picker.rgb = 0x3C8DDC;
            picker.red = picker.red;
            picker.green = picker.green;
            picker.blue = picker.blue;
            compare(changedSpy.count, 0);
        }

        function test_pickersBoundToEachOtherSettle() {
            failOnWarning(/Binding loop/);
            const pair = createTemporaryObject(boundPairComponent, scene);
            pair.second.setRGB(0x00FF00);
            compare(pair.first.rgb, 0x00FF00);
            pair.first.blue = 9;
            compare(pair.second.rgb, 0x09FF00);
        }

        function test_colourMethods() {
            const picker = makePicker();
            compare(picker.dec("#ff-12"), {value: 0xFF12, number: "FF12"});
            compare(picker.dec("123456789"), {value: 0, number: "123456789"});
            compare(picker.sepRGB(0x123456), {red: 0x56, green: 0x34, blue: 0x12});
        }

        function test_pictureFromAnImageOrAUrl() {
            const picker = makePicker();
            let grabbed = null;
            verify(picker.grabToImage(result => grabbed = result.image));
            tryVerify(() => grabbed !== null);
            picker.picture = grabbed;
            verify(picker.picture !== undefined && picker.picture !== null);
            compare(errorSpy.count, 0);
            picker.picture = "no such picture.png";
            compare(errorSpy.count, 1);
            compare(picker.picture, grabbed);  // the refused picture left the old one
            picker.picture = "";
            compare(picker.picture, undefined);
        }

        function test_propertiesSavedAndRestored() {
            const picker = makePicker();
            let grabbed = null;
            verify(picker.grabToImage(result => grabbed = result.image));
            tryVerify(() => grabbed !== null);
            picker.picture = grabbed;
            picker.controlEnabled = false;
            const bag = "file:///tmp/tintbox_quick_test.tbag";
            compare(picker.saveProperties(bag), "");
            picker.picture = "";
            picker.controlEnabled = true;
            compare(picker.loadProperties(bag), "");
            compare(picker.controlEnabled, false);
            verify(picker.picture !== undefined);
            verify(picker.loadProperties("file:///no/such/folder/bag.tbag") !== "");
            compare(picker.controlEnabled, false);
        }

        function test_controlEnabledSwitchesInput() {
            const picker = makePicker();
            picker.forceActiveFocus(Qt.TabFocusReason);  // the first tab stop: hsRed
            picker.controlEnabled = false;
            compare(picker.controlEnabled, false);
            keyClick(Qt.Key_Right);
            compare(changedSpy.count, 0);
            picker.controlEnabled = true;
            compare(picker.controlEnabled, true);
            keyClick(Qt.Key_Right);
            verify(changedSpy.count > 0);
            compare(picker.changeDoor, "hsRed");
        }

        function test_createdAndDestroyedManyTimesWithoutGrowth() {
            const cycle = count => {
                for (let i = 0; i < count; ++i) {
                    const picker = pickerComponent.createObject(scene);
                    picker.rgb = i;
                    picker.destroy();
                    wait(0);
                }
                gc();
                wait(0);
            };
            cycle(40);
            const before = residentBytes();
            cycle(200);
            const grown = residentBytes() - before;
            verify(grown < 8 * 1024 * 1024, "grew by " + grown + " bytes over 200 pickers");
        }

        name: "TintboxPicker"
        when: windowShown
    }
}
