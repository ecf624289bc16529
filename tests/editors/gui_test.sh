#!/usr/bin/env bash
# Debian's Kdenlive or Shotcut with the MLT filter meridel, driven as a user
# drives it: under Xvfb, with a throw-away home, on a D-Bus session of its
# own, with the JOSM stand-in on 127.0.0.1:8111 (run it in a private network
# namespace). It shows that
#   - the filter is in the editor's list (and, in Kdenlive, how the frei0r
#     filter is named beside it);
#   - applied to a clip with a GPX file typed into its panel, the monitor
#     shows the core's caption for the frame shown (read with tesseract);
#   - with "JOSM follows" on, playing sends one zoom request per second shown,
#     the core's for those moments, in order;
#   - the panel's add-node control sends one add_node, for the frame shown;
#   - the project the editor saves renders with melt to the right captions.
# Widgets are found on the accessibility bus (widgets.py) and, inside
# Kdenlive's effect stack, which shows no widgets there, by reading their
# labels off a screenshot (screen.py).
#
#   gui_test.sh kdenlive|shotcut REPO BUILD CHECKER WORK [OUT]
#
# BUILD is the native build tree (its mlt/ folders, src/frei0r/meridel.so),
# CHECKER meridel_editor_check; the screenshots go to OUT (default WORK/out).
# Exits 77 when something it needs is missing.
set -euo pipefail
mode=$1 repo=$(realpath "$2") build=$(realpath "$3") checker=$(realpath "$4") work=$5 out=${6:-$5/out}
here=$repo/tests/editors
skip() { echo "SKIPPED: $*"; exit 77; }

case $mode in
  kdenlive) app=kdenlive editor=/usr/bin/kdenlive ;;
  shotcut) app=Shotcut editor=/usr/bin/shotcut ;;
  *) echo "usage: $0 kdenlive|shotcut REPO BUILD CHECKER WORK [OUT]" >&2; exit 2 ;;
esac
for tool in Xvfb xdotool import convert tesseract dbus-run-session melt ffmpeg "$editor"; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed (scripts/setup.sh installs it)"
[ -e "$build/mlt/modules/libmltmeridel.so" ] || skip "no MLT filter built in $build"

fps=25
background=203040  # the clip's picture: one colour, the caption the only white on it
creation=2015-06-01T10:20:40Z
font_size=110
josm=$work/josm.jsonl
expected() {  # SECOND COLUMN: the caption's 2 lines (2, 3), the zoom (4) or add_node request (5)
  awk -F'\t' -v s="$1" -v c="$2" '$1 == s { print $c }' "$work/expected.tsv"
}
cleanup() {
  if [ -n "${editor_pid:-}" ]; then kill -9 "$editor_pid" 2>/dev/null || true; fi
  if [ -s "$josm.pid" ]; then "$repo/tools/josm-standin-ctl.sh" stop "$josm.pid" >/dev/null 2>&1 || true; fi
  if [ -n "${xvfb:-}" ]; then kill "$xvfb" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  # The session's folders go with the outer script, which made them.
  if [ -z "${MERIDEL_GUI_SESSION:-}" ] && [ -n "${sockets:-}" ]; then rm -rf "$sockets"; fi
}

