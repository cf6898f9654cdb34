# Helpers for Wine tests: source it, then call xvfb_start (for tests that draw windows; it must
# come first, since the prefix's desktop binds to the display it finds) and wine_prefix.
# Each test gets a throw-away prefix and, when it draws, its own X display.

wine_prefix() {
  WINEPREFIX=$(mktemp -d /tmp/kx-wine.XXXXXX)
  export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  export WINEARCH=win64
  wineboot -i >/dev/null 2>&1
  trap wine_cleanup EXIT
}

wine_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}

# xvfb_start [WIDTHxHEIGHTxDEPTH]: starts Xvfb (1024x768x24 by default) on a free display
# number and exports DISPLAY.
xvfb_start() {
  local n
  for n in $(seq 90 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 "${1:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && return 0; sleep 0.1; done
  done
  echo "FAIL: no X display" >&2
  return 1
}

# screenshot FILE: the whole screen as PNG.
screenshot() { import -window root "$1"; }

fail() { echo "FAIL: $*" >&2; exit 1; }

# zelrun.exe runs, for tests that set $build (the win64 build).
# zelrun_suite NAME: a throw-away prefix and work folder $work, both removed at the end.
zelrun_suite() {
  wine_prefix
  work=$(mktemp -d "/tmp/kx-$1.XXXXXX")
  trap 'wine_cleanup; rm -rf "$work"' EXIT
}

# zel_project NAME STATEMENTS-JSON [MORE-FIELDS-JSON]: $work/NAME.script, compiled by
# zelpack.exe; MORE-FIELDS-JSON adds project fields ('"commandHeaders": [...]').
zel_project() {
  printf '{"title": "Wine Test", %s"statements": %s}\n' "${3:+$3, }" "$2" >"$work/$1.json"
  (cd "$work" && wine "$build/tools/zelpack.exe" script "$1.json" -o "$1.script") ||
    fail "zelpack $1"
}

# zelrun_exe ARGS...: zelrun.exe in $work, the store in $work/out, stderr in $work/err, the exit
# code in $code.
zelrun_exe() {
  code=0
  (cd "$work" && wine "$build/tools/zelrun.exe" "$@") >"$work/out" 2>"$work/err" || code=$?
}

# expect_store NAME=VALUE...: each line is in the printed store.
expect_store() {
  local line
  for line in "$@"; do
    grep -qxF -- "$line" "$work/out" ||
    { cat "$work/err" >&2; fail "store lacks $line, has $(grep "^${line%%=*}=" "$work/out")"; }
  done
}

# zel_statement COMMAND LINE...: one statement as zel_project takes it.
zel_statement() {
  local command=$1 lines= line
  shift
  for line in "$@"; do
    line=$(printf '%s' "$line" | sed 's/\\/\\\\/g; s/"/\\"/g')
    lines+="${lines:+, }\"$line\""
  done
  printf '{"command": "%s", "parameters": [%s]}' "$command" "$lines"
}
