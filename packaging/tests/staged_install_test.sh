#!/usr/bin/env bash
# The install into a staged prefix: staged_install_test.sh CASE. The build passes the layout in
# VANT_* variables (packaging/CMakeLists.txt); the case Stage installs, the others examine it.
set -euo pipefail

stage=$VANT_STAGE
lib=$stage/$VANT_LIBDIR
work=""  # a case's scratch folder, removed on exit

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Installed programs carry a RUNPATH to the library unless it went to a directory the system
# searches anyway; in that case the staged library has to be named.
library_path_for_programs() {
    unset LD_LIBRARY_PATH
    if ! grep -q 'RUNPATH\|RPATH' <<<"$(readelf -d "$stage/$VANT_BINDIR/vantctl")"; then
        export LD_LIBRARY_PATH=$lib
    fi
}

expected_files() {
    local program
    for program in $VANT_PROGRAMS; do echo "$VANT_BINDIR/$program"; done
    echo "$VANT_LIBDIR/libvantlink.so"
    echo "$VANT_LIBDIR/libvantlink.so.7"
    echo "$VANT_LIBDIR/libvantlink.so.7.0.0"
    echo "$VANT_INCLUDEDIR/vantlink.h"
    echo "$VANT_LIBDIR/pkgconfig/vantlink.pc"
    echo "$VANT_LIBDIR/cmake/vantlink/vantlinkConfig.cmake"
    echo "$VANT_LIBDIR/cmake/vantlink/vantlinkConfigVersion.cmake"
    echo "$VANT_LIBDIR/cmake/vantlink/vantlinkTargets.cmake"
    if [[ " $VANT_PROGRAMS " == *" vantrel "* ]]; then
        echo "lib/systemd/system/vantrel-poll@.service"
        echo "sbin/vantrel-poll-setup"
    fi
    if [[ " $VANT_PROGRAMS " == *" tembra "* ]]; then
        echo "$VANT_DATADIR/tembra/Setup.ini"
    fi
    if [[ " $VANT_PROGRAMS " == *" vantrel "* ]]; then
        # The operator's guide: its pages and the pictures the build drew.
        local file guide=$VANT_DATADIR/doc/vantrel/guide
        for file in "$(dirname "$0")"/../../host/guide/{*.html,style.css}; do
            echo "$guide/${file##*/}"
        done
        for file in "$VANT_BUILD_DIR"/guide/pictures/*.png; do
            [[ -e "$file" ]] && echo "$guide/pictures/${file##*/}"
        done
    fi
    for program in $VANT_PROGRAMS; do echo "$VANT_MANDIR/man1/$program.1.gz"; done
    for program in $(window_programs); do
        echo "$VANT_DATADIR/applications/$program.desktop"
        echo "$VANT_DATADIR/icons/hicolor/scalable/apps/$program.svg"
    done
    # Each package's documents.
    local package
    for package in libvantlink7 libvantlink-dev vantlink-tools $(window_programs); do
        echo "$VANT_DATADIR/doc/$package/copyright"
        echo "$VANT_DATADIR/doc/$package/changelog.gz"
    done
}

window_programs() {
    local program
    for program in vantrel tembra; do
        [[ " $VANT_PROGRAMS " == *" $program "* ]] && echo "$program"
    done
    return 0
}

case_Stage() {
    rm -rf "$stage"
    env -u DESTDIR cmake --install "$VANT_BUILD_DIR" --prefix "$stage" >/dev/null
}

