#!/usr/bin/env bash
# Checks that the base library stays below SDL video, GL and GLEW: no such include in src/base,
# and no such library on the link line of a binary that links kyrel_base alone.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
binary=$1
status=0
if grep -rnE '#include *[<"](GL/|SDL|glew)' "$root/src/base"; then
    echo "src/base includes SDL, GL or GLEW headers" >&2
    status=1
fi
if ldd "$binary" | grep -E 'lib(GL|GLU|GLEW|SDL|X11)[.-]'; then
    echo "$(basename "$binary") links SDL, GL, GLEW or X11 though it links kyrel_base alone" >&2
    status=1
fi
if nm -C --undefined-only "$binary" | grep -E ' (gl[A-Z]|glu[A-Z]|glew|__glew|SDL_|IMG_|Mix_)'; then
    echo "$(basename "$binary") calls into SDL or GL" >&2
    status=1
fi
[ $status -eq 0 ] && echo "layers: $(basename "$binary") holds no SDL, GL or GLEW"
exit $status
