#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Packaging checks, one case per CTest test:
#   packaging_test.sh install     BUILD_DIR            install tree, desktop entry, AppStream, icons
#   packaging_test.sh deb         BUILD_DIR            the .deb, installed with dpkg and started for real
#   packaging_test.sh windows-zip SOURCE_DIR WIN_DIR   the Windows zip, when a Windows build exists
# A case that cannot run here exits 77, which CTest reports as skipped.
set -u -o pipefail

SKIP=77
failures=0
work=$(mktemp -d /tmp/talvenor-packaging.XXXXXX)
cleanups=()
# shellcheck disable=SC2317  # called by the EXIT trap
cleanup() {
    local i
    for ((i = ${#cleanups[@]} - 1; i >= 0; i--)); do eval "${cleanups[i]}" || true; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
check() {  # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed" >&2; exit $SKIP; }
    done
}
finish() {
    if ((failures > 0)); then echo "$failures check(s) failed" >&2; exit 1; fi
    exit 0
}

# Width and height from a PNG's header.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}'; }

desktop_key() { sed -n "s/^$2=//p" "$1" | head -n1; }

# Every file and link under a directory, relative to it.
file_list() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort); }

# Every argument line but a lone --version or --help is refused, with no attempt at a window: there
# is no display to fall back on, so an attempt would show as Qt's own complaint or an abort.
check_refusal() {
    local program=$1 out=$work/refusal.out err=$work/refusal.err status shown
    # A file name is taken (the window opens with it), so only options are refused here.
    local -a lines=("--bogus" "--bogus video.flv" "--version --help" "--help extra" "-h")
    local line
    for line in "${lines[@]}"; do
        read -r -a args <<<"$line"
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "${args[@]}" >"$out" 2>"$err"
        status=$?
        shown="talvenor $line"
        check "'$shown' exits with a plain failure code (got $status)" test "$status" -ne 0 -a "$status" -lt 128
        check "'$shown' is refused in French, naming the argument" \
            grep -qF "argument non reconnu « ${args[0]} »" "$err"
        check "'$shown' prints the usage" grep -q "Utilisation" "$err"
        check "'$shown' never reaches for a display" bash -c "! grep -qiE 'display|xcb|qt\\.qpa' '$err'"
        check "'$shown' prints nothing on standard output" test ! -s "$out"
    done
}

case_install() {
    local build=$1 prefix=$work/prefix
    need cmake desktop-file-validate appstreamcli
    cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "cmake --install"; finish; }

    cat >"$work/expected" <<'LIST'
bin/talvenor
libexec/talvenor/talvenor-console
share/applications/talvenor.desktop
share/doc/talvenor/changelog.gz
share/doc/talvenor/copyright
share/icons/hicolor/128x128/apps/talvenor.png
share/icons/hicolor/32x32/apps/talvenor.png
share/man/man1/talvenor.1.gz
share/metainfo/example.talvenor.Talvenor.metainfo.xml
LIST
    file_list "$prefix" >"$work/installed"
    check "cmake --install puts exactly the expected files in place" diff -u "$work/expected" "$work/installed"
    check "the installed program is executable" test -x "$prefix/bin/talvenor"
    check "the installed program reports its version" \
        test "$("$prefix/bin/talvenor" --version)" = "Talvenor 1.0"

    local icon size
    for size in 32 128; do
        icon=$prefix/share/icons/hicolor/${size}x${size}/apps/talvenor.png
        check "the ${size}x${size} icon is a ${size}x${size} PNG" test "$(png_size "$icon")" = "${size}x${size}"
    done

    local desktop=$prefix/share/applications/talvenor.desktop
    check "desktop-file-validate accepts the desktop entry" desktop-file-validate "$desktop"
    check "the desktop entry starts the installed program" test -x "$prefix/bin/$(desktop_key "$desktop" Exec | cut -d' ' -f1)"
    check "the desktop entry names the installed icon" \
        test -f "$prefix/share/icons/hicolor/32x32/apps/$(desktop_key "$desktop" Icon).png"
    check "the desktop entry is filed under AudioVideo;Video;" \
        bash -c "desktop_categories=\$(sed -n 's/^Categories=//p' '$desktop'); [[ \";\$desktop_categories\" == *';AudioVideo;'* && \";\$desktop_categories\" == *';Video;'* ]]"
    check "the desktop entry's name and comment are French" \
        bash -c "grep -q '^Name=Talvenor$' '$desktop' && grep -q '^Comment=.*vidéos' '$desktop'"

    check "the desktop entry passes the chosen file to the program" grep -q '^Exec=talvenor %f$' "$desktop"
    for type in video/x-flv video/x-msvideo video/avi video/msvideo; do
        check "the desktop entry opens $type" bash -c "sed -n 's/^MimeType=//p' '$desktop' | tr ';' '\\n' | grep -qx '$type'"
    done
    local metainfo=$prefix/share/metainfo/example.talvenor.Talvenor.metainfo.xml
    check "appstreamcli validate accepts the metadata" appstreamcli validate --no-net "$metainfo"
    # The tree check also ties the metadata to the installed desktop entry.
    check "appstreamcli validate-tree accepts the installed tree" appstreamcli validate-tree --no-net "$prefix"
    check "the metadata launches the installed desktop entry" \
        grep -q "<launchable type=\"desktop-id\">talvenor.desktop</launchable>" "$metainfo"
    for type in video/x-flv video/x-msvideo video/avi video/msvideo; do
        check "the metadata provides $type" grep -q "<mediatype>$type</mediatype>" "$metainfo"
    done
    check "the metadata shows a screenshot, the release 1.0 and a content rating" bash -c \
        "grep -q '<caption>' '$metainfo' && grep -q '<release version=\"1.0\" date=' '$metainfo' && grep -q '<content_rating' '$metainfo'"
    # The licence, as each file that the package carries states it: GPL 3 or later.
    check "the metadata's one project licence is GPL-3.0-or-later" \
        test "$(grep -o '<project_license>[^<]*' "$metainfo")" = "<project_license>GPL-3.0-or-later"
    local copyright=$prefix/share/doc/talvenor/copyright
    check "the copyright file puts every file under GPL-3+" \
        test "$(awk -v RS= '/(^|\n)Files: \*\n/' "$copyright" | sed -n 's/^License: //p')" = "GPL-3+"
    check "and GPL-3+ there is version 3 or any later version" bash -c \
        "awk -v RS= '/^License: GPL-3\\+\n/' '$copyright' | tr -s ' \n' ' ' | grep -qF 'either version 3 of the License, or (at your option) any later version'"
    finish
}

start_xvfb() {  # sets DISPLAY_NUMBER
    local fifo=$work/displayfd
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >"$work/xvfb.log" 2>&1 &
    local xvfb=$!
    cleanups+=("kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null")
    if ! read -r -t 15 DISPLAY_NUMBER <"$fifo"; then
        cat "$work/xvfb.log" >&2
        fail "Xvfb did not start"
        finish
    fi
}

case_deb() {
    local build=$1
    need cpack dpkg dpkg-deb Xvfb xdotool lintian man
    if [[ $(id -u) -ne 0 ]]; then echo "SKIP: installing the package needs root" >&2; exit $SKIP; fi
    local state
    state=$(dpkg-query -W -f='${db:Status-Status}' talvenor 2>/dev/null)
    if [[ -n $state && $state != not-installed && $state != config-files ]]; then
        fail "a talvenor package is already installed here; remove it (dpkg -r talvenor) and rerun"
        finish
    fi

    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 \
        || { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; finish; }
    local deb
    deb=$(find "$work/cpack" -maxdepth 1 -name 'talvenor_*.deb' | head -n1)
    [[ -n $deb ]] || { fail "cpack made no talvenor_*.deb"; finish; }
    pass "cpack -G DEB built $(basename "$deb")"
    # Its infos (-I) name a program built without Debian's hardening.
    local verdict="lintian finds no error, no warning and no program without Debian's hardening"
    if lintian -I "$deb" >"$work/lintian.log" 2>&1 && ! grep -qE '^[EW]: |^I: .*hardening-' "$work/lintian.log"; then
        pass "$verdict"
    else cat "$work/lintian.log" >&2; fail "$verdict"; fi

    check "the package is called talvenor" test "$(dpkg-deb -f "$deb" Package)" = talvenor
    check "the package's version is 1.0" test "$(dpkg-deb -f "$deb" Version)" = 1.0
    local depends dep
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    # A library's package may carry "t64" (Debian 13's libqt6core6t64, built with a 64-bit time_t).
    for dep in libqt6widgets6 libqt6gui6 libqt6core6 libx11-6 libxtst6 ffmpeg fonts-liberation2 qt6-translations-l10n; do
        check "the package depends on $dep" grep -qE "(^|, )$dep(t64)?( |,|$)" <<<"$depends"
    done
    check "the package needs ffmpeg 5.0 or later, which the MPEG-1 conversion's filter needs" grep -qF "ffmpeg (>= 7:5.0)" <<<"$depends"
    check "the package depends on a terminal emulator" grep -qE "xterm \| x-terminal-emulator" <<<"$depends"
    check "the package suggests the GTK dialogs" grep -qE "(^|, )qt6-gtk-platformtheme( |,|$)" <<<"$(dpkg-deb -f "$deb" Suggests)"
    dpkg-deb -x "$deb" "$work/unpacked"
    check "the packaged program is stripped" \
        bash -c "! readelf -S '$work/unpacked/usr/bin/talvenor' | grep -qE '\\.symtab|\\.debug_'"

    dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg -i"; dpkg -r talvenor >/dev/null 2>&1; finish; }
    cleanups+=("dpkg -r talvenor >/dev/null 2>&1")
    pass "dpkg -i installed the package"

    check "the program is installed as /usr/bin/talvenor" test -x /usr/bin/talvenor
    check "its conversion console is where the program looks for it" test -x /usr/bin/../libexec/talvenor/talvenor-console
    check "the desktop entry is installed" test -f /usr/share/applications/talvenor.desktop
    check "the icon is installed in the hicolor theme" test -f /usr/share/icons/hicolor/32x32/apps/talvenor.png
    check "talvenor --version prints Talvenor 1.0" test "$(env -u DISPLAY /usr/bin/talvenor --version)" = "Talvenor 1.0"
    check "talvenor --help exits 0" bash -c "env -u DISPLAY /usr/bin/talvenor --help >'$work/help' 2>&1"
    check "talvenor --help shows a French usage" grep -q "Utilisation : talvenor" "$work/help"
    check "man finds the installed page" test "$(man -w talvenor)" = /usr/share/man/man1/talvenor.1.gz
    check "man shows it, without a warning" bash -c \
        "LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l /usr/share/man/man1/talvenor.1.gz >'$work/man' 2>'$work/man.err';
         cat '$work/man.err' >&2; test ! -s '$work/man.err' && grep -q 'talvenor -- -FICHIER' '$work/man'"
    check_refusal /usr/bin/talvenor

    start_xvfb
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=":$DISPLAY_NUMBER" XDG_RUNTIME_DIR="$work" \
        /usr/bin/talvenor >"$work/run.log" 2>&1 &
    local program=$!
    cleanups+=("kill $program 2>/dev/null; wait $program 2>/dev/null")
    local window
    window=$(DISPLAY=":$DISPLAY_NUMBER" timeout 20 xdotool search --sync --onlyvisible --name "^Talvenor 1\\.0 " | head -n1)
    if [[ -n $window ]]; then
        pass "the installed program maps its window"
        local geometry
        geometry=$(DISPLAY=":$DISPLAY_NUMBER" xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')
        check "the window is 367x287 (got $geometry)" test "$geometry" = 367x287
        check "the window belongs to /usr/bin/talvenor" \
            test "$(DISPLAY=":$DISPLAY_NUMBER" xdotool getwindowpid "$window")" = "$program"
    else
        cat "$work/run.log" >&2
        fail "the installed program maps its window within 20 s"
    fi
    check "the program is still running with its window up" kill -0 "$program"
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null

    if dpkg -r talvenor >"$work/remove.log" 2>&1; then pass "dpkg -r removes the package"; else cat "$work/remove.log" >&2; fail "dpkg -r"; fi
    check "removing the package removes /usr/bin/talvenor" test ! -e /usr/bin/talvenor
    finish
}

case_windows_zip() {
    local source=$1 windir=$2 n
    if [[ ! -f $windir/Talvenor.exe ]]; then echo "SKIP: no Windows build at $windir" >&2; exit $SKIP; fi
    need unzip zip makensis git
    # The release made twice, from two clones of the commit in different folders, one after the other.
    local -A out=([a]=$work/a/out [b]=$work/elsewhere/b/out)
    for n in a b; do
        local clone=${out[$n]%/out}/talvenor
        git clone -q "$source" "$clone" && cmake -S "$clone" -B "$clone/build-win" -G Ninja -DTALVENOR_BUILD_TESTS=OFF \
            -DCMAKE_TOOLCHAIN_FILE="$clone/cmake/mingw-w64-x86_64.cmake" >"$work/build-$n.log" 2>&1 &&
            cmake --build "$clone/build-win" --target Talvenor >>"$work/build-$n.log" 2>&1 &&
            "$clone/scripts/package-win.sh" "$clone/build-win" "${out[$n]}" >>"$work/build-$n.log" 2>&1 ||
            { tail -n 40 "$work/build-$n.log" >&2; fail "the release made from clone $n"; finish; }
        [[ $n == a ]] && cp "$clone/build-win/Talvenor.exe" "$work/Talvenor-a.exe"
        [[ $n == b ]] && check "Talvenor.exe is the same, byte for byte, from either clone" \
            cmp "$work/Talvenor-a.exe" "$clone/build-win/Talvenor.exe"
    done
    local zip=${out[a]}/Talvenor-1.0-windows.zip file
    for file in Talvenor-1.0-windows.zip Talvenor-1.0-setup.exe Talvenor-1.0-sources.tar.xz SHA256SUMS; do
        check "$file is the same, byte for byte, from either clone" cmp "${out[a]}/$file" "${out[b]}/$file"
    done
    check "SHA256SUMS holds the three files' checksums" \
        bash -c "cd '${out[a]}' && [[ \$(wc -l <SHA256SUMS) -eq 3 ]] && sha256sum --quiet -c SHA256SUMS"
    unzip -Z1 "$zip" | LC_ALL=C sort >"$work/listing"
    printf '%s\n' Talvenor/ Talvenor/LISEZMOI.txt Talvenor/Talvenor.exe Talvenor/ffmpeg.exe Talvenor/ffplay.exe Talvenor/licences/ \
        Talvenor/licences/{Talvenor-GPL-3.0,ffmpeg-LGPL-2.1,LAME-LGPL-2,SDL2-zlib,zlib,SOURCES}.txt | LC_ALL=C sort >"$work/expected"
    check "the zip holds Talvenor.exe, LISEZMOI.txt, the tools and the licences in one folder" \
        diff -u "$work/expected" "$work/listing"
    check "the zipped Talvenor.exe is the built one" cmp <(unzip -p "$zip" Talvenor/Talvenor.exe) "$work/Talvenor-a.exe"
    unzip -p "$zip" Talvenor/LISEZMOI.txt >"$work/lisezmoi"
    check "LISEZMOI.txt says where ffmpeg.exe and ffplay.exe go" \
        bash -c "grep -q 'ffmpeg.exe' '$work/lisezmoi' && grep -q 'ffplay.exe' '$work/lisezmoi' && grep -q 'à côté de Talvenor.exe' '$work/lisezmoi'"
    check "LISEZMOI.txt has Windows line endings" \
        bash -c "[[ \$(grep -c \$'\\r\$' '$work/lisezmoi') -eq \$(wc -l <'$work/lisezmoi') ]]"
    check "LISEZMOI.txt names the licence and the sources archive" \
        bash -c "grep -q 'GNU GPL version 3 ou ultérieure' '$work/lisezmoi' && grep -q 'Talvenor-1.0-sources.tar.xz' '$work/lisezmoi'"
    check "licences/Talvenor-GPL-3.0.txt is the GNU GPL version 3 of COPYING" bash -c \
        "unzip -p '$zip' Talvenor/licences/Talvenor-GPL-3.0.txt | tr -d '\r' | cmp - '$source/COPYING' &&
         grep -q '^ *Version 3, 29 June 2007\$' '$source/COPYING'"
    # Every source file SOURCES.txt names is in the sources archive, with the checksum it gives.
    mkdir "$work/sources" && tar -xJf "${out[a]}/Talvenor-1.0-sources.tar.xz" -C "$work/sources"
    local tree=$work/sources/Talvenor-1.0-sources named=0 name sum
    while read -r name && read -r _ sum; do
        named=$((named + 1))
        check "the sources archive holds $name with its SHA-256" \
            test "$(sha256sum <"$tree/debian-sources/$name" 2>/dev/null | cut -d' ' -f1)" = "$sum"
    done < <(unzip -p "$zip" Talvenor/licences/SOURCES.txt | tr -d '\r' | grep -B1 '^      SHA-256 ' | grep -v '^--' | sed 's/^ *//')
    check "SOURCES.txt names the four source packages' files ($named)" test "$named" -ge 12
    check "the sources archive holds no file SOURCES.txt does not name" \
        test "$(find "$tree/debian-sources" -type f | wc -l)" -eq "$named"
    check "the sources archive holds Talvenor's sources of the commit, the tools' build script among them" \
        bash -c "cd '$source' && git archive --format=tar HEAD | tar -t | grep -v '/\$' | LC_ALL=C sort >'$work/commit' &&
                 (cd '$tree/talvenor-1.0' && find . -type f | sed 's|^\./||' | LC_ALL=C sort) | diff -q '$work/commit' - >/dev/null &&
                 cmp '$tree/talvenor-1.0/scripts/build-win-tools.sh' <(git show HEAD:scripts/build-win-tools.sh)"
    finish
}

case "${1:-}" in
    install) case_install "$2" ;;
    deb) case_deb "$2" ;;
    windows-zip) case_windows_zip "$2" "$3" ;;
    *) echo "usage: $0 install BUILD_DIR | deb BUILD_DIR | windows-zip SOURCE_DIR WIN_DIR" >&2; exit 2 ;;
esac
