#!/usr/bin/env bash
# The Debian packages: package_test.sh CASE. The build passes what it knows in VANT_* variables
# (packaging/CMakeLists.txt); the case Build runs cpack into a folder of its own in the build
# tree, the others examine the packages there.
set -euo pipefail

out=$VANT_PACKAGE_DIR
version=$VANT_VERSION
work=""  # a case's scratch folder, removed on exit

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null ||
            fail "$tool is not installed: run scripts/setup.sh (it installs what packaging needs)"
    done
}

scratch() {
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
}

# Every package the build makes.
packages() {
    echo libvantlink7
    echo libvantlink-dev
    [[ " $VANT_PROGRAMS " == *" vantrel "* ]] && echo vantrel
    [[ " $VANT_PROGRAMS " == *" tembra "* ]] && echo tembra
    echo vantlink-tools
}

deb_of() {
    local file=$out/${1}_${version}_$(dpkg --print-architecture).deb
    [[ -f "$file" ]] || fail "no package file $(basename "$file") in $out"
    echo "$file"
}

contents_of() {
    dpkg-deb --contents "$(deb_of "$1")" | awk '{print $6}' | sed 's|^\./|/|; s|/$||'
}

# The files of an extracted package (links included), one path a line.
files_of() {
    contents_of "$1" | while read -r path; do
        if [[ -n "$path" && ! -d "$work/$1$path" ]]; then echo "$path"; fi
    done | sort
}

# The package holds exactly these files, beside its documents.
expect_holds() {
    local package=$1 expected found
    shift
    expected=$(printf '%s\n' "$@" "/usr/share/doc/$package/copyright" \
        "/usr/share/doc/$package/changelog.gz" | sort)
    found=$(files_of "$package")
    if [[ "$found" != "$expected" ]]; then
        diff <(echo "$expected") <(echo "$found") >&2 || true
        fail "$package holds other files than expected (< missing, > not expected)"
    fi
}

# The package holds at least these files (others may join it), and nothing of the library.
expect_holds_at_least() {
    local package=$1 found path
    shift
    found=$(files_of "$package")
    for path in "$@" "/usr/share/doc/$package/copyright" "/usr/share/doc/$package/changelog.gz"; do
        grep -qxF "$path" <<<"$found" || fail "$package does not hold $path"
    done
    ! grep 'libvantlink\|/include/' <<<"$found" || fail "$package holds files of the library"
}

case_Build() {
    need cpack dpkg-deb dpkg-shlibdeps fakeroot
    rm -rf "$out"
    mkdir -p "$out"
    cpack --config "$VANT_BUILD_DIR/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
        fail "cpack failed: $(tail -20 "$out/cpack.log")"
    local package
    for package in $(packages); do deb_of "$package" >/dev/null; done
    local count
    count=$(find "$out" -maxdepth 1 -name '*.deb' | wc -l)
    [[ $count -eq $(packages | wc -l) ]] || fail "cpack made $count packages: $(ls "$out")"
}

