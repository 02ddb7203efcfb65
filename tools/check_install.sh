#!/usr/bin/env bash
# Installs the engine from a build directory into a temporary prefix, builds examples/consumer
# against the installed CMake package (and once more from `pkg-config --cflags --libs kyrel`),
# runs both on a virtual display and checks that their screenshots are not blank.
#   tools/check_install.sh [BUILD_DIR]    (default: build; the libraries must be built)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "${1:-build}" && pwd)
consumer="$root/examples/consumer"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
    echo "check-install: $*" >&2
    exit 1
}

cmake --install "$build_dir" --prefix "$tmp/prefix" > "$tmp/install.log" ||
    { cat "$tmp/install.log"; fail "cmake --install failed"; }

cmake -S "$consumer" -B "$tmp/build" -DCMAKE_PREFIX_PATH="$tmp/prefix" > "$tmp/configure.log" 2>&1 ||
    { cat "$tmp/configure.log"; fail "find_package(Kyrel) failed"; }
cmake --build "$tmp/build" > "$tmp/build.log" 2>&1 ||
    { cat "$tmp/build.log"; fail "the consumer does not build against the package"; }

pc_file=$(find "$tmp/prefix" -name kyrel.pc | head -n 1)
[ -n "$pc_file" ] || fail "no kyrel.pc installed"
export PKG_CONFIG_PATH="$(dirname "$pc_file")"
pkg-config --exists kyrel-base || fail "kyrel-base.pc does not resolve"
flags=$(pkg-config --cflags --libs kyrel) || fail "pkg-config --cflags --libs kyrel failed"
# shellcheck disable=SC2086  # the flags are words
c++ -std=c++17 "$consumer/main.cpp" -o "$tmp/consumer-pkg-config" $flags ||
    fail "the consumer does not build from the pkg-config flags"

# The engine reads Data/ and shaders/ from its working directory.
mkdir "$tmp/run"
ln -s "$root/assets/Data" "$tmp/run/Data"
ln -s "$root/assets/shaders" "$tmp/run/shaders"
for program in "$tmp/build/kyrel_consumer" "$tmp/consumer-pkg-config"; do
    name=$(basename "$program")
    shot="$tmp/run/$name.ppm"
    (cd "$tmp/run" && env SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11 \
        "$root/tools/on_virtual_display.sh" "-screen 0 1280x1024x24 -noreset" \
        "$program" "$shot" "$consumer/cube.obj" > "$tmp/run/$name.log" 2>&1) ||
        { cat "$tmp/run/$name.log"; fail "$name did not exit 0"; }
    deviation=$(identify -format '%[fx:standard_deviation]' "$shot")
    awk -v d="$deviation" 'BEGIN { exit !(d > 0.01) }' ||
        fail "$name: the screenshot is uniform (standard deviation $deviation)"
    convert "$shot" "$build_dir/$name.png"
    echo "check-install: $name ran from the installed package; screenshot $build_dir/$name.png"
done
