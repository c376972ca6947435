#!/usr/bin/env bash
# The texts a packaging system and a reader meet besides the program: the
# AppStream metainfo and the manual page, as the build configured them.
set -euo pipefail
build=${1:?build directory}
fail() { echo "FAIL: $*" >&2; exit 1; }
failures=0
check() { # name command...
  local name=$1; shift
  if "$@"; then echo "ok: $name"; else echo "FAIL: $name" >&2; failures=$((failures + 1)); fi
}

metainfo=$build/packaging/org.vokabo.Vokabo.metainfo.xml
man=$build/packaging/vokabo.1
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -f "$metainfo" ] || fail "no $metainfo"
[ -f "$man" ] || fail "no $man"

# --no-net: the screenshot's address has no host yet (see the metainfo), and a
# test must not depend on the network. appstreamcli fails on any warning.
validate_metainfo() {
  appstreamcli validate --no-net "$metainfo"
}
metainfo_fields() {
  local want
  for want in '<id>org.vokabo.Vokabo</id>' '<project_license>GPL-3.0-or-later</project_license>' \
      '<metadata_license>CC0-1.0</metadata_license>' \
      '<launchable type="desktop-id">org.vokabo.Vokabo.desktop</launchable>' \
      '<content_rating type="oars-1.1"/>' "<release version=\"$version\"" \
      '<summary xml:lang="ja">' '<p xml:lang="ja">' '<screenshot type="default">'; do
    grep -qF -- "$want" "$metainfo" || { echo "metainfo lacks $want" >&2; return 1; }
  done
}
# man's own check: groff's warnings (bad requests, lines it cannot fill)
# go to stderr, which must stay empty.
man_renders() {
  local out err
  err=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$man" 2>&1 >/dev/null) || return 1
  [ -z "$err" ] || { echo "$err" >&2; return 1; }
  out=$(MANWIDTH=80 man -E UTF-8 -l "$man" 2>/dev/null)
  local section
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'HOT KEYS' FILES ENVIRONMENT 'EXIT STATUS' \
      Ctrl+Alt+Shift+F Ctrl+Alt+Shift+M Ctrl+Alt+Shift+H Ctrl+Alt+Shift+T save.db \
      res/triphibian.ttf XDG_DATA_HOME XDG_RUNTIME_DIR XDG_CACHE_HOME DISPLAY WAYLAND_DISPLAY \
      QT_QPA_PLATFORM SIGTERM "Vokabo $version"; do
    grep -qF -- "$section" <<<"$out" || { echo "man page lacks $section" >&2; return 1; }
  done
}

check "appstreamcli validate" validate_metainfo
check "metainfo names id, licences, launchable, rating, release, Japanese, screenshot" metainfo_fields
check "man page renders without warnings and covers its sections" man_renders
[ "$failures" -eq 0 ] || fail "$failures check(s) failed"
