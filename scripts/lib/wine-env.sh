# wine-env.sh - sourced by scripts/test and scripts/run: a private X display and
# a Wine prefix that is booted once, set to Windows 10 and then reused.

ps_wine_env() {   # <prefix> <log folder>
  export WINEPREFIX="$1" WINEARCH=win64 WINEDEBUG=-all
  # No Mono or Gecko download prompts in a headless prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Files the shell deletes go to a trash of ours, not the host's.
  export XDG_DATA_HOME="$2/xdg-data"
  mkdir -p "$XDG_DATA_HOME" "$2"
}

ps_start_xvfb() {   # <log file>; sets DISPLAY and PS_XVFB_PID
  local fifo n
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$fifo" >"$1" 2>&1 &
  PS_XVFB_PID=$!
  read -r -t 20 n <"$fifo" || true
  rm -f "$fifo"
  if [ -z "${n:-}" ]; then
    echo "cannot start Xvfb (see $1)" >&2
    return 1
  fi
  export DISPLAY=":$n"
}

ps_stop_xvfb() {
  if [ -n "${PS_XVFB_PID:-}" ]; then
    kill "$PS_XVFB_PID" 2>/dev/null || true
    wait "$PS_XVFB_PID" 2>/dev/null || true
    PS_XVFB_PID=
  fi
}

# Debian's Wine looks for the fonts it ships (package fonts-wine) in
# "<data folder>\../fonts", a path its NT layer never resolves, so it never
# finds Marlett, the font of caption buttons, check marks and scroll arrows,
# and draws them as the letters "0", "1", "r" of a fallback font. The
# prefix's own font folder is always read: Marlett goes there.
ps_prefix_fonts() {   # WINEPREFIX must be set
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" font
  [ -f "$fonts/marlett.ttf" ] && return 0
  font=$(dpkg -L fonts-wine 2>/dev/null | grep -m 1 '/marlett\.ttf$' || true)
  if [ -z "$font" ] || [ ! -f "$font" ]; then
    echo "no marlett.ttf from fonts-wine: caption buttons are drawn as letters" >&2
    return 0
  fi
  mkdir -p "$fonts"
  cp "$font" "$fonts/marlett.ttf"
}

ps_prepare_prefix() {   # <log file>; WINEPREFIX and DISPLAY must be set
  local log=$1 users
  if [ -f "$WINEPREFIX/.ps-ready" ]; then
    ps_prefix_fonts
    return 0
  fi
  rm -rf "$WINEPREFIX"
  {
    wine wineboot -i
    wine winecfg -v win10
    # Unmanaged windows maximise and minimise as they do on Windows.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    # A crash ends the process instead of opening the debugger dialog.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d 'false' /f
    wineserver -w
  } >"$log" 2>&1 || { echo "cannot prepare the Wine prefix (see $log)" >&2; return 1; }
  # The shell folders of a fresh prefix link to the host's home: make them ours.
  for users in "$WINEPREFIX"/drive_c/users/*; do
    for link in "$users"/*; do
      if [ -L "$link" ]; then
        rm -f "$link"
        mkdir -p "$link"
      fi
    done
  done
  ps_prefix_fonts
  touch "$WINEPREFIX/.ps-ready"
}

ps_start_dual_xorg() {   # <log file>; sets DISPLAY and PS_XORG_PID
  # Xorg's dummy driver with two monitors side by side (dual-monitor.conf):
  # 1920x1080 at 0,0 and 1280x1024 at 1920,0, changed by ChangeDisplaySettingsEx.
  local fifo n here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  (cd "$here" && exec Xorg -displayfd 3 -config dual-monitor.conf -noreset -nolisten tcp -logfile "$1" \
    3>"$fifo" >/dev/null 2>&1) &
  PS_XORG_PID=$!
  read -r -t 20 n <"$fifo" || true
  rm -f "$fifo"
  if [ -z "${n:-}" ]; then
    echo "cannot start Xorg (see $1)" >&2
    return 1
  fi
  export DISPLAY=":$n"
}

ps_stop_dual_xorg() {
  if [ -n "${PS_XORG_PID:-}" ]; then
    kill "$PS_XORG_PID" 2>/dev/null || true
    wait "$PS_XORG_PID" 2>/dev/null || true
    PS_XORG_PID=
  fi
}
