# Sourced by scripts/test, scripts/run and scripts/bench: the Wine environment Zirrotone
# runs in on Linux. `zt_env_up` starts what is missing (a virtual display when there is no
# DISPLAY, a PulseAudio server with a null sink when PULSE_SERVER is not set, the Wine
# prefix on first use); `zt_env_down` stops exactly what zt_env_up started.
#
# ZT_NULL_SINK_WANTED=1 (scripts/test, scripts/bench) always plays into a null sink.
# ZT_WINEPREFIX overrides the prefix (default build/wineprefix) so that two checkouts or
# two developers on one machine do not share one wineserver.

ZT_ROOT=${ZT_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${ZT_WINEPREFIX:-$ZT_ROOT/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
ZT_DESKTOP=${ZT_DESKTOP:-1280x800}
ZT_STARTED_PIDS=()

zt_log() { echo "[zirrotone] $*" >&2; }

zt_start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n=90
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  # -noreset keeps the root window's properties when the last client goes, between tests.
  Xvfb :$n -screen 0 ${ZT_DESKTOP}x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  ZT_STARTED_PIDS+=($!)
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done
  export DISPLAY=:$n
  # The X resources a Debian desktop session loads. A display without any makes Xlib look
  # for ~/.Xdefaults again on every lookup, and Wine's X11 driver looks up two for each
  # font it selects: on a bare Xvfb, every text painted costs two file opens more.
  for _ in $(seq 20); do
    xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "*customization:	-color
" 2>/dev/null && break
    sleep 0.05
  done
  ZT_VIRTUAL_DISPLAY=1
  zt_log "no display: started a virtual one on $DISPLAY"
}

zt_start_sound() {
  [ -n "${PULSE_SERVER:-}" ] && return 0
  # On a desktop with its own sound server, play there (scripts/run); tests and virtual
  # displays get a null sink that they can record.
  if [ -z "${ZT_NULL_SINK_WANTED:-}${ZT_VIRTUAL_DISPLAY:-}" ] && pactl info >/dev/null 2>&1; then
    return 0
  fi
  local dir
  dir=$(mktemp -d "${TMPDIR:-/tmp}/zt-pulse.XXXXXX")
  ZT_PULSE_DIR=$dir
  # As root PulseAudio warns but runs; -n skips the desktop configuration.
  HOME=$dir XDG_RUNTIME_DIR=$dir pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --disallow-exit --use-pid-file=no --log-target=stderr --log-level=error \
    --load="module-null-sink sink_name=zt_null sink_properties=device.description=zt_null" \
    --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
    --load="module-always-sink" 2>"$dir/log" &
  ZT_STARTED_PIDS+=($!)
  export PULSE_SERVER=unix:$dir/native
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
  pactl set-default-sink zt_null >/dev/null 2>&1
  zt_log "sound goes to a null sink ($PULSE_SERVER); record it with: parec -d zt_null.monitor"
}

# Wine draws the title-bar buttons with glyphs of its own Marlett font. This Wine loads
# none of the fonts in its data folder (fonts-wine), so the buttons came out as the letters
# "0 1 r" in a text font; a font in the prefix's Fonts folder is loaded.
zt_install_symbol_font() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts font=/usr/share/wine/fonts/marlett.ttf
  [ -f "$fonts/marlett.ttf" ] && return 0
  [ -f "$font" ] && [ -d "$fonts" ] && cp "$font" "$fonts/marlett.ttf"
}

zt_init_prefix() {
  zt_prepare_prefix
  zt_install_symbol_font
}

zt_prepare_prefix() {
  [ -f "$WINEPREFIX/.zt-ready" ] && return 0
  zt_log "preparing the Wine prefix $WINEPREFIX (once)"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # A virtual desktop named "shell" (which gives it a taskbar): Wine draws the window frames, a taskbar and the notification area
  # itself, so they look and behave the same with or without a window manager.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d shell /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /t REG_SZ /d "$ZT_DESKTOP" /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.zt-ready"
}

