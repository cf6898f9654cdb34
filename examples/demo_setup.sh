#!/usr/bin/env bash
# Builds the example setup (examples/setup) with zelpack and runs it under Wine: once silently,
# printing its exit code and what it left behind, and once with its windows on a virtual
# display, saving screenshots of the splash and preparing windows to the demo folder.
set -euo pipefail
tools=$(cd "$1" && pwd)  # the build that holds zelpack
win64=$(cd "$2" && pwd)
demo=$(mkdir -p "$3" && cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/wine/lib.sh"
xvfb_start
wine_prefix
work=$(mktemp -d /tmp/kx-demo.XXXXXX)
trap 'wine_cleanup; rm -rf "$work"' EXIT

# The example project with a splash picture and 20 MB of documentation and 8 MB of data among
# its support files, so that the start-up windows stay up while the payload is unpacked.
cp -r "$here/setup" "$here/dialogs" "$work/"
sed -i 's|"\.\./dialogs"|"dialogs"|; s|"wxs": "hello.wxs",|&\n  "splash": "setup.bmp",|' \
  "$work/setup/setup.json"
cp -r "$here/dialogs" "$work/setup/"
convert -size 400x250 gradient:'#16325c-#4f8fd6' bmp3:"$work/setup/setup.bmp"
python3 - "$work/setup/support/manual.txt" "$work/setup/support/sample.dat" <<'PY'
import random, sys
random.seed(1)
words = ["install", "folder", "feature", "wizard", "hello", "select", "press", "next", "finish"]
with open(sys.argv[1], "w") as out:
    while out.tell() < 20 << 20:
        out.write(" ".join(random.choice(words) for _ in range(14)) + "\r\n")
with open(sys.argv[2], "wb") as out:
    out.write(random.randbytes(8 << 20))
PY
mkdir "$work/engine"
cp "$win64/tools/zelstub.exe" "$win64/media/zel/zel.dll" "$work/engine/"
"$tools/tools/zelpack" build "$work/setup/setup.json" -o "$work/Hello" --engine "$work/engine"
echo "== zelpack build wrote:"
(cd "$work/Hello" && ls -l --time-style=+ | tail -n +2 | awk '{print "   " $5 "\t" $6}')

temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')")
echo "== silent run: setup.exe /s"
(cd "$work/Hello" && printf 'start /wait setup.exe /s\r\necho [%%ERRORLEVEL%%]>code.txt\r\n' >run.bat &&
  timeout 300 wine cmd /c run.bat >/dev/null 2>&1) || true
echo "   exit code $(tr -d '[]\r\n' <"$work/Hello/code.txt")"
left=$(ls -d "$temp"/zel* 2>/dev/null || true)
echo "   support folders left in the temporary folder: ${left:-none}"
rm "$work/Hello/run.bat" "$work/Hello/code.txt"

echo "== run with windows"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
(cd "$work/Hello" && wine setup.exe >/dev/null 2>&1) &
run=$!
shot="$demo/startup-windows.png"
rm -f "$shot"
# While the preparing window is up, keep the brightest screenshot: the one where both windows
# have finished painting.
best=0
for _ in $(seq 600); do
  xdotool search --onlyvisible --name 'Kestrix Wizard' >/dev/null 2>&1 || {
    [ -f "$shot" ] && break
    sleep 0.05
    continue
  }
  screenshot "$work/shot.png"
  level=$(convert "$work/shot.png" -format '%[fx:int(mean*100000)]' info:)
  if [ "$level" -gt "$best" ]; then best=$level; cp "$work/shot.png" "$shot"; fi
done
wait "$run" || true
if [ -f "$shot" ]; then echo "   screenshot of the splash and preparing windows: $shot"; else
  echo "   the start-up windows closed before a screenshot could be taken"; fi
