#!/bin/bash
# Builds the Debian package from the build tree with CPack, checks what it holds (control
# fields, files, lintian, the desktop entry and the software-centre description), unpacks it
# into a scratch root and starts the installed window there on a virtual X display: it passes
# when the main window "Quarrix  V1.6.0" is shown. Works as root and as an ordinary user;
# run as root, it starts the installed program as user nobody too.
# Usage: PackageInstallsAndStarts.sh <build folder> <source folder>
# Exit code 77 (skipped) only when a tool it needs is missing.
set -u

fail() {
    echo "FAIL: $*"
    exit 1
}

if [ "${1:-}" = --inside ]; then
    # Runs under xvfb-run: starts the installed program on its display and waits, bounded,
    # for the main window to be mapped. The program runs in namespaces of its own where the
    # system allows them (see below); the X server stays outside, so that its lock file and
    # its socket are made and removed as on any machine.
    root=$2 home=$3 wmclass=$4
    cd "$home" || fail "no settings folder"
    # Namespaces of its own where the system allows them to this user: the program's four
    # fixed local ports and its one-instance check (over the process list) then meet
    # nothing else on the machine, and whatever it starts ends with it.
    isolate=(unshare --user --map-current-user --net --pid --fork --mount-proc --kill-child)
    "${isolate[@]}" true 2>/dev/null || isolate=()
    QT_QPA_PLATFORM=xcb "${isolate[@]}" "$root/usr/bin/Quarrix" >"$home/quarrix.log" 2>&1 &
    pid=$!
    # Ended outright (its exit is not under test here): unshare ignores SIGTERM and hands
    # a SIGKILL on to the program, whose namespaces then end with it.
    stop() {
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    }
    trap stop EXIT
    window=""
    for _ in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || fail "Quarrix ended before showing its window: $(cat "$home/quarrix.log")"
        window=$(xdotool search --onlyvisible --name '^Quarrix  V1\.6\.0$' 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || fail "no window \"Quarrix  V1.6.0\" within 30 s: $(cat "$home/quarrix.log")"
    # Docks match a window to its menu entry by the entry's StartupWMClass, which must be
    # one of the two names of the window's class.
    class=$(xprop -id "$window" WM_CLASS 2>/dev/null)
    case "$class" in
    *" \"$wmclass\","* | *" \"$wmclass\"") ;;
    *) fail "StartupWMClass $wmclass names neither part of the window's $class" ;;
    esac
    echo "main window $window shown to $(id -un), $class${isolate:+ (own namespaces)}"
    exit 0
fi

