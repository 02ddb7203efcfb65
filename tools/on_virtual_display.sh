#!/usr/bin/env bash
# Runs a command on a virtual X display of its own and stops the display after it. Xvfb picks a
# free display number itself (-displayfd), so runs side by side never share or fight over one.
#   tools/on_virtual_display.sh "XVFB OPTIONS" COMMAND [ARGUMENTS...]
set -u
server_options=$1
shift

# shellcheck disable=SC2086  # the options are words on purpose
exec 3< <(exec Xvfb -displayfd 1 $server_options -nolisten tcp 2>/dev/null)
xvfb_pid=$!
# The server is waited for, not only told to stop: a server still going away when the next run's
# server takes the same number removes that one's socket on its way out.
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null' EXIT
if ! read -r -t 60 display_number <&3; then
    echo "Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$display_number"
# The number comes before the server always takes clients; a loaded machine makes that a while.
for _ in $(seq 1 300); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
"$@"
