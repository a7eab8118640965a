#!/usr/bin/env bash
# Installs the fonts the productions print with under the names the data tree uses. They are
# freely licensed fonts from Debian packages (fonts-dseg, fonts-dejavu-extra, fonts-liberation);
# each licence is copied beside them. Every font must carry a Unicode character map covering
# printable ASCII, the characters the productions print, but for the characters its entry lists
# as absent: the 14-segment display face has no '#', ';', '[', ']', '{' or '}'.
set -euo pipefail
cd "$(dirname "$0")/.."

out=data/common/fonts
mkdir -p "$out"

# target name | installed font | licence source | licence name | absent characters
fonts=(
  "digital-7__mono_.ttf|/usr/share/fonts/truetype/dseg/DSEG14Classic-Regular.ttf|/usr/share/doc/fonts-dseg/copyright|LICENSE-DSEG.txt|#;[]{}"
  "GeosansLight.ttf|/usr/share/fonts/truetype/dejavu/DejaVuSans-ExtraLight.ttf|/usr/share/doc/fonts-dejavu-extra/copyright|LICENSE-DejaVu-extra.txt"
  "courier_new_bold.ttf|/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf|/usr/share/doc/fonts-liberation/copyright|LICENSE-Liberation.txt"
)

# Exits non-zero unless the font's Unicode coverage includes U+0020..U+007E but for the
# characters given as absent.
check_ascii_coverage() {
  local font=$1 absent=${2:-}
  fc-query --format '%{charset}' "$font" | python3 -c '
import sys
covered = set()
for part in sys.stdin.read().split():
    first, _, last = part.partition("-")
    covered.update(range(int(first, 16), int(last or first, 16) + 1))
missing = [c for c in range(0x20, 0x7F) if c not in covered and chr(c) not in sys.argv[2]]
if missing:
    sys.exit("%s lacks %s" % (sys.argv[1], "".join(map(chr, missing))))
' "$font" "$absent"
}

copy_if_newer() {
  local source=$1 target=$2
  if [ ! -f "$source" ]; then
    echo "gen_fonts: missing $source (install the package with tools/install-deps.sh)" >&2
    exit 1
  fi
  if ! cmp -s "$source" "$target"; then
    cp "$source" "$target"
  fi
}

for entry in "${fonts[@]}"; do
  IFS='|' read -r name font licence licence_name absent <<<"$entry"
  copy_if_newer "$font" "$out/$name"
  copy_if_newer "$licence" "$out/$licence_name"
  check_ascii_coverage "$out/$name" "$absent"
done
