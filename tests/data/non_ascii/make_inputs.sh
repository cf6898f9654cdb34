#!/usr/bin/env bash
# make_inputs.sh DIR: the archive and the registry file of the non-ASCII script, in DIR.
set -euo pipefail
dir=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$dir/source"
printf 'Gr\xfc\xdfe\r\nzweite Zeile\r\n' >"$dir/source/nämé.txt"
(cd "$dir/source" && LC_ALL=C.UTF-8 7zz a -bso0 -bsp0 "$dir/payload.7z" ./* '-pS3crét' -mhe=on)
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$here/registry.reg.txt"; } >"$dir/registry.reg"
