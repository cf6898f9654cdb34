#!/usr/bin/env bash
# The author's dialogs as real windows, driven the way a person drives them: a three-page wizard
# walked Next, Next, Back, Next, Next with the variables its controls wrote; Cancel answered No
# and Yes; Alt+F4 refused; a page redisplayed after a failed check; a modeless progress page and
# "Hide Dialog"; where pages open; silent runs that never make a window.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
source "$source/tests/wine/lib.sh"
xvfb_start
zelrun_suite dialogs

log=$(winepath -w "$work/log.txt")
s() { zel_statement "$@"; }
# Every value the wizard's controls write, as one line of the log.
record_wizard=$(s "Write to Text File" "$log" \
  'WIZARD=$WIZARD$ NAME=$NAME$ AGREE=$AGREE$ SMALL=$SMALL$ LARGE=$LARGE$ LEVEL=$LEVEL$ ABORT=$ABORT$' FALSE)
page() { s "Display Dialog" "$1" "$2" "$3" "" TRUE FALSE; }
dialog_setup wizard \
  "$(s "Set Variable" NAME "")" "$(s "Set Variable" AGREE FALSE)" \
  "$(s "Set Variable" SMALL TRUE)" "$(s "Set Variable" LARGE FALSE)" "$(s "Set Variable" LEVEL "")" \
  "$(s "Wizard Loop")" "$(page wiz1 WIZARD TRUE)" "$(page wiz2 WIZARD TRUE)" \
  "$(page wiz3 WIZARD TRUE)" "$(s End)" "$record_wizard"

# expect_log LINE...: the log holds exactly these lines; it is emptied for the next run.
expect_log() {
  local expected
  expected=$(printf '%s\n' "$@")
  [ "$(tr -d '\r' <"$work/log.txt" 2>/dev/null)" = "$expected" ] ||
    fail "log: $(cat "$work/log.txt" 2>/dev/null), expected: $expected"
  rm "$work/log.txt"
}

# hidden TITLE WHY: no visible window has this title (within a second), or the test fails with WHY.
hidden() {
  if wine "$build/tools/uidriver.exe" --title "$1" --timeout 1 >/dev/null 2>&1; then fail "$2"; fi
}

# centred: the window the driver read is in the middle of the 1024 x 768 screen (within a pixel).
centred() {
  local left top width height
  IFS=, read -r left top width height <<<"$(window_rect)"
  [ $((2 * left + width - 1024)) -ge -2 ] && [ $((2 * left + width - 1024)) -le 2 ] &&
    [ $((2 * top + height - 768)) -ge -2 ] && [ $((2 * top + height - 768)) -le 2 ] ||
    fail "$1 not centred: $left,$top,$width,$height"
}

# Next, Next, Back, Next, Next.
start_setup wizard
drive --title "Your name" --timeout 60 || fail "no first page"
centred "the first page"
expect NameEdit text ""
expect NameEdit focused 1
expect Next enabled 1
drive --title "Your name" --type NameEdit "Ada Lovelace" --move 40 50 --press "Next >"

drive --title "Your choices" || fail "no second page"
# Same size as the first page: it opens where the user left the first one.
[ "$(window_rect | cut -d, -f1,2)" = 40,50 ] || fail "second page at $(window_rect)"
expect Greeting text "Hello Ada Lovelace"
expect Agree checked 0
expect Small checked 1
expect Large checked 0
# Space ticks the focused check box (first in the tab order).
drive --title "Your choices" --keys Space --click Large --dump
expect Agree checked 1
expect Large checked 1
expect Small checked 0
drive --title "Your choices" --press "Next >"

drive --title "Your level" || fail "no third page"
centred "the third page (another size)"
expect Summary text "Agree: TRUE, small: FALSE, large: TRUE"
expect Level value "-1:"
# The rule file enables Finish only while a level is picked.
expect Next enabled 0
drive --title "Your level" --pick Level Complete --sleep 0.5 --dump
expect Level value "2:Complete"
expect Next enabled 1
drive --title "Your level" --press "< Back"

drive --title "Your choices" || fail "no second page after Back"
centred "the second page after the third"
expect Agree checked 1
expect Large checked 1
expect Small checked 0
# Enter presses the default button.
drive --title "Your choices" --keys Enter

drive --title "Your level" || fail "no third page after Next"
expect Level value "2:Complete"
expect Next enabled 1
drive --title "Your level" --press Finish
finish_setup wizard
[ "$code" = 0 ] || fail "wizard exit code $code"
expect_log "WIZARD=NEXT NAME=Ada Lovelace AGREE=TRUE SMALL=FALSE LARGE=TRUE LEVEL=Complete ABORT=FALSE"

