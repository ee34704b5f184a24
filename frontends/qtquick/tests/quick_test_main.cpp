// Runs the Qt Quick Test cases of this folder (tst_*.qml) against the module Tintbox.
#include <QtQuickTest>

QUICK_TEST_MAIN(tintbox_quick)
