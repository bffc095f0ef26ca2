#!/bin/sh
# The tool finds tovrek/, VELD/ and its settings from its own folder, so run it there.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../kestrelup" "$@"
