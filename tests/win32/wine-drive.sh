# Sourced by the whole-program tests of the Windows build: drives svxpatch.exe
# under Wine on the caller's X display as a user would, over simulator folders
# on a drive S: of the prefix (so the screen shows the same paths every run).
#
# The caller sets: exe (the program), and then calls start_tool from the
# folder that holds the patch file.

here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
wine_run="$here/../../cmake/wine-run"
layout="$here/../../tools/dialog_layout.py"
title='Skarvane X- Patch Preparation Tool'
key='HKLM\Software\Microsoft\Microsoft Games\Flight Simulator\10.0'

tmp=$(mktemp -d)
pid=""
drive=""
bound_keys=()
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  # The X server outlives the test; the next one finds its keys as they were.
  for k in "${bound_keys[@]}"; do xmodmap -e "keycode $k =" 2>/dev/null || true; done
  "$wine_run" reg delete "$key" /f /reg:32 >/dev/null 2>&1 || true
  [ -n "$drive" ] && rm -f "$drive"
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits up to 20 s for a visible window whose whole title is $1; prints its id.
wait_window() {
  local w
  for _ in $(seq 1 100); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.2
  done
  return 1
}

# Waits up to 10 s until no visible window has the whole title $1.
wait_gone() {
  for _ in $(seq 1 50); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}

# Clicks the centre of a control of window $1, a dialog: $2 names its template
# and $3 the control, as the templates do (IDD_MAIN IDOK). The control's place
# in dialog units is scaled to the window, whose client area it fills as no
# frame is drawn.
click_control() {
  local w=$1 at dx dy dw dh X Y WIDTH HEIGHT SCREEN WINDOW
  at=$("$layout" "$2" "$3") || fail "no control $3 in the template $2"
  read -r dx dy dw dh <<<"$at"
  eval "$(xdotool getwindowgeometry --shell "$w")"
  xdotool mousemove --sync $((X + dx * WIDTH / dw)) $((Y + dy * HEIGHT / dh)) click 1
}

# Keys reach a Wine window only once it has the X focus; a click on a blank
# spot of it gives that (xdotool's focus request alone is not enough).
press_key() {
  local w=$1 k=$2 X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$w")"
  xdotool mousemove --sync $((X + 4)) $((Y + 4)) click 1
  xdotool key "$k"
}

# Binds each letter of $1 outside ASCII to a spare key of its own, before the
# program starts. xdotool would otherwise bind such a letter for the moment of
# its key press and undo it right after; on a loaded machine Wine read the map
# after the undo and the letter was lost ("S:\Поёт \FSX" arrived for
# "S:\Полёт ü\FSX"). Bound for good, the letter is typed as any other. Both
# levels carry it, so that Shift never changes it. The keys are freed again
# when the test ends.
bind_letters() {
  local text=$1 c i code spare=() seen=" " LC_ALL=C.UTF-8
  mapfile -t spare < <(xmodmap -pke | awk 'NF == 3 && $2 > 8 { print $2 }')
  for ((i = 0; i < ${#text}; i++)); do
    c=${text:i:1}
    [[ $c == [[:ascii:]] || $seen == *" $c "* ]] && continue
    seen+="$c "
    [ "${#bound_keys[@]}" -lt "${#spare[@]}" ] || fail "no spare key left for $c"
    code=$(printf 'U%04X' "'$c")
    xmodmap -e "keycode ${spare[${#bound_keys[@]}]} = $code $code"
    bound_keys+=("${spare[${#bound_keys[@]}]}")
  done
}

# The window's pixels as they are on the screen (no window manager draws a frame).
shoot() {
  local w=$1 out=$2 X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$w")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip "$out"
}

# A simulator folder at $tmp/$1 with version 1.0.0 and one inactive scenery
# file, $2, for the pass to rename.
make_sim_folder() {
  local sim="$tmp/$1"
  mkdir -p "$sim/SCENERY/VODeVevuza/Scenery" "$sim/Quellmark/RoDeZez"
  : >"$sim/TERRAIN.CFG"
  printf '[Product]\r\nVersion=1.0.0\r\n' >"$sim/Quellmark/RoDeZez/PRODUCT.INI"
  printf 'inactive' >"$sim/SCENERY/VODeVevuza/Scenery/$2.XXX"
}

# Fails unless the pass renamed $2.XXX to $2.BGL in the simulator folder $1.
expect_renamed() {
  local scenery="$tmp/$1/SCENERY/VODeVevuza/Scenery"
  [ -f "$scenery/$2.BGL" ] || fail "scenery file $2 not renamed in $1"
  [ ! -e "$scenery/$2.XXX" ] || fail "inactive file $2 left behind in $1"
}

# Makes $tmp the prefix's drive S: and writes $1 as the simulator's folder
# into the registry's 32-bit view, where the simulator's installer writes.
# The value is passed on the command line, which Wine reads in the locale's
# character set: UTF-8 here, whatever the caller's locale.
register_folder() {
  local prefix="${WINEPREFIX:-${TMPDIR:-/tmp}/svx-wineprefix-$(id -u)}"
  "$wine_run" cmd /c exit >/dev/null 2>&1 || true  # creates the prefix if need be
  drive="$prefix/dosdevices/s:"
  [ -e "$drive" ] && [ ! -L "$drive" ] && { drive=""; fail "$prefix/dosdevices/s: is not ours"; }
  ln -sfn "$tmp" "$drive"
  LC_ALL=C.UTF-8 "$wine_run" reg add "$key" /v SetupPath /d "$1" /f /reg:32 >/dev/null
}

# Starts the program in the current folder; prints nothing, sets $pid.
start_tool() {
  "$wine_run" "$exe" &
  pid=$!
}

# Waits up to 20 s for the main window; prints its id. Fails at once, with
# its caption, on a message box shown instead (a folder not found, a version
# refused, a running simulator).
wait_main() {
  local w
  for _ in $(seq 1 100); do
    w=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    w=$(xdotool search --onlyvisible --name '^(Warning|Error|Notice|.* Tool Warning)$' \
      2>/dev/null | head -1 || true)
    [ -n "$w" ] && fail "message \"$(xdotool getwindowname "$w")\" at start-up, no main window"
    sleep 0.2
  done
  fail "no main window"
}

# Presses "Patch Preparation" in the main window $1 and waits up to 20 s for
# the success message; prints its id.
run_preparation() {
  click_control "$1" IDD_MAIN IDOK
  wait_window Success || fail "no success message"
}

# Ends the program through "Exit" and checks its exit status.
exit_tool() {
  press_key "$1" Escape
  local status=0
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  kill -0 "$pid" 2>/dev/null && fail "still running after Exit"
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "exit status $status"
}
