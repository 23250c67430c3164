# Sourced by ./test and ./run: the project's Wine prefix and quiet Wine.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="$ROOT/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="

# One persistent Wine server for the many short test processes (a process
# start drops from about 3 s to under 0.1 s). All its descriptors go to
# /dev/null so nothing waits on it; it is stopped when the script ends.
# The first Wine process also starts the prefix's services, which live as
# long as the server and keep whatever output they inherited open: start
# them here with nothing inherited, or CTest would wait on them for ever.
# A small program with a window (tools/keepalive, built in the 64-bit
# tree), started the same way,
# keeps the services and the desktop up for the whole run: Wine ends the
# desktop whenever no program uses it, and a desktop started again by a test
# program would hold that test's output open until CTest gives up on it.
start_wineserver() {
    setsid wineserver -p </dev/null >/dev/null 2>&1 &
    trap stop_wineservers EXIT
    sleep 0.5
    local keepalive="$ROOT/build/win64/bin/keepalive.exe" ready="$ROOT/build/keepalive64.ready"
    "$ROOT/scripts/build-tool" win64 keepalive || return 1
    rm -f "$ready"
    setsid wine "$keepalive" "Z:${ready//\//\\}" </dev/null >/dev/null 2>&1 &
    for _ in $(seq 300); do
        [ -f "$ready" ] && return 0
        sleep 0.1
    done
    echo "env.sh: the Wine desktop did not come up" >&2
    return 1
}

# The 32-bit programs get a server of their own (scripts/win32), on an X
# display of its own: with both Wine desktops on one display, 64-bit test
# programs at times hung at their exit while 32-bit ones ran. It fails, and
# says why, where they cannot run. Stopped with the 64-bit one.
start_wineserver32() {
    DISPLAY= XAUTHORITY= "$ROOT/scripts/win32" start
}

stop_wineservers() {
    wineserver -k >/dev/null 2>&1 || true
    "$ROOT/scripts/win32" stop >/dev/null 2>&1 || true
}
