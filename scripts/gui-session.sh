# Shell functions that drive a Windows GUI program under Wine on a virtual X
# display, headless, with real input only (xdotool). Source this file:
#
#   . scripts/gui-session.sh
#   gui_start                       Xvfb and the GUI Wine prefix; exports DISPLAY, WINEPREFIX
#   gui_run LOG PROGRAM [ARG...]    starts PROGRAM under Wine in the background
#                                   (stdout and stderr to LOG); GUI_PID is its id
#   w=$(gui_wait_window CAPTION [SECONDS])
#                                   the visible window titled CAPTION (UTF-8,
#                                   whole title); fails after SECONDS (20)
#   gui_wait_gone WINDOW [SECONDS]  until WINDOW has gone
#   gui_key WINDOW KEY...           presses keys in WINDOW (xdotool names:
#                                   Return, Escape, Tab, shift+Tab, Down, space)
#   gui_type WINDOW TEXT            types TEXT into the focused control of WINDOW
#   gui_shot FILE [WINDOW]          PNG of WINDOW (caption included) or the screen
#   gui_wait_exit [SECONDS]         waits for the program (60 s), returns its status
#   gui_stop                        ends what gui_start and gui_run started
#
# The prefix ($RELVO_GUI_PREFIX, default ~/.wine-relvo-gui) is made once and
# kept: Japanese dialog, message box and system fonts are mapped to IPAPGothic
# (fonts-ipafont-gothic), and Wine draws the captions itself, since no window
# manager runs ("Managed"="N"). It is not the prefix of the headless tests:
# a Wine server started without a display would refuse windows to a program
# started later with one. RELVO_GUI_SCREEN sets the screen (1024x768x24).
# One session at a time uses the prefix (the tests of several checkouts
# share it, and some change its registry and drives): gui_start waits for
# the lock file beside it, which is free again once the session's Wine
# server has ended.

: "${RELVO_GUI_PREFIX:=$HOME/.wine-relvo-gui}"
: "${RELVO_GUI_SCREEN:=1024x768x24}"
GUI_XVFB_PID=
GUI_LOCK_FD=
GUI_PID=

# Font names that Windows programs ask for and Wine has no glyphs of.
GUI_FONT_NAMES=("Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "MS UI Gothic" "MS Sans Serif" "ＭＳ Ｐゴシック"
                "MS PGothic" "ＭＳ ゴシック" "MS Gothic" "ＭＳ ＵＩ Gothic")
GUI_PREFIX_STAMP=relvo-gui-prefix-1

gui_wine_env() {
  export WINEPREFIX="$RELVO_GUI_PREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# Makes the prefix once: boots it and imports the settings as a registry
# file (UTF-16, so that the Japanese font names arrive whole).
gui_prepare_prefix() {
  gui_wine_env
  gui_link_wine_fonts
  [ -f "$WINEPREFIX/$GUI_PREFIX_STAMP" ] && return 0
  echo "gui-session: preparing the Wine prefix $WINEPREFIX" >&2
  wineboot -i >/dev/null 2>&1 || true
  local reg
  reg=$(mktemp --suffix=.reg)
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    local f
    for f in "${GUI_FONT_NAMES[@]}"; do printf '"%s"="IPAPGothic"\r\n' "$f"; done
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
  } | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$reg"
  wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
  rm -f "$reg"
  wineserver -w
  gui_link_wine_fonts
  touch "$WINEPREFIX/$GUI_PREFIX_STAMP"
}

# Wine draws the glyphs of caption buttons (a message box's close box) with
# its own Marlett (fonts-wine), which it finds in the prefix's Fonts folder.
gui_link_wine_fonts() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts own=/usr/share/wine/fonts/marlett.ttf
  if [ -f "$own" ] && [ -d "$fonts" ] && [ ! -e "$fonts/marlett.ttf" ]; then
    ln -s "$own" "$fonts/marlett.ttf"
  fi
  return 0
}