# Everything before the editor's session: run once, outside it.
prepare() {
rm -rf "$work" "$out"
mkdir -p "$work"/{home,media,projects} "$out"
# The runtime and temporary folders hold the session's sockets, whose paths
# must fit in 108 bytes: under /tmp, not under a build tree of any depth.
sockets=$(mktemp -d /tmp/meridel-gui.XXXXXX)
mkdir -p "$sockets/tmp"
cd "$work"

# --- the clip, its track, and what the core says of every second of it
python3 "$repo/tools/make_gpx.py" --points 600 --start 2015-06-01T10:20:30 --output media/ride.gpx
# A plain dark picture: the caption is the only white on it.
ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i "color=c=0x$background:s=1920x1080:r=$fps:d=10" \
  -c:v libx264 -preset ultrafast -pix_fmt yuv420p -metadata creation_time=$creation media/ride.mp4
"$checker" moments media/ride.gpx $creation 0 9 >expected.tsv

# --- the display, JOSM's stand-in, the editor's session
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp >xvfb.log 2>&1 &
xvfb=$!
exec 3>&-
trap cleanup EXIT
for _ in $(seq 100); do [ -s display ] && break; sleep 0.1; done
[ -s display ] || { cat xvfb.log; skip "Xvfb did not start"; }
export DISPLAY=:$(cat display)
"$repo/tools/josm-standin-ctl.sh" start 8111 "$josm" ok >/dev/null

# The editor finds the filter in the build tree: MLT's folders replaced by
# the build's (links to the system's modules beside ours); Kdenlive's effect
# description through XDG_DATA_DIRS; Shotcut's panel in the qml/ folder
# beside a copy of its binary, a tree of links to its own plus ours.
export MLT_REPOSITORY=$build/mlt/modules MLT_DATA=$build/mlt/data
export FREI0R_PATH=$build/src/frei0r:/usr/lib/frei0r-1
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$sockets TMPDIR=$sockets/tmp
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 LC_ALL=C.UTF-8
if [ "$mode" = kdenlive ]; then
  mkdir -p xdg/kdenlive/effects
  ln -s "$repo/packaging/kdenlive/meridel.xml" xdg/kdenlive/effects/
  export XDG_DATA_DIRS=$work/xdg:/usr/local/share:/usr/share
else
  mkdir -p shotcut/bin shotcut/share/shotcut/qml/filters
  cp "$editor" shotcut/bin/
  editor=$work/shotcut/bin/shotcut
  for entry in /usr/share/shotcut/*; do [ "${entry##*/}" = qml ] || ln -s "$entry" shotcut/share/shotcut/; done
  for entry in /usr/share/shotcut/qml/*; do [ "${entry##*/}" = filters ] || ln -s "$entry" shotcut/share/shotcut/qml/; done
  ln -s /usr/share/shotcut/qml/filters/* shotcut/share/shotcut/qml/filters/
  ln -s "$repo/packaging/shotcut/meridel" shotcut/share/shotcut/qml/filters/
fi
export MERIDEL_GUI_EDITOR=$editor
}

# --- driving the GUI
fail() {
  echo "FAIL: $*" >&2
  import -window root "$out/failure.png" 2>/dev/null || true
  /usr/bin/python3 "$here/widgets.py" dump "$app" >"$out/failure-widgets.txt" 2>&1 || true
  exit 1
}
# Dialogs that an editor's first start shows over its window, at a time of
# its own, by a label of each; closed with their Close button. (Kdenlive
# 24.12 shows "Configure your OpenTimelineIO setup" once for each check.)
first_run_labels=('Configure your OpenTimelineIO setup')
close_first_run_dialogs() {
  local label close
  for label in "${first_run_labels[@]}"; do
    for _ in 1 2 3 4 5; do
      close=$(/usr/bin/python3 "$here/widgets.py" find "$app" 'push button' Close --after "label:$label" \
        --timeout 0 2>/dev/null) || break
      click "$close"
      echo "closed a dialog of $mode's first start: $label" >&2
    done
  done
}
widget() {  # ROLE NAME [widgets.py options] [--timeout S]: "X Y W H", or the test fails
  # A fresh look each time: one process sees no window opened after its start.
  local deadline=$((SECONDS + 20)) found
  [ "${*: -2:1}" = --timeout ] && deadline=$((SECONDS + ${*: -1})) && set -- "${@:1:$#-2}"
  while :; do
    found=$(/usr/bin/python3 "$here/widgets.py" find "$app" "$@" --timeout 0 2>/dev/null) && break
    [ "$SECONDS" -lt "$deadline" ] || fail "no $1 '$2' on the screen ($*)"
    close_first_run_dialogs  # what a dialog covers cannot be found
    sleep 0.3
  done
  echo "$found"
}
# Waits for the editor on the accessibility bus. A client's first look
# starts that bus, and an editor that was not yet up to see it start is
# never listed there (in a network namespace of its own, as here): the first
# look waits for the editor's first window. And a process that looked before
# the editor came sees no later application: each look is a fresh one.
wait_for_editor() {
  for _ in $(seq 300); do
    xdotool search --name . >/dev/null 2>&1 && break
    sleep 0.2
  done
  for _ in $(seq 60); do
    /usr/bin/python3 "$here/widgets.py" find "$app" "$@" --timeout 0 >/dev/null 2>&1 && return 0
    kill -0 "$editor_pid" 2>/dev/null || fail "$mode ended: $(tail -5 "$out/$mode.log")"
    sleep 1
  done
  fail "$mode did not show its window in 60 s"
}
centre() { read -r x y w h <<<"$1"; echo $((x + w / 2)) $((y + h / 2)); }
click() {  # "X Y W H" [BUTTON [REPEAT]]
  # shellcheck disable=SC2046
  xdotool mousemove $(centre "$1") click --repeat "${3:-1}" "${2:-1}"
  sleep 0.3
}
# Keys typed into a loaded editor are now and then lost: what the field holds
# is checked before what it caused is read, and typed again if it differs.
type_into() {  # TEXT ROLE NAME [widgets.py options]
  local want=$1 held attempt
  shift
  for attempt in 1 2 3; do
    click "$(widget "$@")"
    xdotool key ctrl+a
    xdotool type --delay 20 "$want"
    local status=0
    held=$(/usr/bin/python3 "$here/widgets.py" text "$app" "$@" --timeout 5 2>/dev/null) || status=$?
    [ "$status" -eq 3 ] && return 0  # the field does not tell
    [ "$held" = "$want" ] && return 0
    echo "the $1 field held '$held', not '$want' (attempt $attempt): typed again"
    close_first_run_dialogs
  done
  fail "the $1 field never held '$want' ($*)"
}
shot() { import -window root "$out/$1.png"; }
# A fresh screenshot NAME: "X Y W H" of PHRASE on it, or status 1.
on_screen() {  # NAME PHRASE
  shot "$1"
  /usr/bin/python3 "$here/screen.py" find "$out/$1.png" 0 0 1600 1000 "$2" 2>/dev/null
}
# The text at PHRASE in a part of the last screenshot NAME: "X Y W H".
text_at() { /usr/bin/python3 "$here/screen.py" find "$out/$1.png" $2 "$3" || fail "no '$3' in $1.png"; }
# Kdenlive's check boxes stand right of their labels, apart: LABEL's box.
tick() {  # SCREENSHOT "X Y W H" LABEL
  local lx ly lw lh box
  read -r lx ly lw lh <<<"$(text_at "$1" "$2" "$3")"
  read -r rx _ rw _ <<<"$2"
  box=$(/usr/bin/python3 "$here/screen.py" box "$out/$1.png" $((lx + lw + 4)) $((ly + lh / 2)) \
    $((rx + rw - lx - lw - 4))) || fail "no check box right of '$3' in $1.png"
  click "$box"
}
requests() { [ -s "$josm" ] && python3 -c 'import json, sys
for line in open(sys.argv[1]): print(json.loads(line)["path"].lstrip("/"))' "$josm" || true; }
requests_since() { requests | tail -n +"$(($1 + 1))"; }
count_requests() { requests | wc -l; }
wait_requests() {  # COUNT: waits up to 5 s for the log to hold COUNT requests
  for _ in $(seq 50); do [ "$(count_requests)" -ge "$1" ] && return 0; sleep 0.1; done
}
# The caption the monitor shows in the screenshot NAME, read in the upper part
# of MONITOR ("X Y W H") enlarged SCALE times.
monitor_caption() {  # MONITOR NAME SCALE
  read -r x y w h <<<"$1"
  /usr/bin/python3 "$here/screen.py" caption "$out/$2.png" "$x" "$y" "$w" $((h / 2)) "$3" | paste -sd'\t'
}
# The second of the frame at the player's position, read from its position
# field (POSITION: widgets.py options) once playback has stopped: while it
# plays the field reads stale, and after it stops the monitor may still show
# a frame rendered ahead (Kdenlive's, up to two seconds on).
position_second() {  # POSITION-OPTION...
  local frame
  frame=$(/usr/bin/python3 "$here/widgets.py" frame "$app" "$@" --fps "$fps") || fail "no position field to read"
  echo $((frame / fps))
}
check_caption() {  # MONITOR SCREENSHOT FRAME
  local second=$(($3 / fps)) seen wanted
  wanted="$(expected $second 2)	$(expected $second 3)"
  # tesseract misreads a glyph or two at some sizes and not at others, so
  # each screenshot is read at several.
  for _ in 1 2 3 4 5; do
    shot "$2"
    for scale in 3 2 4; do
      seen=$(monitor_caption "$1" "$2" "$scale")
      [ "$seen" = "$wanted" ] && break 2
    done
    sleep 0.5
  done
  [ "$seen" = "$wanted" ] || fail "the monitor at frame $3 shows '$seen', not the core's caption '$wanted'"
  echo "OK: the monitor at frame $3 shows the core's caption: $wanted"
}
# Playing: one zoom request per second, the core's, in order, from the
# second after FIRST_SECOND on. Editors render ahead of what their monitor
# shows (by up to READ_AHEAD seconds), and render the frame at their position
# again when they stop: after the run of seconds there may be one more
# request, for that frame: a second within READ_AHEAD of the position's
# (Shotcut now and then renders one of the second before; a loaded
# Kdenlive's position field ran two seconds ahead of the frame it rendered
# again, and once a second behind it).
read_ahead=2
check_playing() {  # REQUESTS_BEFORE FIRST_SECOND POSITION_SECOND
  local stop=$3 received run wanted last n back=
  received=$(requests_since "$1")
  n=$(grep -c . <<<"$received" || true)
  run=$received last=$(($2 + n))
  for second in $(seq $((stop + read_ahead)) -1 $((stop - read_ahead))); do
    if [ "$n" -ge 2 ] && [ "$(tail -n1 <<<"$received")" = "$(expected "$second" 4)" ] &&
      [ $((last - 1)) -gt "$second" ]; then
      back=$second last=$((last - 1)) run=$(head -n -1 <<<"$received")
      break
    fi
  done
  wanted=$(for s in $(seq $(($2 + 1)) "$last"); do expected "$s" 4; done)
  [ "$run" = "$wanted" ] || fail "playing from second $2 to second $stop sent (right) not the core's requests (left):
$(diff <(echo "$wanted") <(echo "$run") || true)"
  [ "$last" -ge $((stop - 1)) ] && [ "$last" -le $((stop + read_ahead)) ] && [ "$stop" -ge $(($2 + 2)) ] ||
    fail "playing from second $2 to second $stop sent requests up to second $last"
  echo "OK: playing from second $2, stopped in second $stop: one zoom request for each of seconds" \
    "$(($2 + 1)) to $last, the core's${back:+, then one for second $back as it stopped}"
  rendered_last=${back:-$last}
}
# Plays for SECONDS from where the player is, then stops it. PLAY toggles
# playback. (The editors play in real time, dropping frames when late.)
play_for() {  # SECONDS "PLAY-BOX"
  click "$2"
  sleep "$1"
  click "$2"
  sleep 1
}
# The add-node control: one add_node, for the frame the editor renders
# next, that of its position: of the position's second, of the one before,
# or of the frame it rendered last as it stopped (see check_playing; a
# loaded Kdenlive's position field read 6 while it rendered second 7).
check_add_node() {  # REQUESTS_BEFORE POSITION_SECOND
  local received second
  wait_requests $(($1 + 1))
  sleep 1  # and no second one
  received=$(requests_since "$1")
  for second in "$2" $(($2 - 1)) ${rendered_last:+"$rendered_last"}; do
    if [ "$received" = "$(expected "$second" 5)" ]; then
      echo "OK: the add-node control sent one add_node, the core's for second $second: $received"
      return 0
    fi
  done
  fail "the add-node control sent '$received', not the core's for second $2 ('$(expected "$2" 5)')," \
    "the one before, or second ${rendered_last:-?}, rendered last"
}
# The saved project rendered by melt: frames FRAME... show the core's captions.
check_render() {  # PROJECT FRAME...
  local project=$1 frame seen wanted
  shift
  for frame in "$@"; do
    timeout -s KILL 120 melt "$project" in="$frame" out="$frame" \
      -consumer "avformat:$out/render-$frame.png" vcodec=png </dev/null >melt.log 2>&1 ||
      { tail -20 melt.log; fail "melt did not render $project"; }
    seen=$(/usr/bin/python3 "$here/screen.py" caption "$out/render-$frame.png" 0 0 1920 320 1 | paste -sd'\t')
    wanted="$(expected $((frame / fps)) 2)	$(expected $((frame / fps)) 3)"
    [ "$seen" = "$wanted" ] || fail "melt rendered frame $frame of the saved project with '$seen', not '$wanted'"
    echo "OK: melt renders frame $frame of the project $mode saved with the core's caption: $wanted"
  done
}
# The editor's main window, filling the screen: no window manager places it.
fill_screen() {  # TEXT: a part of its title
  local window= id
  for _ in $(seq 150); do
    # xdotool's own --name misses titles with characters beyond ASCII.
    for id in $(xdotool search --name . 2>/dev/null); do
      [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == *"$1"* ]] && window=$id && break
    done
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || fail "no window with '$1' in its title"
  xdotool windowsize --sync "$window" 1600 1000
  sleep 1
}
save_project() {  # PATH: Ctrl+S, the path typed into the editor's file dialog
  xdotool key ctrl+s
  widget 'push button' '&?Save' --within "$1" >/dev/null
  sleep 0.5
  xdotool type --delay 5 "$2"
  xdotool key Return
  for _ in $(seq 50); do [ -s "$2" ] && break; sleep 0.2; done
  [ -s "$2" ] || fail "$mode did not save $2"
  sleep 1
  echo "OK: $mode saved $2"
}

kdenlive_test() {
  wait_for_editor 'menu item' File --within 'menu bar:' 
  fill_screen ' fps '
  close_first_run_dialogs
  # The effect list's dock, unnamed in Kdenlive 22.12, and its entries,
  # labels there, table cells in 24.12.
  local effect_list='frame:(Offscreen|Effects)' effect='label|table cell'

  # The clip onto the timeline, then selected there.
  click "$(widget 'table cell' ride.mp4)"
  xdotool key v
  read -r _ track_y _ _ <<<"$(widget label V1)"
  read -r ruler_x _ _ _ <<<"$(widget label 00:00:00:00)"
  xdotool mousemove $((ruler_x + 40)) $((track_y + 30)) click 1
  sleep 0.5

  # The effect list, searched: its tab clicked until the list shows (a
  # dialog of the first start takes the clicks while it is open).
  for _ in 1 2 3 4 5; do
    close_first_run_dialogs
    click "$(widget 'page tab' Effects)"
    /usr/bin/python3 "$here/widgets.py" find "$app" text '' --within "$effect_list" --timeout 2 >/dev/null 2>&1 && break
  done
  type_into meridel text '' --within "$effect_list"
  sleep 1
  shot kdenlive-effect-list
  local entry other
  entry=$(widget "$effect" 'Meridel GPS caption' --within "$effect_list")
  # The frei0r filter (FREI0R_PATH has this tree's) under a name of its own.
  widget "$effect" 'Meridel for ffmpeg \(frei0r\)' --within "$effect_list" >/dev/null
  other=$(/usr/bin/python3 "$here/widgets.py" find "$app" "$effect" '(?i).*meridel(?! GPS caption$| for ffmpeg).*' \
    --within "$effect_list" --timeout 0 2>/dev/null || true)
  [ -z "$other" ] || fail "Kdenlive lists another Meridel effect at $other"
  echo "OK: Kdenlive's effect list has 'Meridel GPS caption', and the frei0r filter as 'Meridel for ffmpeg (frei0r)'"
  # Double-clicked, it goes onto the selected clip.
  click "$entry" 1 2
  # Its panel: the stack's table cell in Kdenlive 22.12; in 24.12 (whose
  # list entries are table cells) the stack's dock, as its panel shows no
  # widgets to the accessibility bus.
  local stack
  if /usr/bin/python3 "$here/widgets.py" find "$app" 'table cell' 'Meridel GPS caption' --within "$effect_list" \
    --timeout 0 >/dev/null 2>&1; then
    sleep 1
    stack=$(widget frame 'Effect/Composition Stack')
  else
    stack=$(widget 'table cell' 'Meridel GPS caption' --timeout 10)
  fi
  read -r sx sy sw sh <<<"$stack"
  local region="$sx $sy $sw $sh"
  shot kdenlive-panel-empty
  read -r _ gy _ gh <<<"$(text_at kdenlive-panel-empty "$region" 'GPX file')"
  xdotool mousemove $((sx + sw - 110)) $((gy + gh / 2)) click 1
  xdotool type --delay 5 "$work/media/ride.gpx"
  xdotool key Return
  # A text field under its label (22.12), or right of it (24.12).
  local fx fy fw fh
  read -r fx fy fw fh <<<"$(text_at kdenlive-panel-empty "$region" 'Font size')"
  if [ $((fx + fw / 2)) -lt $((sx + sw / 3)) ]; then
    xdotool mousemove $((sx + sw * 2 / 3)) $((fy + fh / 2)) click 1
  else
    xdotool mousemove $((sx + sw / 2)) $((fy + fh / 2 + 22)) click 1
  fi
  xdotool type "$font_size"
  xdotool key Return
  sleep 0.5

  # To frame 62 through the project monitor's timecode.
  local tab monitor position
  read -r tx ty _ _ <<<"$(widget 'page tab' 'Project Monitor')"
  position=$(widget 'spin button' '' --region "$tx,0,$((1600 - tx)),$ty")
  # Below the menu bar: 24.12 puts its monitor right under it.
  monitor="$tx 26 $((1600 - tx)) $((ty - 76))"
  click "$position"
  xdotool key ctrl+a
  xdotool type 00:00:02:12
  xdotool key Return
  sleep 1
  check_caption "$monitor" kdenlive-monitor 62
  shot kdenlive-panel

  # JOSM: the effect stack scrolled to its end for the check boxes.
  xdotool mousemove $((sx + sw / 2)) $((sy + 100)) click --repeat 15 5
  sleep 0.5
  shot kdenlive-panel-josm
  local before
  before=$(count_requests)
  tick kdenlive-panel-josm "$region" 'JOSM follows the video' 
  wait_requests $((before + 1))
  [ "$(requests_since "$before")" = "$(expected 2 4)" ] ||
    fail "JOSM sync switched on at frame 62 sent '$(requests_since "$before")', not '$(expected 2 4)'"
  echo "OK: JOSM sync switched on sends the zoom for the frame shown"

  # Playing, from frame 62, with a click on the monitor.
  before=$(count_requests)
  play_for 4 "$monitor"
  local stopped
  shot kdenlive-played
  stopped=$(position_second 'spin button' '' --region "$tx,0,$((1600 - tx)),$ty")
  check_playing "$before" 2 "$stopped"

  before=$(count_requests)
  tick kdenlive-panel-josm "$region" 'Add a node in JOSM' 
  check_add_node "$before" "$stopped"

  save_project 'dialog:Save As.*' "$work/projects/ride.kdenlive"
  kill -9 "$editor_pid"
  # Kdenlive's projects play their whole tracks unless told their extent.
  check_render "$work/projects/ride.kdenlive" 62 160
}

shotcut_test() {
  wait_for_editor 'push button' Filters --within 'tool bar:(Toolbar)?' 
  grep -q 'added filter "Meridel GPS caption"' "$out/$mode.log" || fail "Shotcut did not load the panel"
  echo "OK: Shotcut logs: $(grep -o 'added filter "Meridel GPS caption"' "$out/$mode.log")"
  fill_screen ' - Shotcut'
  # It plays the clip it opened; paused, the clip goes onto the timeline.
  local play
  # Shotcut 25.03 splits 22.12's transport bar into its buttons and its times.
  local buttons='tool bar:(Transport|Player) Controls' times='tool bar:(Transport Controls|Current/Total Times)'
  play=$(widget 'push button' Play/Pause --within "$buttons")
  read -r px py _ _ <<<"$play"
  xdotool mousemove $((px - 200)) $((py - 200)) click 1
  xdotool key a
  sleep 1
  click "$(widget 'push button' Filters --within 'tool bar:(Toolbar)?')"
  click "$(widget 'push button' '' --after 'label:ride.mp4')"
  type_into meridel text '' --after 'label:ride.mp4'
  sleep 1
  shot shotcut-filter-list
  local list
  list=$(widget panel '' --after 'check box:Time')
  read -r lx ly lw lh <<<"$list"
  text_at shotcut-filter-list "$lx $ly $lw 60" 'Meridel GPS caption' >/dev/null
  echo "OK: Shotcut's filter list, searched, has 'Meridel GPS caption'"
  xdotool mousemove $((lx + 120)) $((ly + 15)) click 1

  widget text '' --after 'label:GPX file' --timeout 10 >/dev/null
  # Its file dialog, Qt 5's or Qt 6's (no window of its own, which takes
  # Escape only once clicked), opens with the panel's filter; Escape closes it.
  click "$(widget 'push button' 'Open\.\.\.' --after 'label:GPX file')"
  local filter=
  for _ in $(seq 10); do
    sleep 1
    filter=$(on_screen shotcut-gpx-dialog 'GPX tracks') && break
  done
  [ -n "$filter" ] || fail "the panel's Open... showed no file dialog for 'GPX tracks' (shotcut-gpx-dialog.png)"
  # Above the filter: the file name's field (Qt 5) or the list of files.
  local fx fy
  read -r fx fy _ _ <<<"$filter"
  xdotool mousemove "$fx" $((fy - 40)) click 1 key Escape
  for _ in $(seq 10); do
    sleep 0.5
    on_screen shotcut-gpx-dialog-closed 'GPX tracks' >/dev/null || { filter=; break; }
  done
  [ -z "$filter" ] || fail "the GPX file dialog did not close on Escape (shotcut-gpx-dialog-closed.png)"
  echo "OK: the panel's Open... shows a file dialog for 'GPX tracks', and Escape closes it"
  type_into "$work/media/ride.gpx" text '' --after 'label:GPX file'
  xdotool key Return
  click "$(widget 'spin button' '' --after 'label:Font')"
  xdotool key ctrl+a
  xdotool type "$font_size"
  xdotool key Return
  sleep 0.5

  local position monitor
  position=$(widget 'spin button' '' --within "$times")
  read -r mx my mw mh <<<"$(widget 'frame' 'Offscreen' --index 0)"
  monitor="$mx $my $mw $mh"
  click "$position"
  xdotool key ctrl+a
  xdotool type 00:00:02:12
  xdotool key Return
  sleep 1
  # Shotcut 25.03's OpenGL monitor stays empty under Xvfb (llvmpipe): with
  # no picture of the clip there, no caption can be read, nor what follows.
  local share pictured=
  for _ in $(seq 10); do
    shot shotcut-monitor
    share=$(convert "$out/shotcut-monitor.png" -crop "${mw}x${mh}+${mx}+${my}" +repage -fuzz 3% \
      -fill white -opaque "#$background" -fill black +opaque white -format '%[fx:mean]' info:)
    awk -v share="$share" 'BEGIN { exit !(share >= 0.05) }' && pictured=1 && break
    sleep 0.5
  done
  [ -n "$pictured" ] ||
    skip "Shotcut $(dpkg-query -W -f='${Version}' shotcut 2>/dev/null) shows no picture in its monitor under Xvfb" \
      "(shotcut-monitor.png): its filter list, panel and file dialog passed; the caption, JOSM and render checks did not run"
  check_caption "$monitor" shotcut-monitor 62
  shot shotcut-panel

  local before
  before=$(count_requests)
  click "$(widget 'check box' 'Map follows the video')"
  wait_requests $((before + 1))
  [ "$(requests_since "$before")" = "$(expected 2 4)" ] ||
    fail "JOSM sync switched on at frame 62 sent '$(requests_since "$before")', not '$(expected 2 4)'"
  echo "OK: JOSM sync switched on sends the zoom for the frame shown"

  before=$(count_requests)
  play_for 4 "$play"
  local stopped
  shot shotcut-played
  stopped=$(position_second 'spin button' '' --within "$times")
  check_playing "$before" 2 "$stopped"

  before=$(count_requests)
  click "$(widget 'push button' 'Add node in JOSM')"
  check_add_node "$before" "$stopped"

  save_project 'dialog:.*' "$work/projects/ride.mlt"
  kill -9 "$editor_pid"
  check_render "$work/projects/ride.mlt" 62 160
}

if [ -z "${MERIDEL_GUI_SESSION:-}" ]; then
  mkdir -p "$work" "$out"
  work=$(realpath "$work") out=$(realpath "$out")
  josm=$work/josm.jsonl
  prepare
  # The editor on a session bus of its own, with its accessibility bus.
  trap - EXIT
  status=0
  MERIDEL_GUI_SESSION=1 dbus-run-session -- bash "$here/gui_test.sh" "$mode" "$repo" "$build" "$checker" "$work" "$out" || status=$?
  cleanup
  [ "$status" = 0 ] && echo "OK: screenshots in $out"
  exit "$status"
fi
cd "$work"
set -E
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2; import -window root "$out/failure.png" 2>/dev/null || true' ERR

# Kdenlive reads a file named alone as a project: -i imports a clip.
opening=("$work/media/ride.mp4")
[ "$mode" = kdenlive ] && opening=(-i "${opening[0]}")
"$MERIDEL_GUI_EDITOR" "${opening[@]}" >"$out/$mode.log" 2>&1 &
editor_pid=$!
disown  # ended with SIGKILL: no word of it from bash
trap cleanup EXIT
"${mode}_test"
