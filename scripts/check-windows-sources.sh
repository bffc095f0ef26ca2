#!/usr/bin/env bash
# Syntax-checks the Windows-only sources that use Qt with the mingw-w64 compiler
# against the system's Qt headers (there is no Windows Qt to link against here).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cxx=${MINGW_CXX:-x86_64-w64-mingw32-g++}
qt=$(qmake -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt5)
status=0
for src in "$root"/hid/DeviceNotifier_win.cpp "$root"/settings/LogFile_win.cpp "$root"/update/OwnExecutable_win.cpp; do
  if "$cxx" -std=c++17 -fsyntax-only -Wno-attributes -Wall -Wextra -Werror -fPIC \
      -I"$root" -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets" "$src"; then
    echo "ok: ${src#$root/}"
  else
    echo "FAILED: ${src#$root/}"; status=1
  fi
done
exit $status