gui_start() {
  local fifo number
  # Every process started from here on holds the lock with this shell,
  # the prefix's Wine server too.
  exec {GUI_LOCK_FD}>>"$RELVO_GUI_PREFIX.lock"
  flock -w "${RELVO_GUI_LOCK_WAIT:-1800}" "$GUI_LOCK_FD" ||
    { echo "gui-session: the prefix $RELVO_GUI_PREFIX stayed in use" >&2; return 1; }
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # Xvfb picks a free display and writes its number when it is ready.
  Xvfb -displayfd 3 -screen 0 "$RELVO_GUI_SCREEN" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  GUI_XVFB_PID=$!
  read -r -t 20 number <"$fifo" || { rm -f "$fifo"; echo "gui-session: Xvfb did not start" >&2; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$number"
  gui_prepare_prefix
}

gui_run() {
  local log=$1
  shift
  gui_wine_env
  wine "$@" >"$log" 2>&1 &
  GUI_PID=$!
}

# The caption as an anchored regular expression for xdotool.
gui_caption_pattern() {
  printf '^%s$' "$(printf '%s' "$1" | sed 's/[][\\.^$*+?(){}|]/\\&/g')"
}

gui_wait_window() {
  local pattern deadline w
  pattern=$(gui_caption_pattern "$1")
  deadline=$((SECONDS + ${2:-20}))
  while ((SECONDS < deadline)); do
    w=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
    if [ -n "$w" ]; then
      echo "$w"
      return 0
    fi
    if [ -n "$GUI_PID" ] && ! kill -0 "$GUI_PID" 2>/dev/null; then
      echo "gui-session: the program ended before \"$1\" showed" >&2
      return 1
    fi
    sleep 0.2
  done
  echo "gui-session: no window \"$1\" after ${2:-20} s" >&2
  return 1
}

gui_wait_gone() {
  local deadline=$((SECONDS + ${2:-20}))
  while ((SECONDS < deadline)); do
    xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable' || return 0
    sleep 0.2
  done
  echo "gui-session: window $1 is still there" >&2
  return 1
}

gui_key() {
  local w=$1
  shift
  xdotool windowfocus --sync "$w" 2>/dev/null || xdotool windowfocus "$w"
  local k
  for k in "$@"; do
    xdotool key --clearmodifiers "$k"
    sleep 0.15
  done
}

gui_type() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  xdotool type --delay 40 --clearmodifiers -- "$2"
  sleep 0.2
}

gui_shot() {
  # Let the program finish painting what the last key changed.
  sleep 0.5
  import -silent -window "${2:-root}" "$1"
}

gui_wait_exit() {
  local deadline=$((SECONDS + ${1:-60}))
  while kill -0 "$GUI_PID" 2>/dev/null; do
    if ((SECONDS >= deadline)); then
      echo "gui-session: the program is still running after ${1:-60} s" >&2
      return 124
    fi
    sleep 0.2
  done
  local status=0
  wait "$GUI_PID" || status=$?
  GUI_PID=
  return "$status"
}

gui_stop() {
  if [ -n "$GUI_PID" ] && kill -0 "$GUI_PID" 2>/dev/null; then
    kill "$GUI_PID" 2>/dev/null
    wait "$GUI_PID" 2>/dev/null
  fi
  GUI_PID=
  # The prefix's Wine server ends with its last program; the next session
  # must not meet one that talks to this display.
  gui_wine_env
  timeout 30 wineserver -w 2>/dev/null || true
  if [ -n "$GUI_XVFB_PID" ]; then
    kill "$GUI_XVFB_PID" 2>/dev/null
    wait "$GUI_XVFB_PID" 2>/dev/null
  fi
  GUI_XVFB_PID=
  if [ -n "${GUI_LOCK_FD:-}" ]; then
    exec {GUI_LOCK_FD}>&-
    GUI_LOCK_FD=
  fi
}
