# Shared set-up for the scripts of scripts/ and bench/: sourced, not executed.
# Installs what is missing, sets up Wine and an isolated prefix for a build folder, and emulates 32-bit x86
# where this kernel runs no 32-bit code.

PICTOR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

pictor_log() { printf '[pictor] %s\n' "$*" >&2; }

pictor_sudo() {
    if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi
}

pictor_missing_packages() {
    local p
    if pictor_apt_simulated; then
        printf '%s\n' "$@"
        return 0
    fi
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
    done
    return 0
}

# PICTOR_APT_SIMULATE=1: every package counts as missing and apt-get only simulates (-s), so the install
# step can be tried against any apt configuration (APT_CONFIG) without changing the machine.
pictor_apt_simulated() { [ "${PICTOR_APT_SIMULATE:-}" = 1 ]; }

# sudo resets the environment: the settings go on its command line. A simulation needs no root and keeps the
# caller's APT_CONFIG.
pictor_apt_get() {
    if pictor_apt_simulated; then
        env DEBIAN_FRONTEND=noninteractive apt-get "$@"
    else
        pictor_sudo env DEBIAN_FRONTEND=noninteractive apt-get "$@"
    fi
}

pictor_release_codename() { (. /etc/os-release && echo "${VERSION_CODENAME:-}"); }

# apt itself retries a download that broke off (Acquire::Retries). A mirror caught mid-sync stays so for longer
# than any pause here, so that failure goes straight on to the install, which copes with it; another one (no
# network yet, say) gets two more runs. Either way the install follows with the indexes that did arrive.
pictor_apt_update() {
    if pictor_apt_simulated; then
        pictor_log "simulated: apt-get update skipped"
        return 0
    fi
    local attempt status errors
    errors="$(mktemp)"
    for attempt in 1 2 3; do
        # apt-get update writes its errors at the end, after its progress lines.
        status=0
        pictor_apt_get update -q -o Acquire::Retries=3 2>"$errors" || status=$?
        cat "$errors" >&2
        [ "$status" -eq 0 ] && break
        if grep -qE 'Mirror sync in progress|Hash Sum mismatch' "$errors"; then
            pictor_log "apt-get update: the mirror is mid-sync; going on with the indexes that arrived"
            break
        fi
        pictor_log "apt-get update failed (attempt $attempt of 3)"
        [ "$attempt" -lt 3 ] && sleep 15
    done
    rm -f "$errors"
    return 0
}

# apt-get install of the arguments (options and packages). A mirror that lags can leave the security suite's
# index of one architecture older than the other's; packages that must have equal versions on both
# (Multi-Arch: same) then cannot be installed together. The second try prefers the release's own main suite
# for every architecture, where the indexes always agree. A target release among the arguments ("-t suite")
# is kept for the packages it was meant for, named "package/suite". Nothing is ever downgraded: where the
# packages installed here are already newer than the mirror's other architecture, the last line says so.
pictor_apt_install() {
    local report status=0
    report="$(mktemp)"
    pictor_apt_try "$report" "$@" || status=$?
    if [ "$status" -ne 0 ] && [ -n "$(pictor_release_codename)" ]; then
        pictor_log "apt-get install failed: trying once more with the packages of" \
            "$(pictor_release_codename)'s own suite preferred"
        status=0
        local retry
        mapfile -t retry < <(pictor_apt_release_preferred "$@")
        pictor_apt_try "$report" "${retry[@]}" || status=$?
    fi
    [ "$status" -eq 0 ] || pictor_apt_install_failed "$report"
    rm -f "$report" "$report.status"
    return "$status"
}

# One apt-get install of the arguments; what apt prints is added to the file $1 too. The exit code is apt's.
pictor_apt_try() {
    local report="$1"
    shift
    local apt=(install -y -q --no-install-recommends)
    pictor_apt_simulated && apt+=(-s)
    # The pipeline's own status is tee's: apt's goes through a file.
    { local status=0; pictor_apt_get "${apt[@]}" "$@" || status=$?; echo "$status" >"$report.status"; } |
        tee -a "$report"
    return "$(cat "$report.status")"
}

