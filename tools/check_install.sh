#!/usr/bin/env bash
# Uses the engine as a newcomer would: installs it from a build directory into a temporary
# prefix, then, from an unrelated folder with no Data/ or shaders/ in it, builds every program
# under examples/ against the installed CMake package (and hello_text once more from
# `pkg-config --cflags --libs kyrel`), runs each on a virtual display and checks that its
# screenshot shows something. A shared build (KYREL_SHARED=ON, in BUILD_DIR/check-install-shared)
# must export no internal symbol, and hello_text runs on it. Last, the installed kyrel-view runs on
# an installed sample from the same folder.
#   tools/check_install.sh [BUILD_DIR]    (default: build; the libraries and kyrel-view built)
# The screenshots are left in BUILD_DIR/check-install/ to be looked at.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "${1:-build}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix"
shots="$build_dir/check-install"
mkdir -p "$shots"

fail() {
    echo "check-install: $*" >&2
    exit 1
}

cmake --install "$build_dir" --prefix "$prefix" > "$tmp/install.log" ||
    { cat "$tmp/install.log"; fail "cmake --install failed"; }
touch "$tmp/installed.stamp"

# What the package holds: the data the engine looks for, and no internal header.
data="$prefix/share/kyrel"
for file in shaders/simpleTexture.vert shaders/parallax3.frag Data/Font/font.tga \
    Data/GUI/window.png Data/Samples/figure.md2; do
    [ -f "$data/$file" ] || fail "not installed: share/kyrel/$file"
done
[ -x "$prefix/bin/kyrel-view" ] || fail "not installed: bin/kyrel-view"
grep -v '^[[:space:]]*#' "$root/cmake/InternalHeaders.cmake" | grep -o '[A-Za-z0-9_/]*\.h' |
    while read -r header; do
        [ ! -e "$prefix/include/kyrel/base/$header" ] || fail "internal header installed: $header"
    done

# README shows hello_text in full: the copy there is the one built here.
awk '/^`examples\/hello_text\/main.cpp`:$/ { named = 1; next }
     named && /^```cpp$/ { inside = 1; next }
     inside && /^```$/ { exit }
     inside' "$root/README.md" | diff -q - "$root/examples/hello_text/main.cpp" > /dev/null ||
    fail "README's hello_text differs from examples/hello_text/main.cpp"

