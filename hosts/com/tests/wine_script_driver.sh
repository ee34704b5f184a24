#!/usr/bin/env bash
# Runs tintbox-script.exe under Wine as the scenario runner runs the Linux driver: the same
# arguments, standard output with Windows' CRLF line ends turned into LF.
set -o pipefail
"$TINTBOX_WINE" "$TINTBOX_SCRIPT_EXE" "$@" | tr -d '\r'
