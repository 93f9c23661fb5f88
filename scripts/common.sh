# Shared set-up for scripts/test and scripts/run: sourced, not executed.
# Installs what is missing, picks the Wine loader this host can execute and prepares an isolated Wine prefix.

PICTOR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

pictor_log() { printf '[pictor] %s\n' "$*" >&2; }

# Packages are checked one by one so that a machine with everything in place does no apt work at all.
# Arguments name further packages that one script needs (the packaging tools, say).
pictor_install_packages() {
    local wanted=(cmake ninja-build googletest xvfb xauth x11-utils imagemagick python3
                  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
                  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
                  wine wine64 wine32:i386 "$@")
    local missing=() p
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    pictor_log "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    # A mirror caught mid-sync fails one index now and then; the install below still works when the
    # packages it needs are in the indexes that did arrive, and says so plainly when they are not.
    local attempt
    for attempt in 1 2 3; do
        $sudo apt-get update -q && break
        pictor_log "apt-get update failed (attempt $attempt of 3)"
        [ "$attempt" -lt 3 ] && sleep 20
    done
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Wine runs 32-bit programs only where the kernel executes 32-bit code. Where it cannot (ia32 emulation
# switched off), the same sources are built for x86-64 and the tests run under the 64-bit loader.
pictor_pick_arch() {
    if [ -n "${PICTOR_ARCH:-}" ]; then return 0; fi
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        PICTOR_ARCH=win32
    else
        PICTOR_ARCH=win64
        pictor_log "this host cannot execute 32-bit code: tests run the 64-bit build under wine64"
    fi
    export PICTOR_ARCH
}

pictor_wine_env() {
    local build_dir="$1"
    export PICTOR_BUILD_DIR="$build_dir"
    export WINEPREFIX="$build_dir/wineprefix"
    export HOME="$build_dir/home"
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEDEBUG="${WINEDEBUG:--all}"
    if [ "$PICTOR_ARCH" = win32 ]; then
        export WINEARCH=win32 PICTOR_WINE=/usr/lib/wine/wine PICTOR_WINESERVER=/usr/lib/wine/wineserver32
    else
        export WINEARCH=win64 PICTOR_WINE=/usr/lib/wine/wine64 PICTOR_WINESERVER=/usr/lib/wine/wineserver64
    fi
    mkdir -p "$HOME"
}

# Builds a preset into $PICTOR_BUILD_ROOT/<preset> (default: build/<preset>).
pictor_build() {
    local preset="$1"
    local dir="${PICTOR_BUILD_ROOT:-$PICTOR_ROOT/build}/$preset"
    cmake --preset "$preset" -B "$dir" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

# Starts a private Xvfb on a free display; pictor_stop_x stops it again.
pictor_start_x() {
    local fifo
    fifo="$(mktemp -u)"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    PICTOR_XVFB_PID=$!
    local display
    read -r display <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$display"
    pictor_log "virtual X server on $DISPLAY"
}

pictor_stop_x() {
    if [ -n "${PICTOR_XVFB_PID:-}" ]; then
        kill "$PICTOR_XVFB_PID" 2>/dev/null || true
        wait "$PICTOR_XVFB_PID" 2>/dev/null || true
        PICTOR_XVFB_PID=""
    fi
}

pictor_boot_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        pictor_log "creating Wine prefix $WINEPREFIX"
    fi
    "$PICTOR_WINE" wineboot -i >/dev/null 2>&1 || true
    # Wine draws window frames itself, as Windows does, instead of waiting on a window manager that the
    # virtual X server does not have (hiding a managed window would stall for two seconds).
    "$PICTOR_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    "$PICTOR_WINESERVER" -w
}

pictor_stop_wine() {
    [ -n "${PICTOR_WINESERVER:-}" ] && [ -n "${WINEPREFIX:-}" ] && "$PICTOR_WINESERVER" -k 2>/dev/null || true
}

# 32-bit Windows programs (the installer, the shipped Pictor.exe) on hosts whose kernel runs no 32-bit code:
# qemu-i386 runs the 32-bit Wine loader, registered as binfmt_misc handler only inside a private user and
# mount namespace, so nothing outside that namespace sees it. Where the kernel runs 32-bit code, nothing is
# emulated. The qemu-user of bookworm itself is far too slow; the backports one is used.
pictor_host_runs_i386() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

pictor_install_i386_emulation() {
    pictor_host_runs_i386 && return 0
    local version
    version="$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)"
    if [ -n "$version" ] && dpkg --compare-versions "$version" ge 1:10; then return 0; fi
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        pictor_log "adding the bookworm-backports suite to apt's sources"
        printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
            $sudo tee /etc/apt/sources.list.d/pictor-backports.sources >/dev/null
    fi
    $sudo apt-get update -q || pictor_log "apt-get update reported an error; going on"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user
}

# Runs a command where 32-bit x86 programs can execute (see above).
pictor_with_i386() {
    if pictor_host_runs_i386; then
        "$@"
        return
    fi
    # The mask leaves out the ELF class's neighbours exactly as Debian's own qemu-i386 registration does.
    unshare --user --map-root-user --mount bash -c '
        set -e
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
        printf "%s" ":pictor-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:FP" \
            >/proc/sys/fs/binfmt_misc/register
        exec "$@"' pictor-i386 "$@"
}
