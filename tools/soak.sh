#!/usr/bin/env bash
# Runs the demo and the model viewer (once per sample model) for a long time under Xvfb with
# scripted keys and mouse, each on its own virtual display, and checks what a short test cannot:
# resident memory that keeps growing, GL errors that show in no single picture (the build must be
# configured with KYREL_GL_CHECK), and a clean exit on Escape at the end.
#   tools/soak.sh BUILD_DIR [SECONDS] [OUT_DIR]
# Prints one line per program and exits 1 if any of them fails a check.
set -u
build_dir=$(cd "${1:?usage: soak.sh BUILD_DIR [SECONDS] [OUT_DIR]}" && pwd)
seconds=${2:-600}
out_dir=${3:-$build_dir/soak}
root=$(cd "$(dirname "$0")/.." && pwd)
samples="$root/assets/Data/Samples"
# Memory is sampled this often; growth is measured from the minute after WARM_UP on.
SAMPLE_SECONDS=${SOAK_SAMPLE_SECONDS:-10}
WARM_UP=${SOAK_WARM_UP:-60}
GROWTH_LIMIT_KB=${SOAK_GROWTH_LIMIT_KB:-1024}
mkdir -p "$out_dir"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} SDL_VIDEODRIVER=x11

# Holds a key for a moment; pairs of opposite moves bring the camera back where it was.
hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }

drive_demo() {
    xdotool mousemove 512 384
    hold w 1; hold s 1; hold a 0.5; hold d 0.5
    for dx in 40 40 40 -40 -40 -40; do xdotool mousemove_relative -- "$dx" 0; sleep 0.2; done
    for dy in 20 20 -20 -20; do xdotool mousemove_relative -- 0 "$dy"; sleep 0.2; done
}

drive_viewer() {
    local kind=$1
    xdotool mousemove 400 400 mousedown 1
    sleep 0.3
    xdotool mousemove 470 420; sleep 0.3; xdotool mousemove 400 400; sleep 0.3
    xdotool mouseup 1
    xdotool click 4; sleep 0.2; xdotool click 5; sleep 0.2
    hold w 0.5; hold s 0.5
    # Shadow techniques on and off again, through the panel as a user clicks them.
    for y in 84 84 120 120; do xdotool mousemove 800 "$y" click 1; sleep 1; done
    if [ "$kind" = md2 ]; then xdotool mousemove 892 228 click 1; sleep 0.5; fi
}

# soak NAME WORKDIR KIND COMMAND...: one program on one display for the whole run.
soak() {
    local name=$1 workdir=$2 kind=$3
    shift 3
    local log="$out_dir/$name"
    exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null)
    local xvfb_pid=$! display_number
    read -r -t 20 display_number <&3 || { echo "$name: Xvfb did not start"; return 1; }
    export DISPLAY=":$display_number"
    for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

    (cd "$workdir" && exec "$@") >"$log.out" 2>"$log.err" &
    local pid=$!
    # The programs take one event per frame and SDL 1.2 queues at most 128: a pause after each
    # round lets a slow renderer catch up, so that input is not dropped and Escape is not stuck
    # behind minutes of queued motion at the end.
    (while kill -0 "$pid" 2>/dev/null; do
        if [ "$kind" = demo ]; then drive_demo; else drive_viewer "$kind"; fi
        sleep "${SOAK_PAUSE_SECONDS:-3}"
    done) >/dev/null 2>&1 &
    local driver_pid=$!

    : >"$log.rss"
    local start=$SECONDS elapsed rss
    while kill -0 "$pid" 2>/dev/null; do
        elapsed=$((SECONDS - start))
        rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
        [ -n "$rss" ] && echo "$elapsed $rss" >>"$log.rss"
        [ "$elapsed" -ge "$seconds" ] && break
        sleep "$SAMPLE_SECONDS"
    done
    kill "$driver_pid" 2>/dev/null
    wait "$driver_pid" 2>/dev/null
    for key in w s a d; do xdotool keyup "$key" 2>/dev/null; done
    xdotool mouseup 1 2>/dev/null
    # A press that met a full queue is lost, so press twice. One event is handled per frame, and
    # a software renderer may draw few frames a second: allow minutes for the exit.
    xdotool key Escape
    sleep 2
    xdotool key Escape
    for _ in $(seq 1 3000); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    local status
    if kill -0 "$pid" 2>/dev/null; then
        kill -9 "$pid"
        status="hung after Escape"
    fi
    wait "$pid"
    local code=$?
    kill "$xvfb_pid" 2>/dev/null
    status=${status:-$code}

    # Growth compares the median of the minute after warm-up with the median of the last minute:
    # drivers and the GUI allocate and free a megabyte at a time, which single samples catch.
    local gl_errors at_warm_up at_end peak growth
    gl_errors=$(grep -c '^GL error ' "$log.err")
    median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }
    at_warm_up=$(awk -v w="$WARM_UP" '$1 >= w && $1 < w + 60 { print $2 }' "$log.rss" | median)
    at_end=$(tail -6 "$log.rss" | awk '{ print $2 }' | median)
    peak=$(awk -v w="$WARM_UP" '$1 >= w && $2 > p { p = $2 } END { print p + 0 }' "$log.rss")
    growth=$(( ${at_end:-0} - ${at_warm_up:-0} ))
    local verdict=ok
    if [ -z "$at_warm_up" ] || [ "$growth" -ge "$GROWTH_LIMIT_KB" ] || [ "$gl_errors" -ne 0 ] ||
        [ "$status" != 0 ]; then
        verdict=FAILED
    fi
    printf '%s: %s; RSS %s kB after %ss, %s kB in the last minute (growth %+d kB, peak %s kB); ' \
        "$name" "$verdict" "${at_warm_up:-none}" "$WARM_UP" "${at_end:-none}" "$growth" "$peak"
    printf 'GL errors %s; exit status %s; %s samples\n' "$gl_errors" "$status" \
        "$(wc -l <"$log.rss")"
    [ "$verdict" = ok ]
}

demo_dir="$build_dir/demo"
viewer_dir="$build_dir/viewer"
[ -x "$demo_dir/ParallaxMapDemo" ] && [ -x "$viewer_dir/kyrel-view" ] ||
    { echo "no demo or viewer in $build_dir" >&2; exit 1; }

echo "Soaking for ${seconds}s; logs in $out_dir"
soak demo "$demo_dir" demo ./ParallaxMapDemo >"$out_dir/demo.result" &
soak viewer-table "$viewer_dir" 3ds ./kyrel-view "$samples/table.3ds" >"$out_dir/viewer-table.result" &
soak viewer-pedestal "$viewer_dir" obj ./kyrel-view "$samples/pedestal.obj" \
    >"$out_dir/viewer-pedestal.result" &
soak viewer-figure "$viewer_dir" md2 ./kyrel-view "$samples/figure.md2" \
    >"$out_dir/viewer-figure.result" &
failed=0
for job in $(jobs -p); do wait "$job" || failed=1; done
cat "$out_dir"/*.result
exit $failed
