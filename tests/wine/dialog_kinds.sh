#!/usr/bin/env bash
# One page with every control kind, at 96 and at 144 dots per inch: each control is a window of
# the kind's class with the definition's text, at the definition's place scaled by the screen's
# dots per inch; drawn controls answer screen readers; Tab, Shift+Tab and Alt+letter move as
# in any dialog. Screenshots of both go to the build's screenshots folder.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
source "$source/tests/wine/lib.sh"
xvfb_start 1280x1024x24
zelrun_suite dialog-kinds
mkdir -p "$build/screenshots"

dialog_setup kinds "$(zel_statement "Display Dialog" every_kind WIZARD TRUE "" TRUE FALSE)"

# check SCALE: the driver's reading in $work/ui against the definition, scaled by SCALE.
check() {
  python3 - "$source/tests/data/dialogs/every_kind.txt" "$work/ui" "$1" <<'PY' || fail "every kind at $1"
import re, sys
definition, reading, scale = open(sys.argv[1]).read(), open(sys.argv[2]).read(), float(sys.argv[3])
# kind: window class (a pattern, case ignored; None for the kinds the engine draws or leaves to a
# later player), the text the window shows (a pattern) and the value the driver reads.
kinds = {
    "TLabel": ("static", "Label text", ""), "TEdit": ("edit", "Edit text", "Edit text"),
    "TMaskEdit": ("edit", "Mask text", "Mask text"),
    "TMemo": ("edit", r"Memo line one\\r\\nMemo line two(\\r\\n)?", None),
    "TRichEdit": ("richedit.*", None, None), "TStaticText": ("static", "Static text", ""),
    "TRzCheckBox": ("button", "Check box", ""), "TRzRadioButton": ("button", "Radio button", ""),
    "TButton": ("button", "&Push button", ""), "TBitBtn": ("button", "Bitmap button", ""),
    "TSpeedButton": ("button", "Speed button", ""), "TListBox": ("listbox", "", "-1:"),
    "TComboBox": ("combobox", "Combo text", "-1:Combo text"), "TCheckListBox": (None, None, None),
    "TTreeView": ("systreeview32", "", ""), "TTrackBar": ("msctls_trackbar32", "", "3 of 0..10"),
    "TProgressBar": ("msctls_progress32", "", "40 of 0..100"), "TGauge": (None, None, None),
    "TUpDown": ("msctls_updown32", "", "5 of 0..100"), "TAnimate": ("sysanimate32", "", ""),
    "TGroupBox": ("button", "Group box", ""), "TPanel": (None, None, None),
    "TBevel": (None, None, None), "TShape": (None, None, None), "TImage": (None, None, None),
    "THTMLViewer": (None, None, None), "TFlashFrame": (None, None, None),
    "TFileListBox": ("listbox", None, None), "TDirectoryListBox": ("listbox", None, None),
    "TDriveComboBox": ("combobox.*", None, None), "TFilterComboBox": ("combobox.*", None, None),
    "TPTShellTree": ("systreeview32", None, None), "TPTShellList": ("syslistview32", None, None),
    "TPTShellCombo": ("combobox.*", None, None),
}
checked = {"TRzCheckBox": "1", "TRzRadioButton": "0"}
# The screen reader roles of the kinds the engine draws: graphic, separator, grouping, progress
# bar, list.
roles = {"TShape": 40, "TImage": 40, "TBevel": 21, "TPanel": 20, "TGauge": 48, "TCheckListBox": 33}
line_format = re.compile(r"control class=(\S*) id=(-?\d+) text=(.*) rect=(-?\d+),(-?\d+),(\d+),(\d+) "
                         r"visible=(\d) enabled=(\d) focused=(\d) name=(\S*) checked=(\S*)(.*) value=(.*)")
controls = {}
for line in reading.splitlines():
    match = line_format.fullmatch(line)
    if match and match.group(11): controls[match.group(11)] = match
faults = []
defined = re.findall(r"object (\w+): (\w+)\n    Left = (\d+)\n    Top = (\d+)\n    Width = (\d+)\n"
                     r"    Height = (\d+)", definition)
assert len(defined) == 34, len(defined)
for name, kind, *design in defined:
    control = controls.get(name)
    if not control:
        faults.append(f"{name} ({kind}): no window"); continue
    window_class, text, value = kinds[kind]
    if window_class and not re.fullmatch(window_class, control.group(1), re.I):
        faults.append(f"{name} ({kind}): class {control.group(1)}")
    if text is not None and not re.fullmatch(text, control.group(3)):
        faults.append(f"{name} ({kind}): text '{control.group(3)}', expected '{text}'")
    if value is not None and control.group(14) != value:
        faults.append(f"{name} ({kind}): value '{control.group(14)}', expected '{value}'")
    if kind in checked and control.group(12) != checked[kind]:
        faults.append(f"{name} ({kind}): checked {control.group(12)}")
    if control.group(8) != "1":
        faults.append(f"{name} ({kind}): not visible")
    # A combo box's height is its edit's, set by the system from the font.
    measured = [int(control.group(i)) for i in range(4, 8 if "combo" not in control.group(1).lower() else 7)]
    expected = [round(int(v) * scale) for v in design[:len(measured)]]
    if any(abs(m - e) > 1 for m, e in zip(measured, expected)):
        faults.append(f"{name} ({kind}): rect {measured}, expected {expected}")
    role = re.search(r" role=(\d+)", control.group(13))
    if kind in roles and (not role or int(role.group(1)) != roles[kind]):
        faults.append(f"{name} ({kind}): screen readers read the role {role and role.group(1)}, "
                      f"expected {roles[kind]}")
    if kind == "TGauge" and "60" not in control.group(14):
        faults.append(f"{name} ({kind}): screen readers read '{control.group(14)}', not 60%")
    if kind == "TPanel" and "Panel text" not in control.group(3) + control.group(13):
        faults.append(f"{name} ({kind}): neither text nor name is 'Panel text'")
print("\n".join(faults), file=sys.stderr)
sys.exit(1 if faults else 0)
PY
}

