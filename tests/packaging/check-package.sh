#!/usr/bin/env bash
# Builds the .deb, checks its files, dependencies and lintian, installs it into a
# throwaway root and runs the installed launcher from there.
set -euo pipefail
build=${1:?build directory}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/vokabo_*.deb) || fail "no package built"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/vokabo ./usr/lib/vokabo/vokabo ./usr/lib/vokabo/libKeyHook.so \
         ./usr/share/vokabo/res/triphibian.ttf ./usr/share/vokabo/res/triphibian-LICENSE.txt \
         ./usr/share/applications/org.vokabo.Vokabo.desktop ./usr/share/icons/hicolor/scalable/apps/vokabo.svg \
         ./usr/share/icons/hicolor/48x48/apps/vokabo.png ./usr/share/icons/hicolor/256x256/apps/vokabo.png \
         ./usr/share/doc/vokabo/copyright ./usr/share/doc/vokabo/changelog.Debian.gz \
         ./usr/share/man/man1/vokabo.1.gz ./usr/share/metainfo/org.vokabo.Vokabo.metainfo.xml; do
  grep -qx -- "$f" <<<"$files" || fail "package lacks $f"
done
echo "files: ok ($(grep -vc '/$' <<<"$files") files)"

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libsqlite3-0 fonts-ipafont-gothic qt6-qpa-plugins qt6-translations-l10n; do
  grep -q "\b$d\b" <<<"$depends" || fail "Depends lacks $d: $depends"
done
# The instance socket is a plain AF_UNIX one: QtNetwork and the dozen
# libraries it brings would only slow every start.
! grep -q '\blibqt6network6\b' <<<"$depends" || fail "Depends names libqt6network6: $depends"
echo "depends: $depends"
# libKeyHook is private (RUNPATH), so ldconfig has nothing to do for it.
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'post(inst|rm)$' || true)
[ -z "$scripts" ] || fail "maintainer scripts in the package: $scripts"

# Debian's own checks: any error or warning fails. Hardening shows only as
# info tags, and only the packaging build (tools/build-deb) sets its flags,
# so tools/package-test checks those.
lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1 ||
  { cat "$work/lintian" >&2; fail "lintian"; }
echo "lintian: clean"
grep -q '^Categories=Education;Languages;$' "$(dirname "$0")/../../packaging/org.vokabo.Vokabo.desktop" || fail "desktop categories"
desktop-file-validate "$(dirname "$0")/../../packaging/org.vokabo.Vokabo.desktop" || fail "desktop entry does not validate"

# Install into a throwaway root with its own dpkg database.
root=$work/root
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-not-root --force-script-chrootless -i "$deb" >/dev/null ||
  fail "dpkg -i into $root"
dpkg --root="$root" -s vokabo | grep -q '^Status: install ok installed' || fail "not installed"

# The font's licence file carries every copyright and licence the font file
# names itself (Bitstream Vera, the Arev glyphs, DejaVu's changes).
/usr/bin/python3 - "$root/usr/share/vokabo/res/triphibian.ttf" "$root/usr/share/vokabo/res/triphibian-LICENSE.txt" <<'PY' ||
import sys
from fontTools.ttLib import TTFont
names = TTFont(sys.argv[1])["name"]
licence = " ".join(open(sys.argv[2], encoding="utf-8").read().split())
for name_id in (0, 13):
    text = " ".join(names.getDebugName(name_id).split())
    if text not in licence:
        sys.exit(f"name ID {name_id} not in the licence file: {text[:80]}...")
PY
  fail "font licence file"
echo "font licence: covers the font's own entries"

# --help and --version answer without a display and start nothing: no data
# folder is made.
home=$work/home
mkdir -p "$home"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
out=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_DATA_HOME= timeout 5 "$root/usr/bin/vokabo" --version) ||
  fail "--version exits $?"
[ "$out" = "vokabo $version" ] || fail "--version says: $out"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_DATA_HOME= timeout 5 "$root/usr/bin/vokabo" --help) ||
  fail "--help exits $?"
for want in "Usage: vokabo" Ctrl+Alt+Shift+F Ctrl+Alt+Shift+M Ctrl+Alt+Shift+H Ctrl+Alt+Shift+T "vokabo(1)"; do
  grep -qF -- "$want" <<<"$out" || fail "--help lacks $want"
done
[ ! -e "$home/.local" ] || fail "--help or --version started the program"
echo "launcher: --help and --version"

# The installed launcher sets up the data folder and starts the program.
HOME=$home XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen timeout 5 "$root/usr/bin/vokabo" >/dev/null 2>&1 || true
[ -f "$home/.local/share/vokabo/save.db" ] || fail "launcher did not start the program in its data folder"
cmp -s "$home/.local/share/vokabo/res/triphibian.ttf" "$root/usr/share/vokabo/res/triphibian.ttf" ||
  fail "font not copied"
# An upgraded font replaces the copy.
echo stale >"$home/.local/share/vokabo/res/triphibian.ttf"
HOME=$home XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen timeout 5 "$root/usr/bin/vokabo" >/dev/null 2>&1 || true
cmp -s "$home/.local/share/vokabo/res/triphibian.ttf" "$root/usr/share/vokabo/res/triphibian.ttf" ||
  fail "stale font left behind"

dpkg --root="$root" --force-not-root --force-script-chrootless -r vokabo >/dev/null || fail "dpkg -r"
[ ! -e "$root/usr/bin/vokabo" ] || fail "launcher left after removal"
echo "1 passed, 0 failed"
