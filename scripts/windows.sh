#!/usr/bin/env bash
# The Windows build from Debian: MinGW-w64 against a Qt 5.15 built for Windows, both
# programs and the tests into build-windows/, the whole suite under Wine, then the
# installer (segmentacia-VERSION-win64.exe) and the zip.
#
# Qt for Windows: $SEG_WINDOWS_QT (default /opt/qt5-win64) if it holds one; else the
# archive $SEG_WINDOWS_QT_ARCHIVE or ../shared/toolchains/qt5-win64-5.15.8.tar.xz beside
# the clone, unpacked there; else built from Debian's own source package (about an hour on
# two cores). Wine runs in its own prefix, $SEG_WINEPREFIX (default
# ~/.cache/segmentacia/wine).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
build=${SEG_WINDOWS_BUILD:-build-windows}
qt=${SEG_WINDOWS_QT:-/opt/qt5-win64}
jobs=$(nproc)

scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 nsis librsvg2-bin icoutils xz-utils unzip

# Qt 5.15.8 for Windows from Debian's source, configured as the prebuilt archive was.
build_qt() {
  local work
  work=$(mktemp -d)
  if ! grep -rqs '^deb-src .*bookworm' /etc/apt/sources.list /etc/apt/sources.list.d/ \
     && ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/; then
    echo "deb-src http://deb.debian.org/debian bookworm main" \
      > /etc/apt/sources.list.d/segmentacia-src.list
  fi
  apt-get update -q
  (cd "$work" && apt-get source --download-only qtbase-opensource-src \
     && tar xf qtbase-opensource-src_5.15.8+dfsg.orig.tar.xz)
  local src="$work/qtbase-everywhere-src-5.15.8"
  # Debian leaves out the Wintab header the Windows platform plugin includes: old Wintab
  # tablets then act as a mouse (pens through Windows Ink still work).
  sed -i 's/#if QT_CONFIG(tabletevent)/#if 0/' \
    "$src/src/plugins/platforms/windows/qwindowscontext.cpp"
  perl -0pi -e 's/qtConfig\(tabletevent\)\s*\{[^}]*\}//' \
    "$src/src/plugins/platforms/windows/windows.pri"
  mkdir "$work/build"
  cd "$work/build"
  "$src/configure" -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- \
    -prefix "$qt" -release -shared -opensource -confirm-license -nomake examples \
    -nomake tests -no-opengl -no-dbus -no-icu -no-fontconfig -qt-zlib -qt-libpng \
    -qt-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz -no-feature-sql -no-feature-concurrent \
    -no-feature-vulkan -no-direct2d -no-feature-printer
  (cd src && make -j"$jobs" sub-winmain sub-corelib && make -j"$jobs" sub-gui \
     && make -j"$jobs" sub-widgets sub-testlib sub-platformsupport sub-platformheaders)
  (cd src && make sub-plugins-qmake_all) || true  # plugins/generic fails and is not needed
  (cd src/plugins && make -j"$jobs" sub-platforms sub-imageformats sub-styles)
  for d in src/tools/moc src/tools/rcc src/tools/uic src/winmain src/corelib src/gui \
           src/widgets src/testlib src/platformheaders src/platformsupport/* \
           src/plugins/platforms src/plugins/imageformats src/plugins/styles; do
    [ -f "$d/Makefile" ] && make -C "$d" install
  done
  make install_mkspecs
  cp bin/qmake "$qt/bin/"  # Qt5Core's CMake files look for it
  cd "$repo"
  rm -rf "$work"
}

if [ ! -f "$qt/lib/cmake/Qt5/Qt5Config.cmake" ]; then
  archive=${SEG_WINDOWS_QT_ARCHIVE:-$repo/../shared/toolchains/qt5-win64-5.15.8.tar.xz}
  if [ -f "$archive" ]; then
    # The archive holds opt/qt5-win64.
    unpacked=$(mktemp -d)
    tar -C "$unpacked" -xJf "$archive"
    mkdir -p "$(dirname "$qt")"
    rm -rf "$qt"
    mv "$unpacked/opt/qt5-win64" "$qt"
    rm -rf "$unpacked"
  else
    build_qt
  fi
fi

# A Wine prefix of our own, with the null display driver: without a display the default
# one makes every start wait about ten seconds for a desktop that never comes.
export WINEPREFIX=${SEG_WINEPREFIX:-$HOME/.cache/segmentacia/wine}
export WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i > /dev/null 2>&1 || true
fi
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null
wineserver -w

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DSEG_WINDOWS_QT="$qt" -DCMAKE_BUILD_TYPE=Release -DSEG_BUILD_BENCH=OFF
cmake --build "$build" -j"$jobs"
ctest --test-dir "$build" --output-on-failure -j"$jobs"

rm -f "$build"/segmentacia-*-win64.*
(cd "$build" && cpack -G NSIS && cpack -G ZIP)
ls -l "$build"/segmentacia-*-win64.exe "$build"/segmentacia-*-win64.zip
