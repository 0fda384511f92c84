# shellcheck shell=bash
# Helpers for driving the game on a private X server with real input: Xvfb
# with openbox as window manager, xdotool for XTEST input, xwininfo and
# xprop for what the server and the window manager know. Sourced by the
# end-to-end test and by tools/take-screenshots; the caller sets -u.

e2e_tools=(Xvfb openbox xdotool xwininfo xprop import)
# The X tools read and match window titles in the locale's encoding, and
# the titles here are Chinese.
export LC_ALL=C.UTF-8
e2e_pids=()           # what we started, ended in reverse order on exit
e2e_game_pid=""
e2e_game_exit=""
e2e_out_dir="${e2e_out_dir:-$PWD}"   # failure screenshots go here
e2e_move_delay="${e2e_move_delay:-0.02}"   # seconds between the moves of a drag
e2e_work_dir=""

# Prints the missing tools, if any.
e2e_missing_tools() {
  local tool absent=()
  for tool in "${e2e_tools[@]}"; do
    command -v "$tool" >/dev/null 2>&1 || absent+=("$tool")
  done
  [ ${#absent[@]} -eq 0 ] || echo "${absent[*]}"
}

e2e_cleanup() {
  local i pid
  for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do
    pid=${e2e_pids[i]}
    kill -0 "$pid" 2>/dev/null || continue
    kill "$pid" 2>/dev/null
    # A process that ignores the polite request gets the hard one.
    for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  e2e_pids=()
  [ -n "$e2e_work_dir" ] && rm -rf "$e2e_work_dir"
  e2e_work_dir=""
}

e2e_log() { echo "e2e: $*"; }

e2e_screenshot() {   # name
  [ -n "${DISPLAY:-}" ] || return 0
  local file="$e2e_out_dir/$1.png"
  if import -window root "$file" 2>/dev/null; then
    e2e_log "screenshot: $file"
  fi
}

# Ends the run: what was expected, what was seen, and a picture of the screen.
e2e_fail() {   # step expected seen
  echo "FAILED: $1" >&2
  echo "  expected: $2" >&2
  echo "  seen:     $3" >&2
  e2e_screenshot "e2e-failure-$(echo "$1" | tr -c 'A-Za-z0-9' '-' | sed 's/-*$//')"
  if [ -n "$e2e_work_dir" ] && [ -s "$e2e_work_dir/game.log" ]; then
    echo "  the game's output:" >&2
    sed 's/^/    /' "$e2e_work_dir/game.log" >&2
  fi
  exit 1
}

e2e_game_running() { [ -n "$e2e_game_pid" ] && kill -0 "$e2e_game_pid" 2>/dev/null; }

# Polls a command every 0.1 s until it succeeds; 1 after the timeout, or at
# once if the game has exited meanwhile (unless waiting for just that).
e2e_wait_until() {   # seconds command...
  local tenths=$(($1 * 10)); shift
  local i
  for ((i = 0; i < tenths; i++)); do
    "$@" && return 0
    if [ -n "$e2e_game_pid" ] && [ "$1" != e2e_game_gone ] && ! e2e_game_running; then
      "$@" && return 0
      return 1
    fi
    sleep 0.1
  done
  "$@"
}

# A private X server on a free display, with openbox managing its windows.
e2e_start_x() {   # width height
  e2e_work_dir=$(mktemp -d "${TMPDIR:-/tmp}/okandu-e2e.XXXXXX")
  local displayFile="$e2e_work_dir/display"
  : >"$displayFile"
  Xvfb -displayfd 3 -screen 0 "${1}x${2}x24" -nolisten tcp -noreset \
    3>"$displayFile" >"$e2e_work_dir/xvfb.log" 2>&1 &
  e2e_pids+=($!)
  e2e_wait_until 10 test -s "$displayFile" ||
    e2e_fail "start Xvfb" "a display number within 10 s" "none; $(tail -3 "$e2e_work_dir/xvfb.log")"
  DISPLAY=":$(head -1 "$displayFile")"
  export DISPLAY
  e2e_log "Xvfb on $DISPLAY, ${1} x ${2}"

  openbox --sm-disable >"$e2e_work_dir/openbox.log" 2>&1 &
  e2e_pids+=($!)
  e2e_wait_until 10 e2e_window_manager_running ||
    e2e_fail "start openbox" "a window manager on $DISPLAY within 10 s" "none; $(tail -3 "$e2e_work_dir/openbox.log")"
}

e2e_window_manager_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# The game as a user starts it, on this X server, without a sound device,
# in the desktop language e2e_game_lang (default C.UTF-8).
e2e_start_game() {   # executable
  env -u LC_ALL -u LANGUAGE -u LC_MESSAGES -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS \
    LANG="${e2e_game_lang:-C.UTF-8}" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy \
    "$1" >"$e2e_work_dir/game.log" 2>&1 &
  e2e_game_pid=$!
  e2e_pids+=("$e2e_game_pid")
}

e2e_game_gone() { ! e2e_game_running; }

# Waits for the game to end and sets e2e_game_exit to its exit code.
e2e_wait_for_game_exit() {   # seconds
  e2e_wait_until "$1" e2e_game_gone || return 1
  local code=0
  wait "$e2e_game_pid" || code=$?
  # shellcheck disable=SC2034  # read by the scripts that source this
  e2e_game_exit=$code
  e2e_game_pid=""
}

# The id of the mapped window whose title (_NET_WM_NAME, as the window
# manager shows it) is exactly so. Qt's hidden helper windows carry the
# program's name too; only a visible one counts.
e2e_window_titled() {   # title
  local id
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    if [ "$(e2e_title_of "$id")" = "$1" ]; then
      echo "$id"
      return
    fi
  done
}
e2e_window_shown() { [ -n "$(e2e_window_titled "$1")" ]; }
e2e_window_not_shown() { [ -z "$(e2e_window_titled "$1")" ]; }

e2e_title_of() { xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }

# "x y width height": the client area, x and y on the screen.
e2e_client_geometry() {   # window
  xwininfo -id "$1" 2>/dev/null | awk '
    /Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
    /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
    END { print x, y, w, h }'
}

# "left right top bottom": the window manager's frame around the client.
e2e_frame_extents() {   # window
  xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/^_NET_FRAME_EXTENTS(CARDINAL) = //p' | tr -d ,
}
e2e_has_frame() { [ -n "$(e2e_frame_extents "$1")" ]; }

# "minW minH maxW maxH" from WM_NORMAL_HINTS, empty where not given.
e2e_size_hints() {   # window
  xprop -id "$1" WM_NORMAL_HINTS 2>/dev/null | awk '
    /minimum size:/ { minw = $(NF - 2); minh = $NF } /maximum size:/ { maxw = $(NF - 2); maxh = $NF }
    END { print minw, minh, maxw, maxh }'
}

e2e_focused_window() { xdotool getwindowfocus 2>/dev/null; }
e2e_focus_is() { [ "$(e2e_focused_window)" = "$1" ]; }

# Real input through XTEST: absolute pointer moves, button and key events
# as the server's own devices make them, to whatever has the focus.
e2e_pointer_to() { xdotool mousemove --sync "$1" "$2"; }   # screen x y
e2e_drag() {   # screen x y pairs: press at the first, move through the rest, release at the last
  local commands=()
  commands+=(mousemove "$1" "$2" sleep 0.1 mousedown 1 sleep 0.1)
  shift 2
  while [ $# -ge 2 ]; do
    commands+=(mousemove "$1" "$2" sleep "$e2e_move_delay")
    shift 2
  done
  commands+=(sleep 0.1 mouseup 1)
  xdotool "${commands[@]}"
}
e2e_key() { xdotool key "$1"; }
