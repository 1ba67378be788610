#!/bin/sh
# Makes the Debian package from a finished build into a temporary folder and checks it: the name,
# the version, the dependencies found by dpkg-shlibdeps, every file it must hold, and, where the
# tools are installed, appstreamcli, desktop-file-validate and lintian.
# Usage: check-package.sh BUILD_DIR VERSION APPSTREAM_ID ICON_SIZES...
# Exit 77 (skipped) when cpack or the dpkg tools are missing.
set -u
build=$1 version=$2 id=$3
shift 3

for tool in cpack dpkg-deb dpkg-shlibdeps dpkg; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack did not make the package"
    exit 1
fi
deb="$work/tandrix_${version}_$(dpkg --print-architecture).deb"
if [ ! -f "$deb" ]; then
    ls "$work"
    echo "FAIL: no $(basename "$deb")"
    exit 1
fi
echo "made $(basename "$deb")"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = tandrix ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
depends=$(field Depends)
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 zlib1g; do
    case "$depends" in
    *"$lib"*) ;;
    *) fail "Depends lacks $lib: $depends" ;;
    esac
done

dpkg-deb --contents "$deb" >"$work/contents"
expect() {
    grep -q " \./$1\$" "$work/contents" || fail "missing /$1"
}
expect usr/bin/Tandrix
expect usr/share/applications/tandrix.desktop
expect usr/share/icons/hicolor/scalable/apps/tandrix.svg
for size in "$@"; do
    expect "usr/share/icons/hicolor/${size}x${size}/apps/tandrix.png"
done
expect "usr/share/metainfo/$id.metainfo.xml"
expect usr/share/man/man1/Tandrix.1.gz
expect usr/share/man/de/man1/Tandrix.1.gz
expect usr/share/doc/tandrix/copyright
expect usr/share/doc/tandrix/changelog.gz
if grep -v ' \./usr/' "$work/contents" | grep -qv ' \./$'; then
    fail "files outside /usr: $(grep -v ' \./usr/' "$work/contents")"
fi

root="$work/root"
dpkg-deb --extract "$deb" "$root"
grep -q "Tandrix build stamp: " "$root/usr/bin/Tandrix" || fail "the installed program has no build stamp"
for page in man1/Tandrix.1.gz de/man1/Tandrix.1.gz; do
    gzip -dc "$root/usr/share/man/$page" | grep -q "^\.TH TANDRIX 1 .*\"Tandrix $version\"" ||
        fail "manual page $page does not name version $version"
done
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the metadata do not name release $version"

if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
    # The whole tree: the metadata with the desktop entry and the icons they name.
    appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"
else
    echo "appstreamcli is not installed: metadata not validated"
fi
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$root/usr/share/applications/tandrix.desktop" || fail "desktop-file-validate"
else
    echo "desktop-file-validate is not installed: desktop entry not validated"
fi
if command -v lintian >/dev/null 2>&1; then
    lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"
else
    echo "lintian is not installed: package not checked by it"
fi

[ "$failures" -eq 0 ] || exit 1
echo "package checked"