# Every file the install promises, and nothing more: no test program, no static library, no
# test framework. The targets file has a companion per build type.
case_EveryFileInPlace() {
    local expected found
    expected=$(expected_files | sort)
    found=$(cd "$stage" && find . \( -type f -o -type l \) | sed 's|^\./||' |
        grep -v "^$VANT_LIBDIR/cmake/vantlink/vantlinkTargets-[a-z]*\.cmake$" | sort)
    if [[ "$found" != "$expected" ]]; then
        diff <(echo "$expected") <(echo "$found") >&2 || true
        fail "the staged install differs from the list (< missing, > not expected)"
    fi
    [[ -L "$lib/libvantlink.so" && -L "$lib/libvantlink.so.7" ]] ||
        fail "libvantlink.so and libvantlink.so.7 should be links to the library"
    if [[ " $VANT_PROGRAMS " == *" vantrel "* ]]; then
        [[ -f "$stage/$VANT_DATADIR/doc/vantrel/guide/index.html" &&
            -f "$stage/$VANT_DATADIR/doc/vantrel/guide/pictures/CMainFrame.png" ]] ||
            fail "the guide's contents or the main window's picture is not installed"
    fi
    if [[ -n "${VANT_TEMBRA_DEFAULTS:-}" ]]; then
        # Where tembra looks, from its own folder, for the read-only default.
        [[ -f "$stage/$VANT_BINDIR/$VANT_TEMBRA_DEFAULTS/Setup.ini" ]] ||
            fail "tembra's default Setup.ini is not at $VANT_BINDIR/$VANT_TEMBRA_DEFAULTS"
        cmp -s "$stage/$VANT_DATADIR/tembra/Setup.ini" "$(dirname "$0")/../../receiver/Setup.ini" ||
            fail "the installed Setup.ini is not the default one"
    fi
}

# Without a display: the Qt programs answer before any window system is asked for.
case_ProgramsAnswerHelpAndVersion() {
    library_path_for_programs
    local program out
    for program in $VANT_PROGRAMS; do
        local path=$stage/$VANT_BINDIR/$program
        out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$path" --version 2>&1) ||
            fail "$program --version exited with $?: $out"
        [[ "$out" == "$program $VANT_VERSION" ]] ||
            fail "$program --version printed '$out', not '$program $VANT_VERSION'"
        out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$path" --help 2>/dev/null) ||
            fail "$program --help exited with $?"
        grep -q "usage: $program\|^$program --help" <<<"$out" ||
            fail "$program --help printed no usage on standard output: $out"
    done
    # vantctl and termsim refuse what they do not know, with the usage on standard error.
    for program in vantctl termsim linkbench; do
        [[ " $VANT_PROGRAMS " == *" $program "* ]] || continue
        local status=0
        out=$("$stage/$VANT_BINDIR/$program" --no-such-option 2>/dev/null) || status=$?
        [[ $status -eq 2 && -z "$out" ]] ||
            fail "$program --no-such-option: status $status, standard output '$out'"
    done
}

case_LibraryCarriesItsSoname() {
    grep -q 'SONAME.*\[libvantlink\.so\.7\]' <<<"$(readelf -d "$lib/libvantlink.so.7.0.0")" ||
        fail "libvantlink.so.7.0.0 has no SONAME libvantlink.so.7"
    [[ "$(readlink "$lib/libvantlink.so")" == libvantlink.so.7 ]] ||
        fail "libvantlink.so does not point at libvantlink.so.7"
    # A program finds the library by its SONAME, from the staged tree and no other.
    library_path_for_programs
    local loaded found
    loaded=$(ldd "$stage/$VANT_BINDIR/vantctl")
    found=$(sed -n 's/^[[:space:]]*libvantlink\.so\.7 => \(.*\) (0x.*$/\1/p' <<<"$loaded")
    [[ -n "$found" && "$(realpath "$found")" == "$(realpath "$lib/libvantlink.so.7")" ]] ||
        fail "vantctl does not load the staged library: $loaded"
}

# The flags name the staged prefix, and a program built with them alone links and runs.
case_PkgConfigGivesTheStagedFlags() {
    local flags version
    read -r -a flags <<<"$(PKG_CONFIG_PATH=$lib/pkgconfig pkg-config --cflags --libs vantlink)"
    [[ "${flags[*]}" == "-I$stage/$VANT_INCLUDEDIR -L$lib -lvantlink" ]] ||
        fail "pkg-config gave '${flags[*]}'"
    version=$(PKG_CONFIG_PATH=$lib/pkgconfig pkg-config --modversion vantlink)
    [[ "$version" == "$VANT_VERSION" ]] || fail "pkg-config --modversion gave '$version'"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    "$VANT_C_COMPILER" -o "$work/consumer" "$VANT_CONSUMER/consumer.c" "${flags[@]}"
    [[ "$(LD_LIBRARY_PATH=$lib "$work/consumer")" == "none 7" ]] ||
        fail "the program built with pkg-config's flags did not run"
}

