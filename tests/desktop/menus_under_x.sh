#!/usr/bin/env bash
# The real program under a real X server (Xvfb) with a window manager (openbox), met
# as a user meets it: started in a scratch home folder (so its cache folder is a
# scratch one), its start-up question answered and its Quick Start window closed with
# the window's close box, then a mouse press on each menu title of the main window,
# which must open that menu, and File > Exit, which must end the program.
#   menus_under_x.sh PROGRAM OUTDIR
# OUTDIR receives a screenshot of each open menu (menu-file.png, ...) and a log.
# Exits 77 (skipped) when a tool it needs is missing.
set -euo pipefail

prog=$1
out=$2
mkdir -p "$out"
log="$out/menus_under_x.log"
: >"$log"

for tool in Xvfb openbox xdotool xwininfo xprop import compare; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (./test installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
xvfb_pid="" wm_pid="" prog_pid=""
cleanup() {
  # The program and the window manager go before the X server they are clients of.
  for pid in $prog_pid $wm_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" | tee -a "$log"
  [ -n "${DISPLAY:-}" ] && import -window root "$out/failure.png" 2>/dev/null || true
  exit 1
}

# Polls `cmd` every 0.1 s until it succeeds or `seconds` have passed.
wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 10))
  for ((i = 0; i < tries; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# A display number well away from the usual ones; a number whose lock or socket is
# left over from an earlier server is passed over.
for attempt in $(seq 1 20); do
  n=$((200 + RANDOM % 700))
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >>"$log" 2>&1 &
  xvfb_pid=$!
  if wait_for 10 test -S "/tmp/.X11-unix/X$n" && kill -0 "$xvfb_pid" 2>/dev/null; then
    break
  fi
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || fail "no X server could be started"
export DISPLAY=":$n"
echo "display $DISPLAY" >>"$log"

HOME="$work" openbox >>"$log" 2>&1 &
wm_pid=$!
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
wait_for 10 wm_ready || fail "openbox did not start"

home="$work/home"
mkdir -p "$home"
(cd "$home" && exec env -u XDG_CACHE_HOME -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u WINEPREFIX \
   HOME="$home" QT_QPA_PLATFORM=xcb "$prog") >>"$log" 2>&1 &
prog_pid=$!

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
shown() { [ -n "$(visible "$1")" ]; }
# The absolute position and size of a window's client area: X Y WIDTH HEIGHT.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
                           /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}

# Start-up: a second start asks "Update cache?:" (answered No); every start shows the
# Quick Start window, closed with the close box of its frame.
quick_start_or_question() { shown '^Quick Start$' || shown '^Update cache\?:$'; }
wait_for 30 quick_start_or_question || fail "neither the start-up question nor Quick Start came up"
if shown '^Update cache\?:$'; then
  xdotool windowactivate --sync "$(visible '^Update cache\?:$')" key n
  wait_for 30 shown '^Quick Start$' || fail "Quick Start did not come up after the question"
fi
read -r qx qy qw _ < <(geometry "$(visible '^Quick Start$')")
xdotool mousemove $((qx + qw - 12)) $((qy - 10)) click 1
quick_start_gone() { ! shown '^Quick Start$'; }
wait_for 10 quick_start_gone || fail "the close box did not close Quick Start"

main=$(visible '^Zorvane  -  Version - 1\.03$')
[ -n "$main" ] || fail "no main window"
read -r mx my mw mh < <(geometry "$main")
echo "main window at $mx,$my ${mw}x$mh" >>"$log"

# The area below the left end of the menu bar, where the menus drop down.
area="320x240+$mx+$((my + 20))"
snap() { import -window root -crop "$area" +repage "$1" 2>/dev/null; }
differs() {
  snap "$work/now.png"
  local n
  n=$(compare -metric AE "$work/before.png" "$work/now.png" null: 2>&1 | cut -d' ' -f1)
  [ "${n%.*}" -gt 500 ] 2>/dev/null
}
popups() { xdotool search --onlyvisible --class zorvane 2>/dev/null | wc -l; }

# The menu titles' places on the bar, relative to the window's client area.
for entry in File:20 Edit:56 View:97 Help:140; do
  name=${entry%%:*}
  x=${entry#*:}
  snap "$work/before.png"
  windows_before=$(popups)
  xdotool mousemove $((mx + x)) $((my + 9)) click 1
  if wait_for 5 differs && [ "$(popups)" -gt "$windows_before" ]; then
    lower=$(echo "$name" | tr 'A-Z' 'a-z')
    import -window root -crop "340x260+$mx+$my" +repage "$out/menu-$lower.png"
    echo "$name: opens" | tee -a "$log"
  else
    fail "a press on the $name title did not open its menu"
  fi
  xdotool key Escape
  closed() { ! differs; }
  wait_for 5 closed || fail "the $name menu did not close on Escape"
done

# File > Exit with the mouse: the last entry of the File menu.
windows_before=$(popups)
xdotool mousemove $((mx + 20)) $((my + 9)) click 1
file_open() { [ "$(popups)" -gt "$windows_before" ]; }
wait_for 5 file_open || fail "the File menu did not open for Exit"
menu=$(xdotool search --onlyvisible --class zorvane | grep -v -x "$main" | tail -n 1)
read -r fx fy fw fh < <(geometry "$menu")
xdotool mousemove $((fx + fw / 2)) $((fy + fh - 14)) click 1
ended() { ! kill -0 "$prog_pid" 2>/dev/null; }
wait_for 15 ended || fail "File > Exit did not end the program"
status=0
wait "$prog_pid" || status=$?
prog_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "File > Exit: the program ended" | tee -a "$log"