# Alt+F4 is refused; Cancel asks, No keeps the page, Yes ends the wizard with CANCEL.
start_setup wizard
drive --title "Your name" --timeout 60 --keys Alt+F4 --sleep 1 || fail "no first page"
drive --title "Your name" --timeout 2 || fail "Alt+F4 closed the page"
drive --title "Your name" --press Cancel
drive --class '#32770' --title Kestrix --press No || fail "no cancel question"
grep -q 'text=Are you sure you want to cancel?' "$work/ui" || fail "cancel question: $(cat "$work/ui")"
drive --title "Your name" --timeout 5 --sleep 0.5 --dump || fail "No closed the page"
expect Cancel enabled 1
drive --title "Your name" --type NameEdit "Bob" --press Cancel
drive --class '#32770' --title Kestrix --press Yes || fail "no second cancel question"
finish_setup wizard
[ "$code" = 0 ] || fail "cancelled wizard exit code $code"
expect_log "WIZARD=CANCEL NAME=Bob AGREE=FALSE SMALL=TRUE LARGE=FALSE LEVEL= ABORT=TRUE"

# Back on the first page leaves the wizard forward, with BACK.
start_setup wizard
drive --title "Your name" --timeout 60 --type NameEdit "Cy" --press "< Back" || fail "no first page"
finish_setup wizard
[ "$code" = 0 ] || fail "wizard left backwards: exit code $code"
expect_log "WIZARD=BACK NAME=Cy AGREE=FALSE SMALL=TRUE LARGE=FALSE LEVEL= ABORT=FALSE"

# A page that redisplays itself until the code is right shows the variables' new values; a modal
# page stays up after "Hide Dialog"; a modeless progress page shows PROGRESSTEXT and PROGRESS,
# sets WINDOWHANDLE and goes with "Hide Dialog".
box() { s MessageBox "$1" "$2" 0 1 ""; }
dialog_setup pages \
  "$(s "Set Variable" CODE "")" "$(s "Set Variable" TRIES "")" \
  "$(s Label Again)" "$(page check RESULT TRUE)" "$(s "Set Variable" TRIES '$TRIES$x')" \
  "$(s If CODE 0 42 TRUE)" "$(s "GoTo Label" Again)" "$(s End)" \
  "$(s "Write to Text File" "$log" 'CODE=$CODE$ TRIES=$TRIES$ RESULT=$RESULT$ WINDOWHANDLE=$WINDOWHANDLE$' FALSE)" \
  "$(s "Hide Dialog")" "$(box Modal "The code page stays.")" \
  "$(s "Set Variable" PROGRESSTEXT "Copying files")" "$(s "Set Variable" PROGRESS 40)" \
  "$(page progress STATE FALSE)" "$(box Progress "Progress shown.")" \
  "$(s "Write to Text File" "$log" 'STATE=$STATE$ WINDOWHANDLE=$WINDOWHANDLE$' FALSE)" \
  "$(s "Hide Dialog")" "$(s "Write to Text File" "$log" 'WINDOWHANDLE=$WINDOWHANDLE$' FALSE)" \
  "$(box Hidden "Progress hidden.")"
start_setup pages
drive --title Code --timeout 60 || fail "no code page"
expect Shown text "Last code: , tries: "
drive --title Code --type CodeEdit 7 --press "Next >"
drive --title Code --wait-text Shown "Last code: 7, tries: x" --dump || fail "page not prepared afresh"
expect CodeEdit text 7
drive --title Code --type CodeEdit 42 --press "Next >"
drive --class '#32770' --title Modal --timeout 30 || fail "no box after the code page"
drive --title Code --timeout 1 || fail "the modal page went with Hide Dialog"
drive --class '#32770' --title Modal --press OK
drive --class '#32770' --title Progress --timeout 30 || fail "no box over the progress page"
drive --title Working --timeout 1 || fail "no progress page"
expect Status text "Copying files"
expect Bar value "40 of 0..100"
hidden Code "the code page stayed under the progress page"
drive --class '#32770' --title Progress --press OK
drive --class '#32770' --title Hidden --timeout 30 || fail "no box after Hide Dialog"
hidden Working "the progress page stayed after Hide Dialog"
drive --class '#32770' --title Hidden --press OK
finish_setup pages
[ "$code" = 0 ] || fail "pages exit code $code"
handle=$(sed -n 's/^STATE=NOTMODAL WINDOWHANDLE=\([0-9]*\)\r$/\1/p' "$work/log.txt")
[ -n "$handle" ] && [ "$handle" != 0 ] || fail "progress page handle: $(cat "$work/log.txt")"
expect_log "CODE=42 TRIES=xx RESULT=NEXT WINDOWHANDLE=0" "STATE=NOTMODAL WINDOWHANDLE=$handle" \
  "WINDOWHANDLE=0"