case_FindPackageConsumerBuildsAndRuns() {
    local out
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cmake -S "$VANT_CONSUMER" -B "$work" -G "$VANT_GENERATOR" -DCMAKE_PREFIX_PATH="$stage" \
        -DCMAKE_C_COMPILER="$VANT_C_COMPILER" >"$work/configure.log" 2>&1 ||
        fail "configuring the consumer failed: $(cat "$work/configure.log")"
    cmake --build "$work" >"$work/build.log" 2>&1 ||
        fail "building the consumer failed: $(cat "$work/build.log")"
    grep -q "vantlink_DIR:PATH=$lib/cmake/vantlink" "$work/CMakeCache.txt" ||
        fail "the consumer found another vantlink: $(grep vantlink_DIR "$work/CMakeCache.txt")"
    out=$("$work/consumer")
    [[ "$out" == "$VANT_VERSION 7" ]] || fail "the consumer printed '$out'"
}

# A desktop entry that the desktop's own checker accepts, starting the installed program with
# an icon that is installed.
case_DesktopEntriesAndIcons() {
    command -v desktop-file-validate >/dev/null ||
        fail "desktop-file-validate is not installed: run scripts/setup.sh (desktop-file-utils)"
    local program entry exec icon problems
    for program in $(window_programs); do
        entry=$stage/$VANT_DATADIR/applications/$program.desktop
        problems=$(desktop-file-validate "$entry" 2>&1) || true  # hints too
        [[ -z "$problems" ]] || fail "$program.desktop: $problems"
        exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
        [[ "$exec" == "$program" && -x "$stage/$VANT_BINDIR/$exec" ]] ||
            fail "$program.desktop starts '$exec', not the installed $program"
        icon=$(sed -n 's/^Icon=//p' "$entry")
        [[ "$icon" == "$program" ]] || fail "$program.desktop names the icon '$icon'"
        grep -q '^Terminal=false$' "$entry" || fail "$program.desktop does not say Terminal=false"
        grep -q '<svg [^>]*viewBox="[-0-9. ]*"' \
            "$stage/$VANT_DATADIR/icons/hicolor/scalable/apps/$icon.svg" ||
            fail "$icon.svg is no SVG picture with a viewBox"
    done
}

# Every installed program has a manual page that renders without a warning, has the usual
# sections, and names every option its --help names.
case_ManualPagesCoverEveryProgram() {
    command -v man >/dev/null || fail "man is not installed: run scripts/setup.sh (man-db)"
    library_path_for_programs
    local program page text warnings section option
    for program in $VANT_PROGRAMS; do
        page=$stage/$VANT_MANDIR/man1/$program.1.gz
        [[ -f "$page" ]] || fail "no manual page $VANT_MANDIR/man1/$program.1.gz"
        gzip -t "$page" || fail "$program.1.gz is not gzip'd"
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [[ -z "$warnings" ]] || fail "$program.1 renders with warnings: $warnings"
        text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null)
        grep -q "vantlink $VANT_VERSION" <<<"$text" ||
            fail "$program.1 does not name the release $VANT_VERSION"
        for section in NAME SYNOPSIS DESCRIPTION OPTIONS ENVIRONMENT FILES "EXIT STATUS" \
            "SEE ALSO"; do
            grep -qx "$section" <<<"$text" || fail "$program.1 has no section $section"
        done
        for option in $(env -u DISPLAY QT_QPA_PLATFORM=offscreen \
            "$stage/$VANT_BINDIR/$program" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
            grep -q -- "$option" <<<"$text" || fail "$program.1 does not describe $option"
        done
    done
}

"case_$1"