build=$(cd "$1" && pwd) || fail "no build folder $1"
source=$(cd "$2" && pwd) || fail "no source folder $2"
for tool in cpack dpkg-deb dpkg-shlibdeps file lintian desktop-file-validate appstreamcli \
    xvfb-run Xvfb xauth xdotool xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIPPED: $tool is not installed (bash scripts/setup-debian.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quarrix-package.XXXXXX") || fail "no scratch folder"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home"
mkdir -p "$HOME"

# CPack installs through the build tree's install scripts, and the top one writes its
# manifest into the build folder, which an ordinary user testing someone else's build
# cannot write: a copy of that one script writes it into the scratch folder instead.
mkdir -p "$work/tree"
script=$(<"$build/cmake_install.cmake")
manifest="file(WRITE \"$build/\${CMAKE_INSTALL_MANIFEST}\""
[[ "$script" == *"$manifest"* ]] || fail "the install script writes no manifest where expected"
printf '%s\n' "${script//"$manifest"/"file(WRITE \"$work/tree/\${CMAKE_INSTALL_MANIFEST}\""}" \
    >"$work/tree/cmake_install.cmake"
printf 'include("%s/CPackConfig.cmake")\nset(CPACK_INSTALL_CMAKE_PROJECTS "%s/tree;Quarrix;ALL;/")\n' \
    "$build" "$work" >"$work/CPackConfig.cmake"

begin=$(date +%s)
cpack --config "$work/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.log")"
debs=("$work"/out/quarrix_*.deb)
deb=${debs[0]}
[ ${#debs[@]} -eq 1 ] && [ -f "$deb" ] || fail "cpack made no single quarrix_*.deb: $(ls "$work/out")"
echo "package $(basename "$deb"), $(stat -c %s "$deb") bytes, built in $(($(date +%s) - begin)) s"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quarrix ] || fail "Package: $(field Package)"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
[ "$(field Version)" = 1.6.0 ] || fail "Version: $(field Version)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
echo "Depends: $depends"
for needed in libc6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
    [[ ", $depends," =~ ,\ $needed[\ ,] ]] || fail "Depends lacks $needed"
done

root="$work/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
id=io.github.quarrix.Quarrix
for path in usr/bin/Quarrix usr/bin/quarrix-cli usr/share/quarrix/readme.txt \
    "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
    usr/share/doc/quarrix/copyright usr/share/doc/quarrix/changelog.gz \
    usr/share/man/man1/Quarrix.1.gz usr/share/man/man1/quarrix-cli.1.gz; do
    [ -f "$root/$path" ] || fail "the package has no /$path"
done
cmp -s "$root/usr/share/quarrix/readme.txt" "$source/src/app/readme.txt" ||
    fail "the installed readme.txt is not the program's help file"
for program in Quarrix quarrix-cli; do
    kind=$(file -b "$root/usr/bin/$program")
    [[ "$kind" == *ELF*", stripped"* ]] || fail "/usr/bin/$program is not a stripped program: $kind"
done
for size in 16 22 24 32 48 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [[ "$(file -b "$icon" 2>&1)" == "PNG image data, $size x $size, "* ]] ||
        fail "no ${size}x${size} PNG icon: $(file -b "$icon" 2>&1)"
done
"$root/usr/bin/quarrix-cli" --help >"$work/cli.log" 2>&1 || fail "quarrix-cli --help: $(cat "$work/cli.log")"

lintian --pedantic -I "$deb" >"$work/lintian.log" 2>&1
grep -v '^running with root privileges' "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then fail "lintian reports errors"; fi
desktop-file-validate "$root/usr/share/applications/$id.desktop" ||
    fail "desktop-file-validate rejects the menu entry"
# The whole tree, so the description's launchable is checked against the installed entry.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli rejects the description"
# The menu entry starts an installed program and shows an installed icon, and the software
# centre's newest release is the version the window shows.
entry() { sed -n "s/^$1=//p" "$root/usr/share/applications/$id.desktop"; }
[ -x "$root/usr/bin/$(entry Exec)" ] || fail "Exec=$(entry Exec) names no installed program"
[ -f "$root/usr/share/icons/hicolor/48x48/apps/$(entry Icon).png" ] ||
    fail "Icon=$(entry Icon) names no installed icon"
grep -q '<release version="1.6.0"' "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the description's releases lack 1.6.0"
wmclass=$(entry StartupWMClass)
[ -n "$wmclass" ] || fail "the menu entry names no StartupWMClass"

# Starts the installed program in folders of its own, with a settings file so that no
# first-run dialog holds the start (the program keeps its files in QUARRIX_HOME, or the
# folder it starts in); with a command in front (setpriv), as user nobody.
start_installed() {
    local base=$1 begin
    shift
    mkdir -p "$base/settings" "$base/runtime" "$base/home"
    chmod 700 "$base/runtime"
    printf '[WindowStates]\r\nRemWindowStates=0\r\n[Favorite]\r\nSynchronize=0\r\n' \
        >"$base/settings/Quarrix.ini"
    [ $# -eq 0 ] || chown -R 65534:65534 "$base"
    begin=$(date +%s)
    timeout -k 5 90 "$@" env HOME="$base/home" QUARRIX_HOME="$base/settings" \
        XDG_RUNTIME_DIR="$base/runtime" XDG_CONFIG_HOME="$base/home/.config" \
        xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
        bash "$work/test.sh" --inside "$root" "$base/settings" "$wmclass" ||
        fail "the installed program did not show its window as it should (see above)"
    echo "started and ended in $(($(date +%s) - begin)) s"
}
cp "$0" "$work/test.sh"
start_installed "$work/own"
if [ "$(id -u)" -eq 0 ]; then
    # Root ignores file permissions: the same installed files start for an ordinary user.
    chmod 755 "$work"
    start_installed "$work/user" setpriv --reuid=65534 --regid=65534 --clear-groups
fi
