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

# Setups with dialogs, for tests that set $build, $work and $source (the source tree).
# dialog_setup NAME STATEMENT...: $work/NAME/setup.exe, built by zelpack.exe from the statements
# (as zel_statement writes them) with the test dialogs of tests/data/dialogs and a stub package.
dialog_setup() {
  local name=$1 IFS=,
  shift
  if [ ! -d "$work/engine" ]; then
    mkdir -p "$work/engine" "$work/sources"
    cp "$build/tools/zelstub.exe" "$build/media/zel/zel.dll" "$work/engine/"
    cp -r "$source/tests/data/dialogs" "$work/sources/"
    echo stub >"$work/sources/stub.msi"
  fi
  printf '{"title": "Dialog Test", "dialogs": "dialogs", "msi": "stub.msi", "statements": [%s]}\n' \
    "$*" >"$work/sources/$name.json"
  (cd "$work/sources" && wine "$build/tools/zelpack.exe" build "$name.json" -o "../$name" \
    --engine ../engine >/dev/null 2>&1) || fail "zelpack build $name"
}

# start_setup NAME ARGS...: runs $work/NAME/setup.exe in the background; finish_setup waits for
# it and gives its exit code in $code.
start_setup() {
  local name=$1
  shift
  (cd "$work/$name" && wine setup.exe "$@" >/dev/null 2>&1; echo $? >"$work/$name.exit") &
  setup_pid=$!
}
finish_setup() {
  wait "$setup_pid" || true
  code=$(cat "$work/$1.exit")
}

# drive ARGS...: the UI driver, its output in $work/ui (without the CRs of its line ends) and
# echoed on failure.
drive() {
  local status=0
  wine "$build/tools/uidriver.exe" "$@" >"$work/ui.crlf" 2>"$work/ui.err" || status=$?
  tr -d '\r' <"$work/ui.crlf" >"$work/ui"
  [ "$status" = 0 ] || { cat "$work/ui" "$work/ui.err" >&2; return 1; }
}

# control NAME: the driver's line for the control NAME in $work/ui; control_text, control_rect
# and control_value pick one field of it.
control() { grep -m1 " name=$1 checked=" "$work/ui" || fail "no control $1 in: $(cat "$work/ui")"; }
control_text() { control "$1" | sed 's/^control class=[^ ]* id=[-0-9]* text=\(.*\) rect=[-0-9]*,.*/\1/'; }
control_rect() { control "$1" | sed 's/.* rect=\([-0-9,]*\) visible=.*/\1/'; }
control_value() { control "$1" | sed 's/.* value=//'; }
# control_field NAME FIELD: a one-word field (class, id, visible, enabled, focused, checked, ...).
control_field() { control "$1" | sed "s/.* $2=\([^ ]*\).*/\1/"; }
window_rect() { sed -n 's/^window .* rect=\([-0-9,]*\) client=.*/\1/p' "$work/ui"; }

# expect NAME FIELD VALUE: a field of control NAME as the driver read it.
expect() {
  local actual
  case $2 in
    text) actual=$(control_text "$1") ;;
    rect) actual=$(control_rect "$1") ;;
    value) actual=$(control_value "$1") ;;
    *) actual=$(control_field "$1" "$2") ;;
  esac
  [ "$actual" = "$3" ] || fail "$1 $2 is '$actual', expected '$3'"
}