# show_page DPI: the page at DPI dots per inch (the prefix's user and system settings), read by
# the driver and photographed.
show_page() {
  local dpi=$1 hex
  hex=$(printf '0x%x' "$dpi")
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$hex" /f >/dev/null 2>&1
  wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$hex" /f >/dev/null 2>&1
  wineserver -k  # the next program starts with the new settings
  start_setup kinds
  drive --class TPoolTemplate --timeout 60 || fail "no page at $dpi dpi"
  grep -q '^window class=TPoolTemplate title=Every kind .* name=EveryKind$' "$work/ui" ||
    fail "page window: $(head -1 "$work/ui")"
  screenshot "$build/screenshots/every-kind-$dpi.png"
}

show_page 96
check 1
# The client area is the design size; Edit1 has the focus first (tab order 0).
grep -q '^window .* client=640,384 ' "$work/ui" || fail "client area: $(head -1 "$work/ui")"
expect Edit1 focused 1
drive --class TPoolTemplate --keys Tab --dump
expect MaskEdit1 focused 1
drive --class TPoolTemplate --keys Shift+Tab --dump
expect Edit1 focused 1
# Alt+P presses "&Push button", which ends the page (tag 1).
drive --class TPoolTemplate --keys Alt+P
finish_setup kinds
[ "$code" = 0 ] || fail "exit code $code at 96 dpi"

show_page 144
check 1.5
grep -q '^window .* client=960,576 ' "$work/ui" || fail "client area: $(head -1 "$work/ui")"
drive --class TPoolTemplate --press "Push button"
finish_setup kinds
[ "$code" = 0 ] || fail "exit code $code at 144 dpi"

echo "dialog kinds: passed"
