#!/usr/bin/env bash
# Checks the engine's layering.
#   1. The base library stays below SDL video, GL and GLEW: no such include in src/base, and, given a
#      binary that links kyrel_base alone, no such library on its link line.
#   2. The engine's folders include only folders below them, in this order (lowest first):
#        platform sound textures shaders overlay scene models game core
#      The programs (app/, viewer/, convert/) may include any engine folder, never each other. The one
#      exception: the graphics core draws the software cursor with a screen image from overlay/.
#   tools/check_layers.sh [BINARY]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
binary=${1:-}
status=0

ENGINE_ORDER=(platform sound textures shaders overlay scene models game core)
PROGRAMS=(app viewer convert)
EXCEPTIONS=("platform/CGraphicsCore.cpp -> overlay/CScreenImage.h")

if grep -rnE '#include *[<"](GL/|SDL|glew)' "$root/src/base"; then
    echo "src/base includes SDL, GL or GLEW headers" >&2
    status=1
fi

rank_of() {
    local i
    for i in "${!ENGINE_ORDER[@]}"; do
        [ "${ENGINE_ORDER[$i]}" = "$1" ] && { echo "$i"; return; }
    done
    for i in "${PROGRAMS[@]}"; do
        [ "$i" = "$1" ] && { echo program; return; }
    done
    echo unknown
}

is_exception() {
    local entry
    for entry in "${EXCEPTIONS[@]}"; do
        [ "$entry" = "$1" ] && return 0
    done
    return 1
}

upward=0
while IFS= read -r file; do
    relative=${file#"$root/src/"}
    folder=${relative%%/*}
    own=$(rank_of "$folder")
    while IFS= read -r included; do
        # A path that names a base header ("models/CModelData.h") is below every engine folder.
        [ -e "$root/src/base/$included" ] && continue
        target=${included%%/*}
        [ "$target" = "$folder" ] && continue
        [ -e "$root/src/$included" ] || continue
        theirs=$(rank_of "$target")
        allowed=0
        if [ "$own" = program ]; then
            [ "$theirs" != program ] && allowed=1
        elif [ "$own" != unknown ] && [ "$theirs" != program ] && [ "$theirs" != unknown ] &&
            [ "$theirs" -lt "$own" ]; then
            allowed=1
        fi
        if [ $allowed -eq 0 ] && ! is_exception "$relative -> $included"; then
            echo "src/$relative includes $included: an upward or sideways include between engine folders" >&2
            upward=1
        fi
    done < <(sed -nE 's/^ *# *include *"([a-z]+\/[^"]+)".*/\1/p' "$file")
done < <(find "$root/src" -path "$root/src/base" -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print)
if [ $upward -ne 0 ]; then
    status=1
else
    echo "layers: engine folders include only folders below them (${ENGINE_ORDER[*]})"
fi

if [ -n "$binary" ]; then
    if ldd "$binary" | grep -E 'lib(GL|GLU|GLEW|SDL|X11)[.-]'; then
        echo "$(basename "$binary") links SDL, GL, GLEW or X11 though it links kyrel_base alone" >&2
        status=1
    fi
    if nm -C --undefined-only "$binary" | grep -E ' (gl[A-Z]|glu[A-Z]|glew|__glew|SDL_|IMG_|Mix_)'; then
        echo "$(basename "$binary") calls into SDL or GL" >&2
        status=1
    fi
    [ $status -eq 0 ] && echo "layers: $(basename "$binary") holds no SDL, GL or GLEW"
fi
exit $status