# The arguments of pictor_apt_install with the release's own suite as the target: "-t suite" given there
# moves onto the packages, as "package/suite".
pictor_apt_release_preferred() {
    local target="" arg i
    for ((i = 1; i < $#; i++)); do
        if [ "${!i}" = -t ]; then
            i=$((i + 1))
            target="${!i}"
        fi
    done
    printf '%s\n' -t "$(pictor_release_codename)"
    while [ $# -gt 0 ]; do
        arg="$1"
        shift
        if [ "$arg" = -t ]; then
            shift
        elif [ -n "$target" ] && [ "${arg#-}" = "$arg" ] && [ "${arg%/*}" = "$arg" ]; then
            printf '%s\n' "$arg/$target"
        else
            printf '%s\n' "$arg"
        fi
    done
}

# The closing line of a failed install, from apt's report of both tries.
pictor_apt_install_failed() {
    local behind
    behind="$(pictor_apt_behind "$1")"
    if [ -n "$behind" ]; then
        pictor_log "the mirror is behind: its $(pictor_apt_foreign_architectures | paste -sd/) packages are older" \
            "than the $(apt-config dump --no-empty --format '%v%n' APT::Architecture) ones installed here" \
            "($behind), which are never downgraded; run apt-get update later, then try again"
    elif [ -z "$(pictor_release_codename)" ]; then
        pictor_log "apt-get install failed, and /etc/os-release names no release to prefer"
    else
        pictor_log "apt-get install failed again: a mirror mid-sync may take a while; try again later"
    fi
}

pictor_apt_foreign_architectures() {
    local native
    native="$(apt-config dump --no-empty --format '%v%n' APT::Architecture)"
    apt-config dump --no-empty --format '%v%n' APT::Architectures | grep -vxF "$native" || true
}

# Names in apt's report (file $1) of packages of another architecture whose best version there is older than
# the same package installed for this machine's own: Multi-Arch: same packages keep one version on all
# architectures, so these could only come with a downgrade. Comma-separated, the first few.
pictor_apt_behind() {
    local native foreign names=() arch name versions own theirs behind=()
    native="$(apt-config dump --no-empty --format '%v%n' APT::Architecture)"
    foreign="$(pictor_apt_foreign_architectures)"
    for name in $(grep -owE '[a-z0-9][a-z0-9.+-]*:[a-z0-9]+' "$1" | sort -u); do
        arch="${name##*:}"
        if [ -n "$foreign" ] && grep -qxF "$arch" <<<"$foreign"; then
            names+=("${name%:*}:$native" "$name")
        fi
    done
    [ ${#names[@]} -gt 0 ] || return 0
    # One apt-cache call: each builds apt's cache anew where it is not kept.
    versions="$(LC_ALL=C apt-cache policy "${names[@]}" 2>/dev/null | awk -v native="$native" '
        /^[^ ].*:$/ { package = substr($0, 1, length($0) - 1); if (package !~ /:/) package = package ":" native }
        /^  Installed: / { installed[package] = $2 }
        /^  Candidate: / { candidate[package] = $2 }
        END {
            for (package in candidate) {
                split(package, part, ":")
                own = installed[part[1] ":" native]
                if (part[2] != native && candidate[package] != "(none)" && own != "" && own != "(none)")
                    print part[1], own, candidate[package]
            }
        }' | sort || true)"
    while read -r name own theirs; do
        if [ -n "$name" ] && dpkg --compare-versions "$own" gt "$theirs"; then
            behind+=("$name")
        fi
    done <<<"$versions"
    [ ${#behind[@]} -gt 0 ] || return 0
    [ ${#behind[@]} -le 5 ] || behind=("${behind[@]:0:5}" …)
    local IFS=,
    printf '%s\n' "${behind[*]}" | sed 's/,/, /g'
}

# Packages are checked one by one so that a machine with everything in place does no apt work at all.
# fonts-wine brings Wine's own Tahoma and Marlett: without them the caption buttons are drawn as letters and
# labels fall back to a wider font, unlike on Windows. x11-xserver-utils brings xrandr, which splits the
# two-monitor tests' X screen. Arguments name further packages that one script needs (the packaging tools,
# say). Fails when the install does, whether or not the caller stops on errors. An emulator that cannot be
# had is no failure here: the scripts that run 32-bit programs ask pictor_i386_runnable and say what they do
# instead.
pictor_install_packages() {
    local missing
    missing=($(pictor_missing_packages cmake ninja-build googletest xvfb xauth x11-utils imagemagick python3 \
                   gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix \
                   gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix \
                   wine wine64 wine32:i386 fonts-wine x11-xserver-utils "$@"))
    if [ ${#missing[@]} -gt 0 ]; then
        pictor_log "installing: ${missing[*]}"
        if ! pictor_apt_simulated && ! dpkg --print-foreign-architectures | grep -qx i386; then
            pictor_sudo dpkg --add-architecture i386 || return
        fi
        pictor_apt_update
        # A run that was ended mid-install leaves dpkg's work unfinished, and apt refuses to go on until it is.
        if ! pictor_apt_simulated && [ -n "$(dpkg --audit 2>/dev/null)" ]; then
            pictor_log "finishing the install that an earlier run left unfinished (dpkg --configure -a)"
            pictor_sudo env DEBIAN_FRONTEND=noninteractive dpkg --configure -a || return
        fi
        pictor_apt_install "${missing[@]}" || return
    fi
    pictor_install_emulation || true
}

# Whether this kernel executes 32-bit x86 code itself (Wine's 32-bit loader starts). Inside the emulation
# namespace it does so only through qemu, which counts as not native.
pictor_native_i386() {
    if [ -z "${PICTOR_NATIVE_I386:-}" ]; then
        PICTOR_NATIVE_I386=no
        if [ -z "${PICTOR_I386_NAMESPACE:-}" ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
            PICTOR_NATIVE_I386=yes
        fi
        export PICTOR_NATIVE_I386
    fi
    [ "$PICTOR_NATIVE_I386" = yes ]
}

# Where the kernel cannot run 32-bit code, 32-bit programs run through qemu's user-mode emulator. Debian 12's
# own qemu-user (7.2) takes about a minute of CPU to start each Wine process; the one from the backports suite
# (10) is usable.
pictor_min_qemu_version="1:10"

pictor_emulator_ready() {
    local version
    version="$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null)" || return 1
    dpkg --compare-versions "$version" ge "$pictor_min_qemu_version" && [ -x /usr/bin/qemu-i386 ]
}

# The entry of apt's sources ("file:number", as apt counts them) that serves the main component of a suite,
# named by its codename there or, once its Release file is in apt's lists, by an alias (stable, say).
pictor_apt_sources_entry() {
    local entry filter=('Target-Of: deb' 'Identifier: Packages' 'Component: main')
    entry="$(apt-get indextargets --no-release-info --format '$(SOURCESENTRY)' "Release: $1" "${filter[@]}" \
        2>/dev/null | head -n 1)"
    [ -n "$entry" ] ||
        entry="$(apt-get indextargets --format '$(SOURCESENTRY)' "Codename: $1" "${filter[@]}" 2>/dev/null | head -n 1)"
    echo "$entry"
}

# The backports suite comes from the archive that apt's sources name for the release's own suite: a copy of
# that entry, with its signing key and options, for the backports suite's main component. An archive that
# apt is not configured for is never added.
pictor_add_backports() {
    local codename suite entry
    codename="$(pictor_release_codename)"
    [ -n "$codename" ] || { pictor_log "unknown Debian release: cannot add its backports suite"; return 1; }
    suite="$codename-backports"
    [ -z "$(pictor_apt_sources_entry "$suite")" ] || return 0
    entry="$(pictor_apt_sources_entry "$codename")"
    if [ -z "$entry" ]; then
        pictor_log "apt's sources name no archive for $codename, so its $suite suite cannot be added"
        return 1
    fi
    local file="${entry%:*}" number="${entry##*:}" parts text name
    eval "$(apt-config shell parts Dir::Etc::sourceparts/d)"
    if [[ "$file" == *.sources ]]; then
        # apt counts the paragraphs that have a field; comment lines go.
        text="$(awk -v n="$number" -v suite="$suite" 'BEGIN { RS = "" }
            { lines = split($0, line, "\n"); fields = 0; for (i = 1; i <= lines; i++) if (line[i] !~ /^#/) fields = 1 }
            fields && ++count == n {
                for (i = 1; i <= lines; i++) {
                    field = tolower(line[i])
                    if (field ~ /^#/) continue
                    else if (field ~ /^types:/) print "Types: deb"
                    else if (field ~ /^suites:/) print "Suites: " suite
                    else if (field ~ /^components:/) print "Components: main"
                    else print line[i]
                }
            }' "$file")"
        name="$suite.sources"
    else
        # deb [options] archive suite components
        text="$(sed -nE "${number}s/^(deb([[:space:]]+\[[^]]*\])?[[:space:]]+[^[:space:]]+)[[:space:]].*/\1 $suite main/p" \
            "$file")"
        name="$suite.list"
    fi
    if [ -z "$text" ]; then
        pictor_log "apt's entry $entry for $codename could not be read, so its $suite suite cannot be added"
        return 1
    fi
    pictor_log "adding the $suite suite to apt's sources, from the archive of $entry"
    printf '%s\n' "$text" | pictor_sudo tee "$parts$name" >/dev/null
}

pictor_install_emulation() {
    if pictor_apt_simulated; then
        pictor_log "simulated: qemu-user from backports not tried"
        return 0
    fi
    if pictor_native_i386 || pictor_emulator_ready; then
        return 0
    fi
    pictor_log "this kernel runs no 32-bit code: installing qemu-user from backports to emulate it"
    pictor_add_backports || return 1
    pictor_apt_update
    local suite
    suite="$(pictor_release_codename)-backports"
    # Without recommends: qemu-user-binfmt would register the emulator for the whole machine.
    pictor_apt_install -t "$suite" qemu-user || true
    pictor_emulator_ready || { pictor_log "qemu-user $pictor_min_qemu_version or newer could not be installed"; return 1; }
}

# Whether 32-bit x86 programs can run here at all: natively, or through the emulator registered in a namespace
# of our own. When not, PICTOR_I386_UNUSABLE says why.
pictor_i386_runnable() {
    PICTOR_I386_UNUSABLE=""
    pictor_native_i386 && return 0
    if ! pictor_emulator_ready; then
        PICTOR_I386_UNUSABLE="no 32-bit code runs here, and qemu-user $pictor_min_qemu_version or newer is missing"
        return 1
    fi
    if ! pictor_with_i386 true 2>/dev/null; then
        PICTOR_I386_UNUSABLE="no 32-bit code runs here, and a user namespace gets no binfmt_misc to emulate it"
        return 1
    fi
}

# qemu-i386 as the handler of 32-bit x86 ELF executables (static and dynamic). Flags: F opens the emulator
# now, so it is found whatever the namespace's view of the file system; P passes the program's own argv[0].
pictor_i386_binfmt=':pictor-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:FP'

# Runs a command, or a function of this file, where 32-bit x86 programs execute: directly where the kernel runs
# them, else in a private user and mount namespace with its own binfmt_misc in which qemu-i386 is registered.
# The registration lives and dies with that namespace; nothing outside it, other Wine prefixes included, sees
# it. Inside, Wine's 64-bit loader (wine64) with a 64-bit prefix runs 32-bit programs through the emulator
# and 64-bit ones natively. Environment variables pass through; the exit code is the command's.
pictor_with_i386() {
    if pictor_native_i386 || [ -n "${PICTOR_I386_NAMESPACE:-}" ]; then
        "$@"
        return
    fi
    unshare --user --map-root-user --mount /bin/bash -c '
        set -e
        if ! mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc; then
            echo "[pictor] no binfmt_misc of its own in a user namespace (it needs Linux 6.7 or newer)" >&2
            exit 1
        fi
        printf "%s" "$1" >/proc/sys/fs/binfmt_misc/register
        export PICTOR_I386_NAMESPACE=1
        source "$2"
        shift 2
        set +e
        "$@"' pictor-i386 "$pictor_i386_binfmt" "$PICTOR_ROOT/scripts/common.sh" "$@"
}

# The architecture of a Windows executable from its PE header: win32 (x86), win64 (x64) or nothing.
pictor_exe_arch() {
    local offset machine
    offset="$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')" || return 0
    [ -n "$offset" ] || return 0
    machine="$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')"
    case "$machine" in
        014c) echo win32 ;;
        8664) echo win64 ;;
    esac
}

# The build that runs without emulation here (benchmarks want that one). Where the kernel runs no 32-bit
# code it is the x86-64 build of the same sources.
pictor_pick_arch() {
    if [ -n "${PICTOR_ARCH:-}" ]; then return 0; fi
    if pictor_native_i386; then
        PICTOR_ARCH=win32
    else
        PICTOR_ARCH=win64
    fi
    export PICTOR_ARCH
}

# Wine's settings for the build folder of one architecture (default: PICTOR_ARCH). Both builds use a 64-bit
# prefix, as on 64-bit Windows, where the 32-bit program runs in WoW64; 32-bit programs of the win32 build
# need pictor_with_i386 around them on hosts whose kernel runs no 32-bit code.
pictor_wine_env() {
    local build_dir="$1" arch="${2:-${PICTOR_ARCH:-win64}}"
    export PICTOR_BUILD_DIR="$build_dir"
    export PICTOR_BUILD_ARCH="$arch"
    export WINEPREFIX="$build_dir/wineprefix"
    export HOME="$build_dir/home"
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEARCH=win64 PICTOR_WINE=/usr/lib/wine/wine64 PICTOR_WINESERVER=/usr/lib/wine/wineserver64
    # The usual single screen, until pictor_two_monitor_env says otherwise.
    unset PICTOR_TWO_MONITORS
    mkdir -p "$HOME"
}

# Builds a preset into $PICTOR_BUILD_ROOT/<preset> (default: build/<preset>).
pictor_build() {
    local preset="$1"
    local dir="${PICTOR_BUILD_ROOT:-$PICTOR_ROOT/build}/$preset"
    cmake --preset "$preset" -B "$dir" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

# Starts a private Xvfb on a free display; pictor_stop_x stops it again. Arguments: the screen's size and
# depth (default 1920x1080x24), then further options of Xvfb.
pictor_start_x() {
    local fifo screen="${1:-1920x1080x24}"
    [ $# -gt 0 ] && shift
    fifo="$(mktemp -u)"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp "$@" 3>"$fifo" >/dev/null 2>&1 &
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
    # Prefixes of earlier versions of these scripts were 32-bit only.
    if [ -f "$WINEPREFIX/system.reg" ] && grep -q '^#arch=win32' "$WINEPREFIX/system.reg"; then
        pictor_log "replacing the 32-bit-only Wine prefix $WINEPREFIX"
        "$PICTOR_WINESERVER" -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        pictor_log "creating Wine prefix $WINEPREFIX"
    fi
    "$PICTOR_WINE" wineboot -i >/dev/null 2>&1 || true
    # Wine draws window frames itself, as Windows does, instead of waiting on a window manager that the
    # virtual X server does not have (hiding a managed window would stall for two seconds).
    "$PICTOR_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    "$PICTOR_WINESERVER" -w
    # Wine's own Tahoma, Marlett and the rest, found by every process started from now on.
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
}

# Two monitors side by side, as many users have them: the primary one, 1280 x 1024, and a 1024 x 768 one left
# of it, which Windows places at (-1024, 0). The X server has one wide screen, split into the two with RandR
# 1.5 monitors; -noreset keeps them after the last client has gone. Fails, with PICTOR_MONITORS_UNUSABLE
# saying why, where the server cannot make them.
pictor_start_x_two_monitors() {
    PICTOR_MONITORS_UNUSABLE=""
    pictor_start_x 2304x1024x24 -noreset
    local errors
    errors="$(mktemp)"
    if ! xrandr --setmonitor '*P' 1280/338x1024/270+1024+0 screen >/dev/null 2>"$errors" ||
        ! xrandr --setmonitor L 1024/270x768/203+0+0 none >/dev/null 2>>"$errors"; then
        PICTOR_MONITORS_UNUSABLE="the X server makes no RandR monitors: $(tr '\n' ' ' <"$errors")"
    elif [ "$(xrandr --listmonitors 2>/dev/null | sed -n 's/^Monitors: //p')" != 2 ]; then
        PICTOR_MONITORS_UNUSABLE="the X server shows $(xrandr --listmonitors 2>/dev/null | head -n 1) instead of 2"
    fi
    rm -f "$errors"
    if [ -n "$PICTOR_MONITORS_UNUSABLE" ]; then
        pictor_stop_x
        return 1
    fi
    pictor_log "two monitors on $DISPLAY: 1280 x 1024 (primary) and 1024 x 768 left of it"
}

# Wine's settings for the two-monitor tests of a build folder: a prefix and home of their own, in which Wine
# takes the monitors from the X server's monitor list instead of its own use of XRandR. PICTOR_TWO_MONITORS
# tells the tests that they run on those monitors.
pictor_two_monitor_env() {
    local build_dir="$1" arch="${2:-${PICTOR_ARCH:-win64}}"
    pictor_wine_env "$build_dir" "$arch"
    export WINEPREFIX="$build_dir/wineprefix-monitors"
    export HOME="$build_dir/home-monitors"
    export PICTOR_TWO_MONITORS=1
    mkdir -p "$HOME"
}

# Runs the CTest entries labelled two_monitors in a build folder, in the prefix of pictor_two_monitor_env;
# extra arguments go to ctest. The exit code is ctest's.
pictor_two_monitor_ctest() {
    local build_dir="$1" status=0
    shift
    pictor_boot_prefix
    "$PICTOR_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1 || true
    "$PICTOR_WINESERVER" -w
    (cd "$build_dir" && ctest --output-on-failure --timeout 600 -L two_monitors "$@") || status=$?
    pictor_stop_wine
    return "$status"
}

# Boots the prefix set by pictor_wine_env and runs CTest in a build folder; extra arguments go to ctest.
# The prefix's wineserver is stopped afterwards; the exit code is ctest's.
pictor_ctest() {
    local build_dir="$1" status=0
    shift
    pictor_boot_prefix
    (cd "$build_dir" && ctest --output-on-failure --timeout 600 "$@") || status=$?
    pictor_stop_wine
    return "$status"
}

pictor_stop_wine() {
    [ -n "${PICTOR_WINESERVER:-}" ] && [ -n "${WINEPREFIX:-}" ] && "$PICTOR_WINESERVER" -k 2>/dev/null || true
}
