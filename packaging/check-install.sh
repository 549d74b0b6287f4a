#!/usr/bin/env bash
# Installs a build tree into a private folder (never system-wide) and checks
# that a desktop would find the program, its menu entry and its icons.
# Usage: check-install.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1 dest=$2
rm -rf "$dest"
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
root="$dest/usr"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for program in svxpatch svxpatch-open; do
  [ -x "$root/bin/$program" ] || fail "bin/$program missing or not executable"
done

entry="$root/share/applications/svxpatch.desktop"
if [ -f "$entry" ]; then
  for line in 'Type=Application' 'Name=Skarvane X Patch Preparation Tool' \
    'Exec=svxpatch-open %f' 'Icon=svxpatch' 'Terminal=false'; do
    grep -qxF "$line" "$entry" || fail "desktop entry lacks \"$line\""
  done
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "desktop entry does not validate"
  fi
else
  fail "share/applications/svxpatch.desktop missing"
fi

# Each icon must be a PNG of the size its folder names: the width and height
# are the two big-endian words at bytes 16 and 20 of the file.
for size in 16 32 48 64 128 256; do
  icon="$root/share/icons/hicolor/${size}x${size}/apps/svxpatch.png"
  if [ ! -f "$icon" ]; then
    fail "icon ${size}x${size} missing"
    continue
  fi
  magic=$(od -An -tx1 -N8 "$icon" | tr -d ' \n')
  [ "$magic" = 89504e470d0a1a0a ] || fail "icon ${size}x${size} is not a PNG"
  width=$((16#$(od -An -tx1 -j16 -N4 "$icon" | tr -d ' \n')))
  height=$((16#$(od -An -tx1 -j20 -N4 "$icon" | tr -d ' \n')))
  [ "$width" = "$size" ] && [ "$height" = "$size" ] ||
    fail "icon ${size}x${size} is ${width}x${height}"
done

# Nothing else may land outside these places: no headers, libraries or test
# programs of the build.
expected='bin/svxpatch(-open)?|share/applications/svxpatch\.desktop|share/icons/hicolor/[0-9]+x[0-9]+/apps/svxpatch\.png'
expected+='|share/metainfo/[a-z.]+\.metainfo\.xml|share/man/man1/svxpatch(-open)?\.1\.gz'
expected+='|share/doc/svxpatch/(copyright|changelog\.gz)|share/lintian/overrides/svxpatch'
unexpected=$(cd "$root" && find . -type f | grep -vE "^\./($expected)\$" || true)
[ -z "$unexpected" ] || fail "unexpected installed files: $unexpected"

rm -rf "$dest"
if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s) with the installed files" >&2
  exit 1
fi
echo "installed: bin/svxpatch and svxpatch-open, the desktop entry, 6 icon sizes, metadata and documentation"
