#!/usr/bin/env bash
# Compile check of the Windows platform backend on a Linux machine: every translation unit
# of platform/win/ is parsed (-fsyntax-only) by the mingw-w64 compiler against the Windows
# headers. There is no Qt for Windows on Debian, so the units see the host's Qt headers;
# those are the same headers on every platform apart from the configuration they were
# built with, which is enough to check the Win32 calls and the code around them.
#
# usage: scripts/check-win.sh [UNIT.cpp ...]
# (default: every platform/win/*.cpp and the platform/*.cpp units with Windows branches)
# Exit 0 when every unit parses, 1 when one does not, 77 when no mingw-w64 compiler exists.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cxx="${MINGW_CXX:-}"
if [ -z "$cxx" ]; then
  for candidate in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++; do
    if command -v "$candidate" >/dev/null 2>&1; then cxx="$candidate"; break; fi
  done
fi
if [ -z "$cxx" ]; then
  echo "check-win: no mingw-w64 C++ compiler (scripts/install-deps.sh installs g++-mingw-w64-x86-64-posix)" >&2
  exit 77
fi

qt_include="${QT_INCLUDE_DIR:-$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)}"
if [ ! -d "$qt_include/QtCore" ]; then
  echo "check-win: no Qt headers at $qt_include (set QT_INCLUDE_DIR)" >&2
  exit 1
fi
qt_flags=(-isystem "$qt_include")
for module in QtCore QtGui QtWidgets QtNetwork QtSerialPort; do
  qt_flags+=(-isystem "$qt_include/$module")
done

if [ $# -gt 0 ]; then
  units=("$@")
else
  units=("$here"/platform/win/*.cpp)
  for unit in "$here"/platform/*.cpp; do
    if grep -q "Q_OS_WIN" "$unit"; then units+=("$unit"); fi
  done
fi

failed=0
for unit in "${units[@]}"; do
  if "$cxx" -std=c++20 -fsyntax-only -Wall -Wextra -Werror \
      -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0A00 \
      -DQT_DISABLE_DEPRECATED_BEFORE=0x060000 -DLUTLOADER_VERSION='"check"' \
      -I"$here" "${qt_flags[@]}" "$unit"; then
    echo "check-win: ok   ${unit#"$here"/}"
  else
    echo "check-win: FAIL ${unit#"$here"/}"
    failed=1
  fi
done
exit $failed
