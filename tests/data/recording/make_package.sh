#!/usr/bin/env bash
# make_package.sh OUT.msi: the recording tests' package, built from recorded.wxs with the
# component conditions and the ProgId table added.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$1
wixl -o "$out" "$here/recorded.wxs"
for condition in 'Reg|AREG = "TRUE"' 'Menu|ASC = "TRUE"' 'Types|AFT = "TRUE"' \
  'Off|ACMT = "TRUE"'; do
  msibuild "$out" -q "UPDATE \`Component\` SET \`Condition\` = '${condition#*|}' WHERE \`Component\` = '${condition%%|*}'"
done
msibuild "$out" -i "$here/ProgId.idt"
