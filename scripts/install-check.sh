#!/usr/bin/env bash
# Checks what a Linux installation of LutLoader gets:
#   1. builds a release tree (or uses --build DIR), installs it into a DESTDIR with prefix /usr
#      and compares the installed files with the list below, file for file;
#   2. checks that the programs answer --help on standard output with 0 and that the man pages,
#      desktop entries and user unit are well formed;
#   3. unless --no-deb: makes the Debian package with cpack and, as root with debootstrap,
#      installs it with "apt install ./lutloader_*.deb" into a fresh Debian 12 tree made for the
#      purpose, runs the agent there, purges it and checks that nothing of it is left; the tree
#      is removed afterwards, so the machine stays as it was.
#
#   scripts/install-check.sh [--build DIR] [--no-deb] [--keep] [--debs TARBALL]
#
# --debs takes the packages of the Debian tree from a tarball made earlier with
# "debootstrap --variant=minbase --make-tarball=TARBALL bookworm DIR" instead of the mirror.
set -euo pipefail
cd "$(dirname "$0")/.."
SOURCE=$PWD
BUILD=""
DEB=1
KEEP=0
DEBS=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build) BUILD="$2"; shift 2 ;;
    --no-deb) DEB=0; shift ;;
    --keep) KEEP=1; shift ;;
    --debs) DEBS="$2"; shift 2 ;;
    -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
    *) echo "install-check: unknown argument $1" >&2; exit 2 ;;
  esac
done

EXPECTED="
etc/xdg/autostart/lutloader.desktop
usr/bin/lutloader
usr/bin/lutloaderctl
usr/lib/modules-load.d/lutloader-i2c.conf
usr/lib/systemd/user/lutloader.service
usr/lib/sysusers.d/lutloader.conf
usr/lib/tmpfiles.d/lutloader.conf
usr/lib/udev/rules.d/60-lutloader-i2c.rules
usr/share/applications/lutloader.desktop
usr/share/doc/lutloader/copyright
usr/share/icons/hicolor/128x128/apps/lutloader.png
usr/share/icons/hicolor/16x16/apps/lutloader.png
usr/share/icons/hicolor/22x22/apps/lutloader.png
usr/share/icons/hicolor/24x24/apps/lutloader.png
usr/share/icons/hicolor/256x256/apps/lutloader.png
usr/share/icons/hicolor/32x32/apps/lutloader.png
usr/share/icons/hicolor/48x48/apps/lutloader.png
usr/share/icons/hicolor/64x64/apps/lutloader.png
usr/share/icons/hicolor/scalable/apps/lutloader.svg
usr/share/man/man1/lutloader.1.gz
usr/share/man/man1/lutloaderctl.1.gz
"

