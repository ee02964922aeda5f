#!/usr/bin/env bash
# Creates the machine-wide data folder of the suite, shared by every local user
# who runs the agent or the main application: the settings file, the database
# "Storage.db" with its journal files and the log live there.
#
#   sudo scripts/install-system.sh [--dir DIR] [--group GROUP] [USER ...]
#
# The folder belongs to root and to GROUP (default "lutloader"), is writable by
# the group and set-group-id, so files created there keep the group, and sticky,
# so no member can remove or replace another member's file (with a link, say).
# Nothing in it is readable or writable by other local users. The named users are
# added to the group (they see it at their next log-in). Running it again changes
# nothing that is already right.
set -euo pipefail

DIR=/var/lib/lutloader
GROUP=lutloader
USERS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --dir) DIR="$2"; shift 2 ;;
    --group) GROUP="$2"; shift 2 ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) USERS+=("$1"); shift ;;
  esac
done

if [ "$(id -u)" -ne 0 ]; then
  echo "install-system: run as root (sudo $0 $*)" >&2
  exit 1
fi

if ! getent group "$GROUP" >/dev/null; then
  groupadd --system "$GROUP"
  echo "install-system: created group $GROUP"
fi
install -d -m 3770 -o root -g "$GROUP" "$DIR"
chmod 3770 "$DIR"
# Files made before the group existed, or copied in by hand, join the share too;
# links are left alone (-P, ! -type l), never followed.
chgrp -R -P "$GROUP" "$DIR"
find "$DIR" -type d -exec chmod 3770 {} +
find "$DIR" -type f -exec chmod ug+rw,o-rwx {} +
# Where ACLs work, new files are group-writable whatever the creating user's umask.
if command -v setfacl >/dev/null 2>&1; then
  setfacl -R -m "g:$GROUP:rwX" -m "d:g:$GROUP:rwX" "$DIR" 2>/dev/null ||
    echo "install-system: no ACL support on $DIR; the programs widen file modes themselves"
fi
for user in "${USERS[@]}"; do
  usermod -a -G "$GROUP" "$user"
  echo "install-system: added $user to $GROUP"
done
echo "install-system: $DIR ready (group $GROUP)"
