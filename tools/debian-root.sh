# shellcheck shell=bash
# Sourced by tools/release-test and tools/package-test: a fresh minimal root
# of a Debian release (debootstrap, minbase) with /proc, /sys and /dev
# mounted, taken down again when the sourcing script exits. Needs root.
#
#   debian_root SUITE     makes the root; sets $root
#   inside COMMAND        runs COMMAND with bash as root inside, in $inside_dir
#
# VOKABO_ROOT=DIR keeps the root in DIR and reuses it when it is already there
# (for development; CI always starts from nothing). VOKABO_MIRROR overrides
# the Debian mirror.

root=
inside_dir=/
mounted=()
keep=${VOKABO_ROOT:-}

debian_root_cleanup() {
  local rc=$? i pid
  if [ -n "$root" ]; then
    # Anything left running inside holds the mounts.
    for pid in /proc/[0-9]*; do
      pid=${pid#/proc/}
      [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "$pid" 2>/dev/null || true
    done
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
      umount -R "${mounted[i]}" 2>/dev/null || umount -R -l "${mounted[i]}" 2>/dev/null || true
    done
    if [ -z "$keep" ]; then
      # Only remove the root once nothing is mounted inside it any more.
      if ! grep -q " $root/" /proc/mounts; then rm -rf "$root"; fi
    fi
  fi
  exit "$rc"
}

debian_root_bind() { # kind source target
  mkdir -p "$3"
  case $1 in
    rbind) mount --rbind "$2" "$3" && mount --make-rslave "$3" ;;
    *) mount -t "$1" "$2" "$3" ;;
  esac
  mounted+=("$3")
}

debian_root() { # suite
  local suite=$1 mirror=${VOKABO_MIRROR:-http://deb.debian.org/debian}
  [ "$(id -u)" -eq 0 ] || { echo "$(basename "$0"): run as root" >&2; exit 2; }
  if [ -n "$keep" ]; then
    root=$keep
  else
    root=$(mktemp -d /var/tmp/vokabo-$suite-XXXXXX)
    # mktemp makes the folder 0700; as the root's "/" it would shut out the
    # unprivileged users that run programs inside.
    chmod 755 "$root"
  fi
  trap debian_root_cleanup EXIT INT TERM

  if [ ! -x "$root/usr/bin/apt-get" ]; then
    command -v debootstrap >/dev/null || {
      apt-get update -q
      DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
    }
    debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 \
      || { tail -20 "$root.debootstrap.log" >&2; exit 1; }
    rm -f "$root.debootstrap.log"
  fi

  debian_root_bind proc proc "$root/proc"
  debian_root_bind sysfs sysfs "$root/sys"
  debian_root_bind rbind /dev "$root/dev"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
}

inside() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    CI="${CI:-}" /bin/bash -c "cd $inside_dir && $*"
}
