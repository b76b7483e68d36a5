#!/usr/bin/env bash
# Builds the program and its package a second time, in a tree of its own, and checks that
# the same sources gave the same bytes: zirrotone.exe, the installer and the zip.
#   installer/check-reproducible.sh WORK_DIR EXE DIST_DIR VERSION
# EXE and DIST_DIR are the first build's program and package (make-package.sh's output).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 4 ] || { echo "usage: $0 WORK_DIR EXE DIST_DIR VERSION" >&2; exit 2; }
work=$1 exe=$2 dist=$3 version=$4

# Another folder, at another time: neither may show in what is built. The program is linked
# afresh each time; the compiled objects and the sounds are kept between runs.
[ -f "$work/build.ninja" ] ||
  cmake -S "$root" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
rm -f "$work/bin/zirrotone.exe"
cmake --build "$work" -j2 --target zirrotone zt_sounds >/dev/null
"$root/installer/make-package.sh" "$work/bin/zirrotone.exe" "$work/sounds" "$version" "$work/dist" >/dev/null

status=0
for pair in "$exe:$work/bin/zirrotone.exe" \
  "$dist/zirrotone-$version-x64-setup.exe:$work/dist/zirrotone-$version-x64-setup.exe" \
  "$dist/zirrotone-$version-x64-portable.zip:$work/dist/zirrotone-$version-x64-portable.zip"; do
  first=${pair%%:*} second=${pair#*:}
  a=$(sha256sum <"$first" | cut -d' ' -f1)
  b=$(sha256sum <"$second" | cut -d' ' -f1)
  if [ "$a" = "$b" ]; then
    echo "same     $a  $(basename "$first")"
  else
    echo "DIFFERS  $a  $first"
    echo "         $b  $second"
    status=1
  fi
done
exit $status
