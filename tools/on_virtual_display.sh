#!/usr/bin/env bash
# Runs a command on a virtual X display of its own and stops the display after it. Xvfb picks a
# free display number itself (-displayfd) and announces it once it accepts clients, so runs side by
# side never share or fight over one, and nothing needs to wait and retry.
#   tools/on_virtual_display.sh "XVFB OPTIONS" COMMAND [ARGUMENTS...]
set -u
server_options=$1
shift

# shellcheck disable=SC2086  # the options are words on purpose
exec 3< <(exec Xvfb -displayfd 1 $server_options -nolisten tcp 2>/dev/null)
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null' EXIT
if ! read -r -t 60 display_number <&3; then
    echo "Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$display_number"
"$@"