zt_env_up() {
  zt_start_display
  zt_start_sound
  zt_init_prefix
  export ZT_ENV_UP=1
}

zt_env_down() {
  wineserver -k >/dev/null 2>&1
  local pid
  for pid in "${ZT_STARTED_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${ZT_STARTED_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
  ZT_STARTED_PIDS=()
  [ -n "${ZT_PULSE_DIR:-}" ] && rm -rf "$ZT_PULSE_DIR"
  ZT_PULSE_DIR=
}

# wine PROGRAM ARGS, started once more when Wine says it could not start it (seen, rarely,
# while other tests start programs in the same prefix: "ShellExecuteEx failed"), or when it
# failed without a word (our tools say why they fail). For the tools the test scripts
# measure with, which may safely run twice.
zt_wine() {
  local err status
  err=$(mktemp)
  wine "$@" 2>"$err"
  status=$?
  if [ "$status" -ne 0 ] && { grep -q "ShellExecuteEx failed" "$err" || [ ! -s "$err" ]; }; then
    zt_log "Wine could not start $1; starting it again"
    wine "$@" 2>"$err"
    status=$?
  fi
  cat "$err" >&2
  rm -f "$err"
  return "$status"
}

# For a test script: a scratch folder in $work, removed at exit, and the environment,
# started here (and stopped at exit) unless the caller has it up already.
zt_test_setup() {
  work=$(mktemp -d)
  ZT_OWN_ENV=
  trap 'rm -rf "$work"; [ -z "$ZT_OWN_ENV" ] || zt_env_down' EXIT
  if [ -z "${ZT_ENV_UP:-}" ]; then
    ZT_OWN_ENV=1
    zt_env_up
  fi
}

# Installs what the build and the tests need when something is missing (Debian 12).
zt_install_deps() {
  local want=(g++-mingw-w64-x86-64-posix cmake ninja-build g++ python3 googletest
    wine wine64 fonts-wine xvfb x11-utils xdotool imagemagick
    pulseaudio pulseaudio-utils gstreamer1.0-plugins-base gstreamer1.0-plugins-good sox lame
    nsis zip unzip clang lld clang-tidy cppcheck locales)
  local missing=() pkg
  for pkg in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  local sudo=
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  if [ ${#missing[@]} -gt 0 ]; then
    zt_log "installing: ${missing[*]}"
    $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
      --no-install-recommends "${missing[@]}" >/dev/null || return 1
  fi
  zt_generate_locale "$ZT_COMMA_LOCALE" "$sudo" && zt_generate_locale "$ZT_TWELVE_HOUR_LOCALE" "$sudo"
}

# A locale whose decimal separator is a comma: the tests start the program under it
# (LANG) to check that numbers are read the user's way. Wine takes a process's locale from
# its LANG, and only from a locale the system has generated.
ZT_COMMA_LOCALE=de_DE.UTF-8
# A locale that writes times on a 12-hour clock ("7:30 AM"), for the times the program shows.
ZT_TWELVE_HOUR_LOCALE=en_US.UTF-8

zt_locale_present() {
  local want
  want=$(tr '[:upper:]' '[:lower:]' <<<"${1/UTF-8/utf8}")
  locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx "$want"
}

# Generates the locale (name as in /etc/locale.gen, e.g. de_DE.UTF-8) when it is missing.
zt_generate_locale() {
  local name=$1 sudo=${2:-} line
  zt_locale_present "$name" && return 0
  line="$name ${name##*.}"
  zt_log "generating the locale $name"
  if grep -qE "^#? *$line\$" /etc/locale.gen 2>/dev/null; then
    $sudo sed -i -E "s/^# *($line)\$/\1/" /etc/locale.gen
  else
    echo "$line" | $sudo tee -a /etc/locale.gen >/dev/null
  fi
  $sudo locale-gen >/dev/null && zt_locale_present "$name"
}
