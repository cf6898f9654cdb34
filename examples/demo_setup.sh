#!/usr/bin/env bash
# Builds the example setup (examples/setup) with zelpack and runs it under Wine: once silently,
# printing its exit code and what it left behind, and once with its windows on a virtual
# display, going through its wizard with the UI driver as a person would and saving screenshots
# of the splash and preparing windows and of every page to the demo folder.
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
# its support files, so that the start-up windows stay up while the payload is unpacked, and the
# program's files as payload.7z, which the setup unpacks into the folder the user chose while its
# progress page shows how far it got.
cp -r "$here/setup" "$here/dialogs" "$work/"
sed -i 's|"\.\./dialogs"|"dialogs"|; s|"wxs": "hello.wxs",|&\n  "splash": "setup.bmp",|' \
  "$work/setup/setup.json"
cp -r "$here/dialogs" "$work/setup/"
convert -size 400x250 gradient:'#16325c-#4f8fd6' bmp3:"$work/setup/setup.bmp"
python3 - "$work/setup/support/manual.txt" "$work/setup/support/sample.dat" "$work/program" <<'PY'
import os, random, sys
random.seed(1)
words = ["install", "folder", "feature", "wizard", "hello", "select", "press", "next", "finish"]
with open(sys.argv[1], "w") as out:
    while out.tell() < 20 << 20:
        out.write(" ".join(random.choice(words) for _ in range(14)) + "\r\n")
with open(sys.argv[2], "wb") as out:
    out.write(random.randbytes(8 << 20))
for n in range(12000):
    folder = os.path.join(sys.argv[3], "docs", f"part{n // 100:03}")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, f"page{n:05}.txt"), "w") as out:
        out.write(" ".join(random.choice(words) for _ in range(400)))
with open(os.path.join(sys.argv[3], "hello.dat"), "wb") as out:
    out.write(random.randbytes(24 << 20))
PY
(cd "$work/program" && 7zz a -bso0 -bsp0 -mx1 "$work/setup/support/payload.7z" .)
mkdir "$work/engine"
cp "$win64/tools/zelstub.exe" "$win64/media/zel/zel.dll" "$work/engine/"
"$tools/tools/zelpack" build "$work/setup/setup.json" -o "$work/Hello" --engine "$work/engine"
echo "== zelpack build wrote:"
(cd "$work/Hello" && ls -l --time-style=+ | tail -n +2 | awk '{print "   " $5 "\t" $6}')

temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')")
echo "== silent run: setup.exe /s \"TARGETDIR=C:\\Hello Silent\""
(cd "$work/Hello" &&
  printf 'start /wait setup.exe /s "TARGETDIR=C:\\Hello Silent"\r\necho [%%ERRORLEVEL%%]>code.txt\r\n' >run.bat &&
  timeout 300 wine cmd /c run.bat >/dev/null 2>&1) || true
echo "   exit code $(tr -d '[]\r\n' <"$work/Hello/code.txt")"
left=$(ls -d "$temp"/zel* 2>/dev/null || true)
echo "   support folders left in the temporary folder: ${left:-none}"
drive_c=$WINEPREFIX/drive_c
if diff -r "$work/program" "$drive_c/Hello Silent" >/dev/null 2>&1; then
  echo "   every page passed; the $(find "$work/program" -type f | wc -l) files are in C:\\Hello Silent"
else
  echo "   C:\\Hello Silent does not hold the program's files" && exit 1
fi
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
if [ -f "$shot" ]; then echo "   screenshot of the splash and preparing windows: $shot"; else
  echo "   the start-up windows closed before a screenshot could be taken"; fi

# The wizard, driven the way a person goes through it; a screenshot of each page.
drive() { wine "$win64/tools/uidriver.exe" "$@" >"$work/ui" 2>"$work/ui.err"; }
# window_shot NAME: the window the driver read last, cut out of a screenshot, as NAME.png.
window_shot() {
  local rect
  rect=$(sed -n 's/^window .* rect=\([-0-9]*\),\([-0-9]*\),\([0-9]*\),\([0-9]*\) .*/\3x\4+\1+\2/p' "$work/ui")
  screenshot "$work/shot.png"
  convert "$work/shot.png" -crop "$rect" +repage "$demo/$1.png"
}
# page_shot FORM NAME: the page of that form as NAME.png.
page_shot() {
  drive --form "$1" --timeout 60 --dump || { cat "$work/ui.err"; echo "   no page $1" && exit 1; }
  window_shot "$2"
  echo "   $2: $demo/$2.png"
}
page_shot WelcomePage 1-welcome
drive --form WelcomePage --press "Next >"
drive --form LicensePage --timeout 30 --click Accept
page_shot LicensePage 2-license
drive --form LicensePage --press "Next >"
drive --form FolderPage --timeout 30 --type Folder 'C:\Hello Kestrix'
page_shot FolderPage 3-folder
drive --form FolderPage --press "Next >"
# The progress page while the files are unpacked: of the screenshots taken while it is up, the
# one whose bar is nearest to half way.
best=999
drive --form ProgressPage --timeout 60 || { echo "   no progress page" && exit 1; }
while drive --form ProgressPage --timeout 1 --dump; do
  bar=$(sed -n 's/^control .* name=Bar .* value=\([0-9]*\) of [0-9]*\.\.\([0-9]*\).*/\1 \2/p' "$work/ui" | tr -d '\r')
  read -r position maximum <<<"${bar:-0 0}"
  [ "$maximum" -gt 0 ] || continue
  distance=$((position * 100 / maximum - 50))
  distance=${distance#-}
  [ "$distance" -lt "$best" ] || continue
  best=$distance
  window_shot 4-progress
done
if [ "$best" -lt 999 ]; then echo "   4-progress: $demo/4-progress.png"; fi
page_shot FinishPage 5-finish
drive --form FinishPage --press Finish
wait "$run" || true
if diff -r "$work/program" "$drive_c/Hello Kestrix" >/dev/null 2>&1; then
  echo "   the wizard put the program's files in C:\\Hello Kestrix"
else
  echo "   C:\\Hello Kestrix does not hold the program's files" && exit 1
fi
