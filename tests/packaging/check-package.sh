#!/usr/bin/env bash
# Builds the .deb, checks its files and dependencies, installs it into a
# throwaway root and starts the installed launcher from there.
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
         ./usr/share/icons/hicolor/48x48/apps/vokabo.png ./usr/share/icons/hicolor/256x256/apps/vokabo.png; do
  grep -qx -- "$f" <<<"$files" || fail "package lacks $f"
done
echo "files: ok ($(grep -vc '/$' <<<"$files") files)"

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6network6 libsqlite3-0 fonts-ipafont-gothic qt6-qpa-plugins qt6-translations-l10n; do
  grep -q "\b$d\b" <<<"$depends" || fail "Depends lacks $d: $depends"
done
echo "depends: $depends"
grep -q '^Categories=Education;Languages;$' "$(dirname "$0")/../../packaging/org.vokabo.Vokabo.desktop" || fail "desktop categories"
desktop-file-validate "$(dirname "$0")/../../packaging/org.vokabo.Vokabo.desktop" || fail "desktop entry does not validate"

# Install into a throwaway root with its own dpkg database.
root=$work/root
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-not-root --force-script-chrootless -i "$deb" >/dev/null ||
  fail "dpkg -i into $root"
dpkg --root="$root" -s vokabo | grep -q '^Status: install ok installed' || fail "not installed"

# The installed launcher sets up the data folder and starts the program.
home=$work/home
mkdir -p "$home"
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
