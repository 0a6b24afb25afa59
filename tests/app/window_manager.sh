#!/usr/bin/env bash
# The window's stored bounds under a real X server with a window manager (Xvfb + openbox),
# where the frame is added by the window manager after the window is mapped:
# - start, Close, start, Close leaves the four stored numbers unchanged, and the window comes
#   back with exactly the stored outer rectangle;
# - stored bounds that would hide the window (off the screen, larger than it, maximised on it)
#   bring it back wholly on the screen, and Close then stores what is shown.
# Usage: window_manager.sh PATH_TO_BRISKO. Exit 77 (skipped) when the X tools are missing.
set -euo pipefail

brisko=$1
for tool in Xvfb openbox xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# A scratch store, never the user's own.
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR"
store=$XDG_CONFIG_HOME/Brisko/Brisko.ini
readonly screen_w=1600 screen_h=1200 min_w=485 min_h=365 twips_per_pixel=15

Xvfb -displayfd 3 -screen 0 ${screen_w}x${screen_h}x24 -dpi 96 -nolisten tcp \
    3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
openbox --sm-disable 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

write_bounds() { # left top width height, in twips
    mkdir -p "$(dirname "$store")"
    printf '[Settings]\nMainLeft=%s\nMainTop=%s\nMainWidth=%s\nMainHeight=%s\n' "$@" >"$store"
}

stored_bounds() {
    local key
    for key in MainLeft MainTop MainWidth MainHeight; do
        sed -n "s/^$key=//p" "$store"
    done | paste -sd' '
}

# The window's outer rectangle in pixels: its client area and the frame openbox put round it.
outer() {
    local x y w h extents l r t b
    x=$(xwininfo -id "$win" | sed -n 's/.*Absolute upper-left X: *//p')
    y=$(xwininfo -id "$win" | sed -n 's/.*Absolute upper-left Y: *//p')
    w=$(xwininfo -id "$win" | sed -n 's/^ *Width: *//p')
    h=$(xwininfo -id "$win" | sed -n 's/^ *Height: *//p')
    extents=$(xprop -id "$win" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ,)
    read -r l r t b <<<"${extents:-0 0 0 0}"
    echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}

start() {
    "$brisko" 2>/dev/null &
    app=$!
    pids+=("$app")
    win=$(timeout 20 xdotool search --sync --all --onlyvisible --pid "$app" --name '^Pelorim$' | head -1)
    [ -n "$win" ] || { fail "no window"; return 1; }
    # Until the geometry holds still for a moment (the frame arrives after mapping).
    local last="" now
    for _ in $(seq 30); do
        now=$(outer)
        [ "$now" = "$last" ] && break
        last=$now
        sleep 0.2
    done
    shown=$now
}

close() {
    xdotool windowactivate --sync "$win" key --clearmodifiers alt+c
    for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$app" 2>/dev/null; then
        fail "Close did not end the program"
        kill "$app"
    fi
    wait "$app" || fail "the program ended with status $?"
}

in_pixels() { # twips to pixels, as the window converts them
    local v out=()
    for v in "$@"; do out+=("$(awk -v t="$v" -v p=$twips_per_pixel 'BEGIN { printf "%.0f", t / p }')"); done
    echo "${out[*]}"
}

wholly_on_screen() { # x y w h
    [ "$1" -ge 0 ] && [ "$2" -ge 0 ] && [ $(($1 + $3)) -le $screen_w ] &&
        [ $(($2 + $4)) -le $screen_h ] && [ "$3" -ge $min_w ] && [ "$4" -ge $min_h ]
}

echo "== Restarts keep the window where and as large as it was"
rm -rf "$XDG_CONFIG_HOME"
start && close
first=$(stored_bounds)
for round in 2 3; do
    start || continue
    [ "$shown" = "$(in_pixels $first)" ] ||
        fail "start $round: window $shown, stored $(in_pixels $first) (pixels)"
    close
    [ "$(stored_bounds)" = "$first" ] ||
        fail "start $round: stored bounds went from $first to $(stored_bounds)"
done
echo "stored $first"

echo "== Stored bounds that would hide the window"
while read -r name bounds; do
    write_bounds $bounds
    start || continue
    wholly_on_screen $shown || fail "$name ($bounds): window $shown is not wholly on the screen"
    close
    [ "$(in_pixels $(stored_bounds))" = "$shown" ] ||
        fail "$name: Close stored $(stored_bounds), the window was $shown"
    echo "$name: $bounds -> $shown"
done <<EOF
far-right-below 14000000 14000000 6500 6500
huge 1000 1000 14000000 14000000
huge-and-far 14000000 14000000 14000000 14000000
far-left-above -50000 -3000 8000 8000
larger-screen 0 0 30000 22500
EOF

echo "== Maximised, closed, started again"
rm -rf "$XDG_CONFIG_HOME"
start
read -r x y _ _ <<<"$shown"
# openbox maximises on a double click on the title bar.
xdotool mousemove $((x + 100)) $((y + 8)) click --repeat 2 --delay 80 1
sleep 1
maximised=$(outer)
[ "$maximised" != "$shown" ] || fail "the window did not maximise ($shown)"
close
start
wholly_on_screen $shown || fail "after a maximised Close: window $shown is not wholly on the screen"
[ "$shown" = "$maximised" ] || fail "after a maximised Close: window $shown, maximised $maximised"
close
echo "maximised $maximised -> $shown"

[ $failures -eq 0 ] && echo "PASS" || { echo "$failures failure(s)"; exit 1; }
