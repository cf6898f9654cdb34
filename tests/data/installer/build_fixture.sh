#!/bin/bash
# build_fixture.sh OUT.msi: the installer package the package-editing tests start from, made by
# wixl from fixture.wxs; wixl writes no ProgId table, so msibuild adds it.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$(realpath -m "$1")
mkdir -p "$(dirname "$out")"
(cd "$here" && wixl -o "$out.new" fixture.wxs)
msibuild "$out.new" -i "$here/ProgId.idt"
mv "$out.new" "$out"
