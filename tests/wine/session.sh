#!/usr/bin/env bash
# session.sh start|stop <build-dir>
# One throwaway Wine prefix under the build tree, one wineserver kept alive and
# one virtual X display for a whole test run. `start` leaves the settings in
# <build-dir>/wine-session/env for run.sh; `stop` ends the server and display.
set -euo pipefail
action=${1:?start or stop}
build=$(cd "${2:?build dir}" && pwd)
state=$build/wine-session
env_file=$state/env
here=$(cd "$(dirname "$0")" && pwd)
wine_dir=/usr/lib/wine

stop() {
  # The read-only folder (see start) goes before anything below it is removed.
  if mountpoint -q "$state/readonly" 2>/dev/null; then umount "$state/readonly" || true; fi
  "$here/../ntfs/wine-drive.sh" unmount "$state"
  [ -f "$env_file" ] || return 0
  # shellcheck disable=SC1090
  source "$env_file"
  "$wine_dir/wineserver" -k 2>/dev/null || true
  if [ -f "$state/xvfb.pid" ]; then
    local pid
    pid=$(cat "$state/xvfb.pid")
    kill "$pid" 2>/dev/null || true
    # Gone before the next session looks for a free display.
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    rm -f "$state/xvfb.pid"
  fi
}

start() {
  stop
  rm -rf "$state"
  mkdir -p "$state"
  export WINEPREFIX=$state/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

  if [ -z "${QUARVEL_KEEP_DISPLAY:-}" ]; then
    # Xvfb picks a free display itself and writes its number when it accepts
    # connections: a display chosen here could be taken, or still be ending,
    # by the time Xvfb starts, and Wine would then have no display at all.
    local number_file=$state/xvfb.display
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
      3>"$number_file" >"$state/xvfb.log" 2>&1 </dev/null &
    echo $! >"$state/xvfb.pid"
    local n=""
    for _ in $(seq 1 200); do
      n=$(tr -dc 0-9 <"$number_file")
      [ -n "$n" ] && break
      kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null || break
      sleep 0.05
    done
    if [ -z "$n" ]; then
      echo "wine session: the virtual display did not start:" >&2
      cat "$state/xvfb.log" >&2
      exit 1
    fi
    export DISPLAY=":$n"
  fi

  # A folder nobody can write to, as a CD or a protected place is: a read-only
  # file system, which holds even for root. Only root can mount it; without it
  # the scenarios that need it say they were skipped.
  mkdir -p "$state/readonly"
  if [ "$(id -u)" -eq 0 ]; then
    mount -t tmpfs -o ro,size=64k quarvel-readonly "$state/readonly" 2>/dev/null || true
  fi

  # One server kept alive for the run, so each test program starts in a fraction
  # of a second; it puts itself in the background.
  mkdir -p "$WINEPREFIX"
  "$wine_dir/wineserver" -p </dev/null >/dev/null 2>&1
  "$wine_dir/wine64" wineboot -i </dev/null >"$state/wineboot.log" 2>&1
  # Drive D: as an NTFS volume whose MFT the lister can read raw (see the script).
  "$here/../ntfs/wine-drive.sh" mount "$state" "$WINEPREFIX" >"$state/ntfs-d.log" 2>&1 || true

  {
    echo "export WINEPREFIX='$WINEPREFIX'"
    echo "export WINEDEBUG='$WINEDEBUG'"
    echo "export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'"
    echo "export DISPLAY='${DISPLAY:-}'"
  } >"$env_file"
  echo "wine session: prefix $WINEPREFIX, display ${DISPLAY:-none}"
}

case $action in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop <build-dir>" >&2; exit 2 ;;
esac
