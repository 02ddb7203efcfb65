#!/usr/bin/env bash
# Runs the Parallax Map Demo from its working directory. Without a display it runs on a virtual
# one, photographs it after a few seconds, presses Escape and reports the screenshot and status.
set -u
demo_dir=${1:-build/demo}
cd "$demo_dir" || exit 1

if [ -n "${DISPLAY:-}" ]; then
    exec ./ParallaxMapDemo
fi

export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
shots_dir=$(cd ../.. && pwd)/shots
mkdir -p "$shots_dir"
shot="$shots_dir/demo-$(date +%Y%m%d-%H%M%S).png"

exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null)
xvfb_pid=$!
read -r -t 10 display_number <&3 || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display_number"
# The server announces its number before it always accepts clients; wait until it does.
for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

# The demo's standard output reaches the terminal through tee, which keeps a copy: the demo may
# leave its last line open, and this script's own lines must start on a line of their own. Line
# buffering keeps its output in step with its standard error, as on a terminal.
work_dir=$(mktemp -d)
trap 'rm -rf "$work_dir"' EXIT
transcript="$work_dir/stdout"
mkfifo "$work_dir/fifo"
tee "$transcript" < "$work_dir/fifo" &
tee_pid=$!
stdbuf -oL ./ParallaxMapDemo > "$work_dir/fifo" &
demo_pid=$!
own_line() {
    if [ -n "$(tail -c 1 "$transcript")" ]; then
        echo
    fi
}
sleep "${DEMO_SECONDS:-5}"
# A software renderer may take seconds per frame: wait until the frame counter has put its
# first rate into the caption, so the picture shows drawn frames.
for _ in $(seq 1 120); do
    kill -0 "$demo_pid" 2>/dev/null || break
    xwininfo -root -tree 2>/dev/null | grep -q 'Current FPS' && break
    sleep 0.5
done
sleep 1
xwd -root -silent | convert xwd:- "$shot"
xdotool key Escape
# One event is taken per frame, so on a slow renderer the key may need many seconds to arrive.
for _ in $(seq 1 600); do
    kill -0 "$demo_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$demo_pid" 2>/dev/null; then
    own_line
    echo "The demo did not end after Escape; stopping it." >&2
    kill "$demo_pid"
fi
wait "$demo_pid"
status=$?
wait "$tee_pid"
kill "$xvfb_pid" 2>/dev/null
own_line
echo "Screenshot: $shot"
echo "Demo exit status: $status"
exit "$status"
