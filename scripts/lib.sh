# Shared by scripts/run, scripts/test and scripts/bench. Source it.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

say() { printf '== %s\n' "$*" >&2; }

# Installs what the build and the tests need, once.
setup_packages() {
    local want=(cmake ninja-build g++ googletest libgtest-dev
        g++-mingw-w64-i686-posix mingw-w64-i686-dev
        g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
        wine wine32:i386 wine64 xvfb xdotool x11-utils xauth fonts-wqy-microhei imagemagick
        clang libclang-rt-14-dev python3)
    local missing=()
    for p in "${want[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then dpkg --add-architecture i386; fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null
    apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# Whether this machine executes 32-bit code. Some kernels run with 32-bit
# emulation switched off; the 32-bit Wine loader then cannot start at all.
can_run_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# The build the end-to-end tests run: the PE32 build where 32-bit code runs,
# else the same sources built as PE32+ for the 64-bit Wine.
choose_arch() {
    if can_run_32bit; then
        ARCH=win32 WINE=/usr/lib/wine/wine
    else
        ARCH=win64 WINE=/usr/lib/wine/wine64
    fi
    export ARCH WINE
}

build_preset() {
    local preset=$1
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -- -k 0 >&2
}

# A display: the caller's, or an Xvfb of our own.
XVFB_PID=
ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local n
    for n in $(seq 91 120); do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
    done
    say "no display could be started"
    return 1
}

# A Wine prefix of our own under build/, with one 1024x768 desktop for every
# program of the prefix.
wine_prefix() {
    export WINEPREFIX="${VENNET_WINEPREFIX:-$BUILD/wineprefix-$ARCH}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/.vennet-ready-2" ]; then
        say "creating the Wine prefix (once)"
        "$WINE" wineboot -i >/dev/null 2>&1 || true
        "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        # Windows ships the dialog font 宋体 (SimSun); a bare prefix does not.
        # Stand the installed Chinese font in for it, so the input box reads.
        python3 - "$WINEPREFIX/fonts.reg" <<'PY'
import sys
text = ('Windows Registry Editor Version 5.00\r\n\r\n'
        '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        '"\u5b8b\u4f53"="WenQuanYi Micro Hei"\r\n"SimSun"="WenQuanYi Micro Hei"\r\n')
open(sys.argv[1], 'wb').write(b'\xff\xfe' + text.encode('utf-16-le'))
PY
        "$WINE" regedit /S "Z:$(echo "$WINEPREFIX/fonts.reg" | tr / '\\')" >/dev/null 2>&1
        /usr/lib/wine/wineserver -w || true
        touch "$WINEPREFIX/.vennet-ready-2"
    fi
}

stop_wine() { WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; }

cleanup() {
    [ -n "${WINEPREFIX:-}" ] && stop_wine
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}
