#!/usr/bin/env bash
# Packs the build as a release is packed (cpack -G DEB) and holds the package to
# what Debian's and the software centres' own checkers accept: lintian with no
# error or warning, the AppStream metadata and the desktop entry valid, and the
# changelog and metadata naming the packaged version.
# Usage: check-package.sh BUILD_DIR WORK_DIR
# Exits 77 (a skip for ctest) when a checker is not installed.
set -euo pipefail
build=$1 work=$2

missing=()
for tool in cpack dpkg-deb dpkg-parsechangelog lintian appstreamcli desktop-file-validate; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIPPED: not installed: ${missing[*]} (tools/install-deps installs them)"
  exit 77
fi

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
debs=("$work"/*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "FAIL: cpack made no package" >&2; exit 1; }

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Info and pedantic tags are shown but do not fail the test: lintian adds and
# retunes them from release to release.
echo "lintian --pedantic $(basename "$deb"):"
lintian --pedantic --display-info --fail-on error,warning "$deb" 2> >(grep -v 'root privileges' >&2) ||
  fail "lintian reports errors or warnings"

root="$work/root"
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)

desktop-file-validate "$root/usr/share/applications/svxpatch.desktop" ||
  fail "desktop entry does not validate"
# validate-tree also checks that the metadata's launchable names a desktop
# entry of the package.
appstreamcli validate-tree --no-net "$root" || fail "AppStream metadata does not validate"

zcat "$root/usr/share/doc/svxpatch/changelog.gz" >"$work/changelog"
logged=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
[ "$logged" = "$version" ] || fail "changelog's newest entry is $logged, the package is $version"
released=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$root"/usr/share/metainfo/*.xml |
  head -n1)
[ "$released" = "$version" ] ||
  fail "AppStream metadata's newest release is ${released:-none}, the package is $version"

if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s) with $(basename "$deb")" >&2
  exit 1
fi
rm -rf "$work"
echo "$(basename "$deb"): lintian, AppStream and desktop entry clean"
