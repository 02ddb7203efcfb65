#!/usr/bin/env bash
# The headers the install leaves out (cmake/InternalHeaders.cmake) and the headers the API
# reference leaves out (EXCLUDE in docs/Doxyfile) must be the same: a header installed but not
# documented, or documented but not installed, is a mistake in one of the two lists.
#   tools/check_docs_exclude.sh [INTERNAL_HEADERS_CMAKE] [DOXYFILE]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
internal=${1:-$root/cmake/InternalHeaders.cmake}
doxyfile=${2:-$root/docs/Doxyfile}

if [ ! -f "$internal" ]; then
    echo "check-docs-exclude: $internal not found, nothing to compare"
    exit 0
fi

# Compared by file name: the two files may name the headers from different folders.
header_names() {
    grep -v '^[[:space:]]*#' "$1" | grep -o '[A-Za-z0-9_./-]*\.h\b' | xargs -n 1 basename | sort -u
}
# Only the EXCLUDE setting and its continuation lines of the Doxyfile.
sed -n '/^EXCLUDE[[:space:]]*=/,/[^\\]$/p' "$doxyfile" > "${TMPDIR:-/tmp}/doxygen-exclude.$$"
trap 'rm -f "${TMPDIR:-/tmp}/doxygen-exclude.$$"' EXIT

if ! diff <(header_names "$internal") <(header_names "${TMPDIR:-/tmp}/doxygen-exclude.$$") \
    > /dev/null; then
    echo "check-docs-exclude: the internal headers differ (< $internal, > $doxyfile EXCLUDE):" >&2
    diff <(header_names "$internal") <(header_names "${TMPDIR:-/tmp}/doxygen-exclude.$$") |
        grep '^[<>]' >&2
    exit 1
fi
echo "check-docs-exclude: $(header_names "$internal" | wc -l) internal headers, the same in both lists"
