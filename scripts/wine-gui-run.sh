#!/usr/bin/env bash
# Runs a Windows program that makes real windows under Wine on its own
# virtual X display (Xvfb), in the GUI Wine prefix of scripts/gui-session.sh,
# and returns the program's exit status. Usage: scripts/wine-gui-run.sh PROGRAM [ARG...]
set -uo pipefail
. "$(dirname "$0")/gui-session.sh"
gui_start || exit 1
trap gui_stop EXIT
gui_wine_env
wine "$@"