case_LintianFindsNoError() {
    need lintian
    local report errors
    # As root lintian warns that it should not be; that is no finding about a package.
    report=$(lintian --allow-root --no-tag-display-limit "$out"/*.deb 2>&1) || true
    errors=$(grep '^E:' <<<"$report" || true)
    [[ -z "$errors" ]] || fail "lintian found errors:"$'\n'"$errors"
    # Warnings are allowed; they show in the test's output.
    echo "$report"
}

case_ContentsAreSplit() {
    need dpkg-deb
    scratch
    local package libdir
    for package in $(packages); do
        dpkg-deb -x "$(deb_of "$package")" "$work/$package"
    done
    libdir=/usr/$VANT_LIBDIR
    expect_holds libvantlink7 "$libdir/libvantlink.so.7" "$libdir/libvantlink.so.7.0.0"
    expect_holds libvantlink-dev /usr/include/vantlink.h "$libdir/libvantlink.so" \
        "$libdir/pkgconfig/vantlink.pc" "$libdir/cmake/vantlink/vantlinkConfig.cmake" \
        "$libdir/cmake/vantlink/vantlinkConfigVersion.cmake" \
        "$libdir/cmake/vantlink/vantlinkTargets.cmake" \
        "$(cd "$work/libvantlink-dev" && ls .$libdir/cmake/vantlink/vantlinkTargets-*.cmake |
            sed 's|^\.||')"
    [[ "$(readlink "$work/libvantlink-dev$libdir/libvantlink.so")" == libvantlink.so.7 ]] ||
        fail "libvantlink.so in libvantlink-dev does not point at libvantlink.so.7"
    grep -qx 'prefix=/usr' "$work/libvantlink-dev$libdir/pkgconfig/vantlink.pc" ||
        fail "vantlink.pc does not name the prefix /usr: $(head -3 "$work/libvantlink-dev$libdir/pkgconfig/vantlink.pc")"
    if [[ " $VANT_PROGRAMS " == *" vantrel "* ]]; then
        # The host package may gain files of its own (its start-up, for one).
        expect_holds_at_least vantrel /usr/bin/vantrel /usr/share/applications/vantrel.desktop \
            /usr/share/icons/hicolor/scalable/apps/vantrel.svg /usr/share/man/man1/vantrel.1.gz \
            /usr/share/doc/vantrel/guide/index.html
    fi
    if [[ " $VANT_PROGRAMS " == *" tembra "* ]]; then
        expect_holds tembra /usr/bin/tembra /usr/share/tembra/Setup.ini \
            /usr/share/applications/tembra.desktop \
            /usr/share/icons/hicolor/scalable/apps/tembra.svg /usr/share/man/man1/tembra.1.gz
    fi
    expect_holds vantlink-tools /usr/bin/vantctl /usr/bin/termsim /usr/bin/linkbench \
        /usr/share/man/man1/vantctl.1.gz /usr/share/man/man1/termsim.1.gz \
        /usr/share/man/man1/linkbench.1.gz
}

# Installed in /usr, where the system finds the library anyway: no program carries a RUNPATH
# (whatever prefix the build was configured with), and each is stripped.
case_ProgramsCarryNoRunpathAndAreStripped() {
    need dpkg-deb readelf file
    scratch
    local package program dynamic
    for package in $(packages); do
        dpkg-deb -x "$(deb_of "$package")" "$work/$package"
    done
    for program in "$work"/*/usr/bin/* "$work"/libvantlink7/usr/lib/*/libvantlink.so.7.0.0 \
        "$work"/libvantlink7/usr/lib/libvantlink.so.7.0.0; do
        [[ -e "$program" ]] || continue
        dynamic=$(readelf -d "$program")
        ! grep -q 'RUNPATH\|RPATH' <<<"$dynamic" ||
            fail "${program#"$work"/} carries $(grep 'RUNPATH\|RPATH' <<<"$dynamic")"
        [[ "$(file "$program")" == *", stripped"* ]] || fail "${program#"$work"/} is not stripped"
    done
}

case_DependsNameLibraries() {
    need dpkg-deb
    local depends package
    for package in $(packages); do
        depends=$(dpkg-deb --field "$(deb_of "$package")" Depends)
        [[ -n "$depends" ]] || fail "$package has no Depends"
        case $package in
            libvantlink-dev) [[ "$depends" == *"libvantlink7 (= $version)"* ]] ||
                fail "libvantlink-dev does not depend on libvantlink7 (= $version): $depends" ;;
            vantrel | vantlink-tools) [[ "$depends" == *"libvantlink7 (= $version)"* ]] ||
                fail "$package does not depend on libvantlink7 (= $version): $depends" ;;
            tembra | libvantlink7) [[ "$depends" != *libvantlink7* ]] ||
                fail "$package depends on libvantlink7: $depends" ;;
        esac
        case $package in
            vantrel | tembra) [[ "$depends" == *libqt6widgets6* && "$depends" == *libqt6core6* ]] ||
                fail "$package does not depend on the Qt libraries: $depends" ;;&
            tembra) [[ "$depends" == *libqt6serialport6* ]] ||
                fail "tembra does not depend on Qt SerialPort: $depends" ;;
            libvantlink7 | vantlink-tools) [[ "$depends" == *libc6* && "$depends" == *libstdc++6* ]] ||
                fail "$package does not depend on the C and C++ run-time: $depends" ;;
        esac
    done
    # The library package tells other builds which package provides the library, and has
    # ldconfig run when it is installed.
    scratch
    dpkg-deb -e "$(deb_of libvantlink7)" "$work/control"
    grep -qx "libvantlink 7 libvantlink7 (>= $version)" "$work/control/shlibs" ||
        fail "libvantlink7's shlibs: $(cat "$work/control/shlibs" 2>&1)"
    grep -qx 'activate-noawait ldconfig' "$work/control/triggers" ||
        fail "libvantlink7 has no ldconfig trigger"
}

# Each package speaks for itself: its own summary line and text, its section, the release and
# the maintainer, under a Debian file name.
case_ControlFieldsDescribeEachPackage() {
    need dpkg-deb
    local package deb summaries="" description summary text
    for package in $(packages); do
        deb=$(deb_of "$package")
        [[ "$(dpkg-deb --field "$deb" Package)" == "$package" ]] || fail "$deb is not $package"
        [[ "$(dpkg-deb --field "$deb" Version)" == "$version" ]] ||
            fail "$package has the version $(dpkg-deb --field "$deb" Version), not $version"
        [[ "$(dpkg-deb --field "$deb" Priority)" == optional ]] || fail "$package: Priority"
        [[ "$(dpkg-deb --field "$deb" Maintainer)" == *"<"*@*">" ]] ||
            fail "$package has no maintainer address: $(dpkg-deb --field "$deb" Maintainer)"
        case $package in
            libvantlink7) [[ "$(dpkg-deb --field "$deb" Section)" == libs ]] ;;
            libvantlink-dev) [[ "$(dpkg-deb --field "$deb" Section)" == libdevel ]] ;;
            *) [[ -n "$(dpkg-deb --field "$deb" Section)" ]] ;;
        esac || fail "$package is in the section $(dpkg-deb --field "$deb" Section)"
        description=$(dpkg-deb --field "$deb" Description)
        summary=${description%%$'\n'*}
        text=${description#*$'\n'}
        [[ -n "$summary" && ${#summary} -le 80 && "$summary" != *CMake* ]] ||
            fail "$package has the summary '$summary'"
        [[ $(wc -l <<<"$text") -ge 2 ]] || fail "$package has no long description: $text"
        summaries+=$summary$'\n'
    done
    [[ $(sort -u <<<"$summaries" | grep -c .) -eq $(packages | wc -l) ]] ||
        fail "packages share a summary:"$'\n'"$summaries"
}

"case_$1"
