#!/bin/bash
# A three-page wizard loop driven through --dialog: the pages follow the answers, and the
# variables the pages' controls write are in the store zelrun prints (the check list writes its
# selected entry each time its page is prepared).
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/support"
cat > "$work/wizard.json" <<'JSON'
{
  "title": "Wizard",
  "productCode": "{6C1E1C39-3D47-4D0B-9A57-4C4D2A9C1E01}",
  "revisionCode": "{6C1E1C39-3D47-4D0B-9A57-4C4D2A9C1E02}",
  "company": "Kestrix Tests",
  "statements": [
    {"command": "Set Variable", "parameters": ["TARGETDIR", "C:\\\\Apps\\\\Wizard"]},
    {"command": "Wizard Loop"},
    {"command": "Display Dialog", "parameters": ["welcome", "WIZARD", "TRUE", "", "TRUE", "FALSE"]},
    {"command": "Display Dialog", "parameters": ["edition", "WIZARD", "TRUE", "", "TRUE", "FALSE"]},
    {"command": "Display Dialog", "parameters": ["folder", "WIZARD", "TRUE", "", "TRUE", "FALSE"]},
    {"command": "End"}
  ]
}
JSON
cat > "$work/welcome.txt" <<'DFM'
object Welcome: TPoolTemplate
  ClientWidth = 400
  ClientHeight = 300
  object Next: TButton
    Tag = 1
  end
end
DFM
cat > "$work/edition.txt" <<'DFM'
object Edition: TPoolTemplate
  ClientWidth = 400
  ClientHeight = 300
  object Editions: TCheckListBox
    Hint = 'EDITION'
    Items.Strings = ('Basic' 'Full')
    ItemIndex = 1
  end
  object Next: TButton
    Tag = 1
  end
  object Back: TButton
    Tag = 2
  end
end
DFM
cat > "$work/folder.txt" <<'DFM'
object Folder: TPoolTemplate
  ClientWidth = 450
  ClientHeight = 300
  object Target: TEdit
    Hint = 'TARGETDIR'
    Tag = 2
  end
  object Back: TButton
    Tag = 2
  end
  object Help: TButton
    Tag = 5
  end
end
DFM
for page in welcome edition folder; do
  "$build/tools/zelpack" txt2dfm "$work/$page.txt" "$work/support/$page.dfm"
  : > "$work/support/$page.dfm.zelf"
done
"$build/tools/zelpack" script "$work/wizard.json" -o "$work/wizard.script"

wizard() {
  "$build/tools/zelrun" --trace --support-dir "$work/support" "$@" "$work/wizard.script" \
    > "$work/out" 2> "$work/err"
  grep '^exec .* Display Dialog$' "$work/err" | cut -d' ' -f2 | tr '\n' ' '
}

# Next, Next, Back, Next, Next: welcome, edition, folder, edition again, folder again, out.
[ "$(wizard --dialog NEXT --dialog NEXT --dialog BACK --dialog NEXT --dialog NEXT)" = "3 4 5 4 5 " ]
grep -qx 'WIZARD=NEXT' "$work/out"
grep -qx 'EDITION=Full' "$work/out"
grep -qx 'ABORT=FALSE' "$work/out"

# A custom button's name is the word; the loop keeps going forward and ends after the page.
[ "$(wizard --dialog NEXT --dialog NEXT --dialog Help)" = "3 4 5 " ]
grep -qx 'WIZARD=HELP' "$work/out"

# Cancel is a confirmed cancel: the loop ends at once and ABORT says so afterwards.
[ "$(wizard --dialog NEXT --dialog CANCEL)" = "3 4 " ]
grep -qx 'WIZARD=CANCEL' "$work/out"

# Back on the first page leaves the loop forward with BACK.
[ "$(wizard --dialog BACK)" = "3 " ]
grep -qx 'WIZARD=BACK' "$work/out"

# A silent run passes every page once, without waiting for any answer.
[ "$(wizard --silent --dialog BACK)" = "3 4 5 " ]
grep -qx 'WIZARD=NEXT' "$work/out"
if grep -q '^EDITION=' "$work/out"; then exit 1; fi
echo ok