# The folder the programs are built and run in: nothing of the engine's tree near it.
work="$tmp/elsewhere"
mkdir "$work"
examples=()
for example in "$root"/examples/*/; do
    name=$(basename "$example")
    examples+=("$name")
    cmake -S "$example" -B "$work/build-$name" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" \
        > "$tmp/configure-$name.log" 2>&1 ||
        { cat "$tmp/configure-$name.log"; fail "$name: find_package(Kyrel) failed"; }
    cmake --build "$work/build-$name" > "$tmp/build-$name.log" 2>&1 ||
        { cat "$tmp/build-$name.log"; fail "$name does not build against the package"; }
done
[ "${#examples[@]}" -ge 4 ] || fail "only ${#examples[@]} examples found"

pc_file=$(find "$prefix" -name kyrel.pc | head -n 1)
[ -n "$pc_file" ] || fail "no kyrel.pc installed"
PKG_CONFIG_PATH=$(dirname "$pc_file")
export PKG_CONFIG_PATH
pkg-config --exists kyrel-base || fail "kyrel-base.pc does not resolve"
flags=$(pkg-config --cflags --libs kyrel) || fail "pkg-config --cflags --libs kyrel failed"
# pkg-config quotes its output for a shell (the data folder's define holds quotes), as a
# Makefile's recipe line would read it.
eval "c++ -std=c++17 -Wall -Wextra -Werror '$root/examples/hello_text/main.cpp' -o '$work/hello_text-pkg-config' $flags" ||
    fail "hello_text does not build from the pkg-config flags"

# Runs one program from the unrelated folder and checks the picture it saved is not uniform.
#   check_run NAME SHOT COMMAND [ARGUMENTS...]
check_run() {
    local name=$1 shot=$2
    shift 2
    (cd "$work" && env SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11 \
        "$root/tools/on_virtual_display.sh" "-screen 0 1280x1024x24 -noreset" \
        "$@" > "$work/$name.log" 2>&1) ||
        { cat "$work/$name.log"; fail "$name did not exit 0"; }
    [ -f "$shot" ] || fail "$name saved no screenshot"
    deviation=$(identify -format '%[fx:standard_deviation]' "$shot")
    awk -v d="$deviation" 'BEGIN { exit !(d > 0.01) }' ||
        fail "$name: the screenshot is uniform (standard deviation $deviation)"
    convert "$shot" "$shots/$name.png"
    echo "check-install: $name ran from the installed package; screenshot $shots/$name.png"
}

check_run hello_text "$work/hello_text.bmp" "$work/build-hello_text/hello_text" "$work/hello_text.bmp"
check_run hello_text-pkg-config "$work/pkg.bmp" "$work/hello_text-pkg-config" "$work/pkg.bmp"
check_run load_model "$work/load_model.bmp" \
    "$work/build-load_model/load_model" --screenshot "$work/load_model.bmp"
check_run load_model-obj "$work/load_model-obj.bmp" "$work/build-load_model/load_model" \
    --screenshot "$work/load_model-obj.bmp" \
    "$data/Data/Samples/pedestal.obj" "$data/Data/Samples/pedestal.png"
check_run gui "$work/gui.bmp" "$work/build-gui/gui" "$work/gui.bmp"
check_run shadows-stencil "$work/stencil.bmp" "$work/build-shadows/shadows" stencil "$work/stencil.bmp"
check_run shadows-map "$work/map.bmp" "$work/build-shadows/shadows" map "$work/map.bmp"

# The shared libraries: their own build and prefix. The public headers' API is exported, the
# internal headers' is not, and a program built on the package runs on the .so files.
shared_build="$build_dir/check-install-shared"
launcher=()
if command -v ccache > /dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$shared_build" -DKYREL_SHARED=ON -DKYREL_TESTS=OFF "${launcher[@]}" \
    > "$tmp/shared-configure.log" 2>&1 || { cat "$tmp/shared-configure.log"; fail "KYREL_SHARED=ON does not configure"; }
cmake --build "$shared_build" -j "${JOBS:-2}" > "$tmp/shared-build.log" 2>&1 ||
    { cat "$tmp/shared-build.log"; fail "KYREL_SHARED=ON does not build"; }
cmake --install "$shared_build" --prefix "$tmp/shared" > /dev/null || fail "the shared build does not install"
base_library=$(find "$tmp/shared" -name 'libkyrel_base.so' | head -n 1)
[ -n "$base_library" ] || fail "no libkyrel_base.so installed"
exported=$(nm -DC --defined-only "$base_library")
for public in 'DecodeTGA(' 'FindDataFile(' 'CXmlElement::'; do
    grep -qF "$public" <<< "$exported" || fail "libkyrel_base.so does not export $public"
done
for internal in 'ReadJpegSegments(' 'CJpegIdct::' 'CJpegProgressive::' 'ScanFloatWithLibrary('; do
    ! grep -qF "$internal" <<< "$exported" || fail "libkyrel_base.so exports the internal $internal"
done
{ cmake -S "$root/examples/hello_text" -B "$work/build-shared" -DCMAKE_PREFIX_PATH="$tmp/shared" \
    > "$tmp/configure-shared.log" 2>&1 &&
    cmake --build "$work/build-shared" > "$tmp/build-shared.log" 2>&1; } ||
    { cat "$tmp/configure-shared.log" "$tmp/build-shared.log"; fail "hello_text does not build on the shared libraries"; }
ldd "$work/build-shared/hello_text" | grep -q "libkyrel.so" || fail "hello_text is not linked to libkyrel.so"
check_run hello_text-shared "$work/shared.bmp" "$work/build-shared/hello_text" "$work/shared.bmp"

# The installed viewer, run as a command from the same folder: it finds its data from its own
# place, <prefix>/bin/../share/kyrel.
check_run kyrel-view "$work/kyrel-view.png" \
    "$prefix/bin/kyrel-view" "$data/Data/Samples/figure.md2" --screenshot "$work/kyrel-view.png"

# Nothing of the engine's data may have been needed beside the programs.
for stray in "$work/Data" "$work/shaders"; do
    [ ! -e "$stray" ] || fail "$stray appeared in the run folder"
done
# Installed files are read, never written: logs go where the programs run.
written=$(find "$prefix" -type f -newer "$tmp/installed.stamp")
[ -z "$written" ] || fail "written into the install tree: $written"
