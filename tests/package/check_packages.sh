#!/usr/bin/env bash
# The release packages in dist/ (scripts/package.sh), tried as a user would:
#   check_packages.sh NATIVE_BUILD_DIR
# - the zip: one folder with the program, its five files and README.txt in
#   Windows line endings, the program importing Windows' own DLLs only;
#   unpacked into a folder whose name has a space and a non-ASCII letter and
#   started there under Wine as Explorer would: slide 0 on screen, Escape
#   ends it with status 0;
# - each deb (amd64, arm64, armhf): lintian without errors or warnings, its
#   run-time libraries and libgl1 among its dependencies and no build tool,
#   exactly the expected files with their modes, all but the program the
#   same bytes in the three, the program built for the deb's architecture;
# - this machine's deb: installed with apt-get, "cquorvath" started by an
#   ordinary user (nobody, with a login's PATH) from an unrelated folder:
#   slide 0, Escape, status 0; purged, none of its files left. It is
#   installed on this machine and always purged again, with whatever its
#   installation brought.
# The native build must hold jpegdecode (the expected pictures).
# Last line: "package: N passed, M failed".
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "$1" && pwd)
xvfb=$root/tests/support/with_xvfb.sh
export E2E_DECODER=$native/jpegdecode
version=$(sed -n 's/^project(cquorvath VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
top=cquorvath-$version
zip=$root/dist/$top-win32.zip
deb_of() { echo "$root/dist/cquorvath_${version}_$1.deb"; }
deb_arches=(amd64 arm64 armhf)
deb=$(deb_of "$(dpkg --print-architecture)")
passed=0
failed=0
tmp=$(mktemp -d)
chmod 755 "$tmp"
installed=
cleanup() {
    [ -n "$installed" ] && purge >/dev/null 2>&1
    rm -rf "$tmp"
}
trap cleanup EXIT

. "$root/tests/support/check.sh"
CHECK_LOG="$tmp/log"
# same WHAT EXPECTED ACTUAL: the two texts are equal, or both are shown.
same() {
    [ "$2" = "$3" ] && return
    printf '%s: expected\n%s\ngot\n%s\n' "$1" "$2" "$3"
    return 1
}

zip_contents() {
    local expected bad
    expected=$({
        printf '%s\n' "$top/" "$top/README.txt" "$top/cquorvath.exe"
        cd "$root/assets" && printf "$top/%s\n" *
    } | sort)
    same "entries" "$expected" "$(unzip -Z1 "$zip" | sort)" || return
    ! unzip -p "$zip" "$top/README.txt" | grep -n -v $'\r$' || { echo "README.txt: lines without CR"; return 1; }
    unzip -p "$zip" "$top/cquorvath.exe" >"$tmp/cquorvath.exe"
    bad=$(i686-w64-mingw32-objdump -p "$tmp/cquorvath.exe" | sed -n 's/^\tDLL Name: //p' |
        grep -vix -e kernel32.dll -e user32.dll -e gdi32.dll -e opengl32.dll -e glu32.dll \
            -e winmm.dll -e msvcrt.dll)
    same "DLLs beyond Windows' own" "" "$bad"
}
# The unpacked folder, started as a double-click would: the program's own
# folder is the current one. The Wine server goes before the screen does.
zip_show() {
    local folder="$tmp/Mökki show"
    mkdir "$folder" && unzip -q "$zip" -d "$folder" || return
    . "$root/tests/win32/wine_env.sh"
    wine_prefix "$root/build-release-win32"
    bash "$xvfb" bash -c '"$@"; s=$?; wineserver -k 2>/dev/null; wineserver -w; exit $s' _ \
        bash "$root/tests/e2e/show.sh" escape env -C "$folder/$top" wine cquorvath.exe
}

# deb_check ARCH: one deb as built, against the amd64 one.
deb_check() {
    local arch=$1 file depends expected machine
    file=$(deb_of "$arch")
    lintian --fail-on error,warning --display-info "$file" || return
    depends=$(dpkg-deb -f "$file" Depends)
    echo "Depends: $depends"
    grep -q '\blibsdl2-2\.0-0\b' <<<"$depends" && grep -q '\blibgl1$' <<<"$depends" ||
        { echo "no SDL or libgl1 among the dependencies"; return 1; }
    ! grep -E -- '-dev\b|\b(gcc|g\+\+|clang|cpp|make|cmake)\b' <<<"$depends" || return
    same "Architecture" "$arch" "$(dpkg-deb -f "$file" Architecture)" || return
    # Every file with its mode; folders follow from them.
    expected=$({
        printf '%s\n' "-rwxr-xr-x ./usr/games/cquorvath" "-rwxr-xr-x ./usr/libexec/cquorvath/cquorvath"
        cd "$root/assets" && printf -- "-rw-r--r-- ./usr/share/games/cquorvath/%s\n" *
        printf -- "-rw-r--r-- ./usr/share/%s\n" applications/cquorvath.desktop \
            doc/cquorvath/changelog.gz doc/cquorvath/copyright man/man6/cquorvath.6.gz \
            icons/hicolor/48x48/apps/cquorvath.png icons/hicolor/256x256/apps/cquorvath.png
    } | sort)
    same "files" "$expected" "$(dpkg-deb -c "$file" | sed -n 's|^\(-[rwx-]*\) .* \./|\1 ./|p' | sort)" || return
    dpkg-deb -x "$file" "$tmp/$arch"
    [ -d "$tmp/amd64" ] || dpkg-deb -x "$(deb_of amd64)" "$tmp/amd64"
    if [ "$arch" != amd64 ]; then
        diff -r -x cquorvath "$tmp/amd64/usr/share" "$tmp/$arch/usr/share" &&
            cmp "$tmp/amd64/usr/games/cquorvath" "$tmp/$arch/usr/games/cquorvath" || return
    fi
    machine=$(readelf -h "$tmp/$arch/usr/libexec/cquorvath/cquorvath" | sed -n 's/^ *\(Machine\|Flags\): *//p' | paste -s -d ' ')
    echo "program: $machine"
    case $arch in
    amd64) [[ $machine == *X86-64* ]] ;;
    arm64) [[ $machine == *AArch64* ]] ;;
    armhf) [[ $machine == ARM\ *hard-float* ]] ;;
    esac || { echo "not a program for $arch"; return 1; }
}
packages() { dpkg-query -W -f '${Package}:${Architecture} ${Status}\n' | sed -n 's/ install ok installed$//p'; }
# purge: the package and anything its installation brought.
purge() {
    local brought
    brought=$(comm -13 "$tmp/before" <(packages | sort))
    apt-get purge -y -qq -o DPkg::Lock::Timeout=300 cquorvath $brought
}
deb_install() {
    packages | sort >"$tmp/before"
    installed=1
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 "$deb" \
        >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; return 1; }
    dpkg -L cquorvath >"$tmp/files"
    echo "brought: $(comm -13 "$tmp/before" <(packages | sort) | tr '\n' ' ')"
}
# "cquorvath" as an ordinary user types it: a login's environment on this
# screen, an empty folder of its own.
deb_show() {
    mkdir -m 755 "$tmp/elsewhere"
    cat >"$tmp/as_user" <<'EOS'
exec runuser -u nobody -- env -i DISPLAY="$DISPLAY" HOME=/nonexistent SDL_AUDIODRIVER=dummy \
    sh -c '. /etc/profile; cd "$1" && exec cquorvath' _ "$1"
EOS
    bash "$xvfb" bash "$root/tests/e2e/show.sh" escape sh "$tmp/as_user" "$tmp/elsewhere"
}
deb_purge() {
    local path status left=
    purge >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; return 1; }
    installed=
    status=$(dpkg-query -W -f '${Status}' cquorvath 2>/dev/null)
    case $status in '' | *not-installed) ;; *) echo "dpkg: $status"; return 1 ;; esac
    # Folders that other packages share stay.
    while IFS= read -r path; do
        if [ "$path" != /. ] && [ -e "$path" ] && { [ ! -d "$path" ] || ! dpkg -S "$path" >/dev/null 2>&1; }; then
            left+="$path"$'\n'
        fi
    done <"$tmp/files"
    same "left behind" "" "${left%$'\n'}" && echo "$(($(wc -l <"$tmp/files") - 1)) paths checked"
}

for f in "$zip" $(for arch in "${deb_arches[@]}"; do deb_of "$arch"; done); do
    [ -f "$f" ] || { echo "no $f (bash scripts/package.sh)"; exit 1; }
done
check "zip: one folder, the program, its five files, README.txt; Windows' DLLs only" zip_contents
check "zip: started in \"Mökki show\" under Wine: slide 0, Escape" zip_show
for arch in "${deb_arches[@]}"; do
    check "deb $arch: lintian clean, dependencies, files, program for $arch" deb_check "$arch"
done
check "deb: apt-get install" deb_install
[ -n "$installed" ] && check "deb: cquorvath from an unrelated folder: slide 0, Escape" deb_show
[ -n "$installed" ] && check "deb: purged, nothing left" deb_purge

echo "package: $passed passed, $failed failed"
[ "$failed" = 0 ]
