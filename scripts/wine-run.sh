#!/bin/sh
# Runs a Windows test program under Wine, headless, in the project's own
# Wine prefix (created on first use).
: "${WINEPREFIX:=${RELVO_WINEPREFIX:-$HOME/.wine-relvo}}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
exec wine "$@"
