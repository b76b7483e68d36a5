#!/usr/bin/env bash
# Makes the installer and the portable zip from a built program and its sample sounds.
#   installer/make-package.sh EXE SOUNDS_DIR VERSION OUT_DIR
# Writes OUT_DIR/zirrotone-VERSION-x64-setup.exe and OUT_DIR/zirrotone-VERSION-x64-portable.zip.
# The same inputs give the same bytes: the zip's file times are SOURCE_DATE_EPOCH (from the
# environment, else the time of the checkout's commit, else, outside git, the time of the
# top-level CMakeLists.txt as the source archive has it), and the installer stores none.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
[ $# -eq 4 ] || { echo "usage: $0 EXE SOUNDS_DIR VERSION OUT_DIR" >&2; exit 2; }
exe=$(realpath "$1")
sounds=$(realpath "$2")
version=$3
mkdir -p "$4"
out=$(realpath "$4")

if ! command -v makensis >/dev/null || ! command -v zip >/dev/null; then
  source "$root/scripts/wine-env.sh"
  zt_install_deps
fi

mapfile -t names < <(cd "$sounds" && ls -- *.wav *.mp3 2>/dev/null | sort)
[ ${#names[@]} -gt 0 ] || { echo "no sounds in $sounds" >&2; exit 1; }

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
    SOURCE_DATE_EPOCH=$(stat -c %Y "$root/CMakeLists.txt")
fi

stage=$(mktemp -d "${TMPDIR:-/tmp}/zt-package.XXXXXX")
trap 'rm -rf "$stage"' EXIT

# Windows line ends for the texts people open with Notepad.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
crlf "$root/LICENSE" "$stage/LICENSE.txt"

# The installer's list of sounds, so that the uninstaller removes exactly those.
{
  echo '!macro InstallSounds'
  for n in "${names[@]}"; do echo "  File \"$sounds/$n\""; done
  echo '!macroend'
  echo '!macro RemoveSounds'
  for n in "${names[@]}"; do echo "  Delete \"\$INSTDIR\\sounds\\$n\""; done
  echo '!macroend'
  echo "!define SOUNDS_BYTES $(cd "$sounds" && cat -- "${names[@]}" | wc -c)"
} >"$stage/sounds.nsh"

setup=$out/zirrotone-$version-x64-setup.exe
makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DEXE="$exe" -DLICENSE="$stage/LICENSE.txt" \
  -DICON="$root/resources/zirrotone.ico" -DSOUNDS_NSH="$stage/sounds.nsh" -DPICTURES="$here" -DOUTFILE="$setup" \
  "$here/zirrotone.nsi"

# The portable zip: one folder with the program and its sounds beside it, so that it
# starts among them when opened from Explorer.
folder=$stage/zirrotone-$version
mkdir -p "$folder"
cp "$exe" "$folder/zirrotone.exe"
for n in "${names[@]}"; do cp "$sounds/$n" "$folder/"; done
cp "$stage/LICENSE.txt" "$folder/LICENSE.txt"
sed "s/@VERSION@/$version/g" "$here/readme-portable.txt" >"$stage/readme.tmp"
crlf "$stage/readme.tmp" "$folder/README.txt"
zip_file=$out/zirrotone-$version-x64-portable.zip
rm -f "$zip_file"
# Fixed times, modes and order, and no extra fields, so that the same inputs give the same
# archive. Zip stores local times: in UTC they are the same on every machine.
find "$folder" -type d -exec chmod 755 {} +
find "$folder" -type f -exec chmod 644 {} +
find "$folder" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$stage" && find "zirrotone-$version" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$zip_file")
echo "$setup"
echo "$zip_file"
