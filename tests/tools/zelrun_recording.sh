#!/usr/bin/env bash
# zelrun --msi and --properties: a script's recording commands edit a real installer package
# (built by wixl), read back with msiinfo; bad packages and a gap in the header table lose
# nothing.
set -euo pipefail
build=$1
src=$2
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
data="$src/tests/data/recording"

"$build/tools/zelpack" script "$data/recording.json" -o "$work/recording.script"
bash "$data/make_package.sh" "$work/pristine.msi"
mkdir "$work/support"
cp "$data"/support/* "$work/support/"
# A line of 1 MB for a recorded value.
head -c 1048576 /dev/zero | tr '\0' x >"$work/support/big.txt"

# record PACKAGE ARG...: the recording script over a copy of the pristine package.
record() {
  local package=$1
  shift
  cp "$work/pristine.msi" "$work/$package"
  code=0
  "$build/tools/zelrun" --silent --properties --support-dir "$work/support" \
    --msi "$work/$package" --arg APP=App --arg VENDOR=Kestrix --arg $'NOTE=one\r\ntwo' \
    --arg 'SERVER=\\\\files' "$@" "$work/recording.script" >"$work/out" 2>"$work/err" || code=$?
  [ "$code" = 0 ] || fail "exit code $code: $(cat "$work/err")"
}
# table PACKAGE TABLE: the rows of an exported table, the three heading lines left out, LF ends.
table() { msiinfo export "$work/$1" "$2" | tail -n +4 | sed 's/\r$//'; }

record french.msi --arg LANGUAGE=French

# Every statement with a header starts switched off; the looped Write Registry statement is
# recorded twice, the later values last; values are prepared and keep line breaks as marks.
sed -n '/^\[pending rows\]$/,/^\[recorded properties\]$/p' "$work/out" | sed '1d;$d' \
  | cut -c1-40 >"$work/pending"
cat >"$work/expected" <<'ROWS'
AREG=FALSE
ASC=FALSE
AFT=FALSE
ANOTE=FALSE
ABIG=FALSE
ACMT=FALSE
AUNC=FALSE
AREG=TRUE
PREG_1=Software\Kestrix\App
PREG_2=Owner
PREG_3=Nobody
AREG=TRUE
PREG_1=Software\Kestrix\App
PREG_2=Owner
PREG_3=O'Brien
ASC=TRUE
PSC_1=C:\Kestrix Menu\
PSC_2=[INSTALLDIR]readme.txt
PSC_3=
PSC_4=
AFT=TRUE
ANOTE=TRUE
PNOTE_1=one$NEWLINE$two
ABIG=TRUE
PBIG_1=xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx
AUNC=TRUE
PUNC_1=\\files\share
ROWS
diff "$work/expected" "$work/pending" || fail "pending rows differ"
sed -n '/^\[recorded properties\]$/,$p' "$work/out" | sed '1d' | cut -c1-40 >"$work/recorded"
diff "$work/expected" "$work/recorded" || fail "recorded properties differ"
# Both entries of the 1 MB value are whole: "PBIG_1=", 1,048,576 x and the line end.
[ "$(grep '^PBIG_1=' "$work/out" | tr -d x | sort | uniq -c | tr -s ' ')" = " 2 PBIG_1=" ] &&
  [ "$(grep '^PBIG_1=' "$work/out" | wc -c)" = $((2 * 1048584)) ] ||
  fail "the 1 MB value was not recorded whole"

# The Property table: one row per name with its last value, the line break restored. libmsi
# cannot save a string of 128 KB or more, so natively the 1 MB row alone is missing and every
# other row is intact.
table french.msi Property | grep -v '^ProductCode\|^Product\|^Manufacturer\|^UpgradeCode' |
  sort >"$work/properties"
printf '%s\n' AFT$'\t'TRUE ANOTE$'\t'TRUE AREG$'\t'TRUE ASC$'\t'TRUE AUNC$'\t'TRUE \
  ABIG$'\t'TRUE ACMT$'\t'FALSE 'PNOTE_1	one' 'two' 'PREG_1	Software\Kestrix\App' \
  'PREG_2	Owner' "PREG_3	O'Brien" 'PSC_1	C:\Kestrix Menu\' 'PSC_2	[INSTALLDIR]readme.txt' \
  'PUNC_1	\\files\share' | sort >"$work/expected"
diff "$work/expected" "$work/properties" || fail "Property table differs"

# With a language the shortcut takes its translated name and description (the apostrophe
# included) and the ProgId its description; the ProgId keeps its key, which the installer's
# database does not let an UPDATE change.
[ "$(table french.msi Shortcut | cut -f2,3,7)" = "PSC_1	Kestri~1|Kestrix Lisez-moi	Lisez-moi d'abord" ] ||
  fail "shortcut: $(table french.msi Shortcut)"
[ "$(table french.msi ProgId | cut -f1,4)" = '$VENDOR$.Document	Document Kestrix' ] ||
  fail "ProgId: $(table french.msi ProgId)"
# Applying the renames a second time finds the same row and changes nothing more.
cp "$work/french.msi" "$work/again.msi"
"$build/tools/zelrun" --silent --support-dir "$work/support" --msi "$work/again.msi" \
  --arg LANGUAGE=French --arg APP=App --arg VENDOR=Kestrix "$work/recording.script" >/dev/null
[ "$(table again.msi ProgId | cut -f1,4)" = '$VENDOR$.Document	Document Kestrix' ] ||
  fail "ProgId after two applies: $(table again.msi ProgId)"

# Without a language nothing is renamed.
record english.msi
[ "$(table english.msi Shortcut | cut -f3,7)" = "Readme	Read me first" ] ||
  fail "shortcut renamed without a language: $(table english.msi Shortcut)"
[ "$(table english.msi ProgId | cut -f1,4)" = '$VENDOR$.Document	Kestrix document' ] ||
  fail "ProgId renamed without a language"

# A file that is not a package and a read-only package are left byte for byte as they were.
printf 'not a package' >"$work/junk.msi"
cp "$work/pristine.msi" "$work/locked.msi"
chmod a-w "$work/locked.msi"
for package in junk.msi locked.msi; do
  cp "$work/$package" "$work/before"
  "$build/tools/zelrun" --silent --support-dir "$work/support" --msi "$work/$package" \
    --arg APP=App "$work/recording.script" >/dev/null 2>&1 || fail "$package: the run failed"
  cmp -s "$work/before" "$work/$package" || fail "$package was changed"
done

# A recording statement missing from the header table is a script error; the run ends before
# anything reaches the package.
sed 's/"UNC", "13"/"UNC", "99"/' "$data/recording.json" >"$work/gap.json"
"$build/tools/zelpack" script "$work/gap.json" -o "$work/gap.script"
cp "$work/pristine.msi" "$work/gap.msi"
code=0
"$build/tools/zelrun" --support-dir "$work/support" --msi "$work/gap.msi" --arg APP=App \
  "$work/gap.script" >/dev/null 2>"$work/err" || code=$?
[ "$code" = 11 ] || fail "a missing header ended with $code"
grep -q 'Line 14: Unable to obtain command headers. Please rebuild your project.' "$work/err" ||
  fail "no script error: $(cat "$work/err")"
cmp -s "$work/pristine.msi" "$work/gap.msi" || fail "the failed run changed the package"
# Delete Registry acts at once: zelrun's registry file shows the value and the key tree gone.
cat >"$work/delete.json" <<'JSON'
{"title": "Delete", "statements": [
  {"command": "Delete Registry", "parameters": ["1", "Software\\Kestrix", "Gone", "FALSE"]},
  {"command": "Delete Registry", "parameters": ["1", "Software\\Kestrix\\Tree", "", "TRUE"]}]}
JSON
"$build/tools/zelpack" script "$work/delete.json" -o "$work/delete.script"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' '[HKEY_CURRENT_USER\Software\Kestrix]' \
  '"Gone"="x"' '"Kept"="x"' '' '[HKEY_CURRENT_USER\Software\Kestrix\Tree\Sub]' '"Deep"="x"' \
  >"$work/machine.reg"
"$build/tools/zelrun" --silent --registry "$work/machine.reg" "$work/delete.script" >/dev/null ||
  fail "Delete Registry run failed"
tr -d '\0' <"$work/machine.reg" >"$work/machine.txt"
grep -q '"Kept"' "$work/machine.txt" || fail "Delete Registry took Kept"
grep -q '"Gone"\|Tree' "$work/machine.txt" && fail "Delete Registry left: $(cat "$work/machine.txt")"
echo "zelrun recording: ok"
