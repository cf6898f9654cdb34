#!/usr/bin/env bash
# Runs one Windows program under Wine in a throw-away prefix with its own X display, so tests
# never share registry, files or windows.
set -u
source "$(dirname "$0")/../tests/wine/lib.sh"
xvfb_start || exit 1
wine_prefix
wine "$@"
