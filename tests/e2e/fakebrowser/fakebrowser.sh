#!/bin/sh
# Stands in for a web browser: notes each address it is asked to open, one per line, in
# fakebrowser.log beside itself, and opens nothing.
log="$(dirname "$0")/fakebrowser.log"
for arg in "$@"; do
    printf '%s\n' "$arg" >> "$log"
done