fail() { echo "install-check: FAIL: $*" >&2; exit 1; }
WORK=$(mktemp -d /tmp/lutloader-install-check.XXXXXX)
CHROOT=""
cleanup() {
  if [ -n "$CHROOT" ]; then
    for m in proc dev/pts dev sys; do umount -l "$CHROOT/$m" 2>/dev/null || true; done
  fi
  if [ "$KEEP" = 1 ]; then echo "install-check: kept $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

if [ -z "$BUILD" ]; then
  BUILD=$SOURCE/build-pkg
  cmake -S "$SOURCE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DLUTLOADER_SANITIZE=OFF -DLUTLOADER_TESTS=OFF -DLUTLOADER_BENCH=OFF >/dev/null
  cmake --build "$BUILD" --target lutloader lutloaderctl desktop_files
fi

# 1. The staged install, with nothing done to the machine itself.
DEST=$WORK/dest
DESTDIR=$DEST cmake --install "$BUILD" --prefix /usr >"$WORK/install.log"
(cd "$DEST" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) >"$WORK/installed"
echo "$EXPECTED" | sed '/^$/d' | LC_ALL=C sort >"$WORK/expected"
if ! diff -u "$WORK/expected" "$WORK/installed"; then
  fail "the installed files differ from the expected list (- expected, + installed)"
fi
echo "install-check: $(wc -l <"$WORK/installed") files installed, as expected"
grep -q -e groupadd -e /var/lib "$WORK/install.log" && fail "the install step touched the system: $(cat "$WORK/install.log")"

# 2. What a user meets first.
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
for program in lutloader lutloaderctl; do
  out=$("$DEST/usr/bin/$program" --help) || fail "$program --help ended with $?"
  echo "$out" | grep -q "usage: $program" || fail "$program --help printed no usage line"
  page=$(MANWIDTH=100 man -l "$DEST/usr/share/man/man1/$program.1.gz" 2>"$WORK/man.err") ||
    fail "man $program does not render: $(cat "$WORK/man.err")"
  echo "$page" | grep -q "usage: $program" || fail "man $program lacks the --help text"
  [ -s "$WORK/man.err" ] && fail "man $program warns: $(cat "$WORK/man.err")"
done
for entry in usr/share/applications/lutloader.desktop etc/xdg/autostart/lutloader.desktop; do
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$DEST/$entry" || fail "$entry is not a valid desktop entry"
  fi
  grep -q '^Exec=lutloader$' "$DEST/$entry" || fail "$entry does not start lutloader"
done
grep -q '^ExecStart=/.*bin/lutloader$' "$DEST/usr/lib/systemd/user/lutloader.service" ||
  fail "the user unit does not start lutloader by its full path"
grep -q '^PartOf=graphical-session.target$' "$DEST/usr/lib/systemd/user/lutloader.service" ||
  fail "the user unit is not part of the graphical session"
echo "install-check: --help, man pages, desktop entries and user unit are right"

[ "$DEB" = 1 ] || exit 0

# 3. The Debian package on a fresh Debian 12.
(cd "$BUILD" && cpack -G DEB >"$WORK/cpack.log") || fail "cpack: $(cat "$WORK/cpack.log")"
PACKAGE=$(ls -t "$BUILD"/lutloader_*.deb | head -n 1)
dpkg-deb -c "$PACKAGE" | awk '{print $6}' | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort >"$WORK/packaged"
diff -u "$WORK/expected" "$WORK/packaged" || fail "the package holds other files than the install"
echo "install-check: $(basename "$PACKAGE") holds the same files"

if [ "$(id -u)" -ne 0 ] || ! command -v debootstrap >/dev/null; then
  echo "install-check: SKIPPED the install on a fresh Debian 12 (needs root and debootstrap)"
  exit 0
fi
# debootstrap's own default mirror unless one is given (the host's sources may name snapshots).
MIRROR=${LUTLOADER_DEBIAN_MIRROR:-}
CHROOT=$WORK/bookworm
echo "install-check: making a Debian 12 tree in $CHROOT"
debootstrap --variant=minbase ${DEBS:+--unpack-tarball="$(realpath "$DEBS")"} bookworm "$CHROOT" \
  ${MIRROR:+"$MIRROR"} >"$WORK/debootstrap.log" 2>&1 ||
  fail "debootstrap: $(tail -n 5 "$WORK/debootstrap.log")"
mount -t proc proc "$CHROOT/proc"
cp /etc/resolv.conf "$CHROOT/etc/resolv.conf"
cp "$PACKAGE" "$CHROOT/tmp/"
in_chroot() { chroot "$CHROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
in_chroot dpkg-query -W -f '${Package}\n' | LC_ALL=C sort >"$WORK/packages-before"
in_chroot apt-get update -q >"$WORK/apt.log" 2>&1 || fail "apt-get update in the tree: $(tail -n 5 "$WORK/apt.log")"
in_chroot apt-get install -y -q "/tmp/$(basename "$PACKAGE")" >>"$WORK/apt.log" 2>&1 ||
  fail "apt install of the package: $(tail -n 20 "$WORK/apt.log")"
for f in $EXPECTED; do [ -e "$CHROOT/$f" ] || fail "/$f missing after the install"; done
in_chroot getent group lutloader >/dev/null || fail "no group lutloader after the install"
# Numbers, not names: the host's group file does not know the tree's groups.
gid=$(in_chroot getent group lutloader | cut -d: -f3)
mode=$(stat -c '%a %u %g' "$CHROOT/var/lib/lutloader") || fail "no /var/lib/lutloader after the install"
[ "$mode" = "3770 0 $gid" ] || fail "/var/lib/lutloader is $mode, not 3770 root lutloader ($gid)"
in_chroot env QT_QPA_PLATFORM=offscreen lutloader --version | grep -q '^lutloader ' ||
  fail "the installed lutloader does not run"
# The programs refuse a runtime folder that others can write, so /tmp itself will not do.
in_chroot install -d -m 0700 /tmp/home /tmp/home/run
in_chroot env QT_QPA_PLATFORM=offscreen HOME=/tmp/home XDG_RUNTIME_DIR=/tmp/home/run \
  lutloaderctl --json tasks list >"$WORK/ctl.log" 2>&1 ||
  fail "the installed lutloaderctl does not run: $(tail -n 5 "$WORK/ctl.log")"
echo "install-check: the package installs on Debian 12 and its programs run"

# What the programs wrote into the shared folder is the users' calibration data: a purge keeps
# it (and so the folder); with nothing written, the folder goes.
(cd "$CHROOT/var/lib/lutloader" && find . -mindepth 1 | LC_ALL=C sort) >"$WORK/data-before"
in_chroot apt-get purge -y -q --autoremove lutloader >>"$WORK/apt.log" 2>&1 || fail "apt purge: $(tail -n 20 "$WORK/apt.log")"
for f in $EXPECTED; do [ ! -e "$CHROOT/$f" ] || fail "/$f left after the purge"; done
if [ -s "$WORK/data-before" ]; then
  (cd "$CHROOT/var/lib/lutloader" && find . -mindepth 1 | LC_ALL=C sort) >"$WORK/data-after" ||
    fail "the purge removed the shared data folder with its data"
  diff -u "$WORK/data-before" "$WORK/data-after" || fail "the purge changed the users' data"
  echo "install-check: the purge kept the data the programs wrote: $(tr '\n' ' ' <"$WORK/data-before")"
else
  [ ! -e "$CHROOT/var/lib/lutloader" ] || fail "/var/lib/lutloader left empty after the purge"
fi
# What our dependencies only recommend (ca-certificates, perl, ...) recommend each other, so apt's
# own autoremove keeps them; without that rule they must all go, or the package left something.
in_chroot apt-get autoremove --purge -y -q -o APT::AutoRemove::RecommendsImportant=false >>"$WORK/apt.log" 2>&1 ||
  fail "apt autoremove: $(tail -n 20 "$WORK/apt.log")"
in_chroot dpkg-query -W -f '${Package}\n' | LC_ALL=C sort >"$WORK/packages-after"
in_chroot dpkg-query -W lutloader >/dev/null 2>&1 && fail "dpkg still knows lutloader after the purge"
# Anything else still there came in as a dependency of a dependency that apt chose to keep
# (Debian's perl, pulled in through a recommended package); it is listed, not ours to remove.
if ! diff -u "$WORK/packages-before" "$WORK/packages-after" >"$WORK/packages.diff"; then
  grep '^-[^-]' "$WORK/packages.diff" && fail "the purge removed packages that were there before"
  echo "install-check: apt kept these dependencies of dependencies: $(grep '^+[^+]' "$WORK/packages.diff" | tr -d + | tr '\n' ' ')"
fi
echo "install-check: the package purges cleanly"