# A progress page over "Extract 7Zip Archive": the one-second refresh shows the worker's progress
# state; its Cancel, confirmed, reaches the worker, and ABORT reads TRUE afterwards.
python3 - "$work/payload" <<'PY'
import os, sys
for n in range(6000):
    folder = os.path.join(sys.argv[1], f"part{n // 100:02}")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, f"file{n:04}.txt"), "w") as out:
        out.write(f"file {n} " * 300)
PY
(cd "$work/payload" && 7zz a -bso0 -bsp0 -mx1 "$WINEPREFIX/drive_c/payload.7z" .)
dialog_setup extract "$(s "Set Variable" PROGRESSTEXT Unpacking)" "$(page progress STATE FALSE)" \
  "$(s "Extract 7Zip Archive" 'C:\payload.7z' 'C:\out' COPIED "" TRUE TRUE)" \
  "$(s "Write to Text File" "$log" 'COPIED=$COPIED$ ABORT=$ABORT$' FALSE)" "$(box Done Done.)"
# percent: the bar's position in hundredths of its range, as the driver read it last.
percent() {
  control_value Bar | sed -n 's/^\([0-9]*\) of \([0-9]*\)\.\.\([0-9]*\)$/\1 \3/p' |
    { read -r position maximum && echo $((position * 100 / maximum)); }
}
start_setup extract
drive --title Working --timeout 60 || fail "no progress page over the extraction"
moving=
while drive --title Working --timeout 1 --dump; do
  value=$(percent)
  if [ "${value:-0}" -gt 0 ] && [ "$value" -lt 100 ]; then moving=$value && break; fi
done
[ -n "$moving" ] || fail "the bar never moved during the extraction"
control_text Status | grep -q '^Unpacking\\r.*, [0-9]*% complete$' || fail "status: $(control_text Status)"
drive --class '#32770' --title Done --timeout 60 --press OK || fail "extraction did not end"
finish_setup extract
expect_log "COPIED=SUCCESS ABORT=FALSE"

start_setup extract
drive --title Working --timeout 60 --press Cancel || fail "no progress page to cancel"
drive --class '#32770' --title Kestrix --press Yes || fail "no cancel question over the progress page"
drive --class '#32770' --title Done --timeout 60 --press OK || fail "cancelled extraction did not end"
finish_setup extract
grep -q '^COPIED=.* ABORT=TRUE' "$work/log.txt" && ! grep -q '^COPIED=SUCCESS ' "$work/log.txt" ||
  fail "cancel did not reach the extraction: $(cat "$work/log.txt")"
rm "$work/log.txt"

# Silent: ten pages and a progress page pass without a window and without waiting.
pages=()
for name in wiz1 wiz2 wiz3 check every_kind wiz1 wiz2 wiz3 check every_kind; do
  pages+=("$(page "$name" WIZARD TRUE)")
done
dialog_setup silent "$(s "Set Variable" CODE "")" "$(s "Set Variable" TRIES "")" "${pages[@]}" \
  "$(page progress STATE FALSE)" "$(s "Hide Dialog")" \
  "$(s "Write to Text File" "$log" 'WIZARD=$WIZARD$ STATE=$STATE$ WINDOWHANDLE=$WINDOWHANDLE$' FALSE)"
wine "$build/tools/uidriver.exe" --class TPoolTemplate --absent 12 >"$work/watch" 2>&1 &
watch=$!
sleep 1
started=$(date +%s%N)
start_setup silent /s
finish_setup silent
elapsed=$((($(date +%s%N) - started) / 1000000))
[ "$code" = 0 ] || fail "silent exit code $code"
wait "$watch" || fail "a dialog window was made in a silent run: $(cat "$work/watch")"
[ "$elapsed" -lt 10000 ] || fail "the silent run took $elapsed ms"
expect_log "WIZARD=NEXT STATE=NOTMODAL WINDOWHANDLE=0"

echo "dialogs: passed (silent run of ten pages: $elapsed ms)"
