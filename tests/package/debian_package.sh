#!/usr/bin/env bash
# The Debian package as a user gets it: cpack makes it from this build, dpkg -x unpacks it into a
# scratch root, and the program found there starts on a private X server and quits with Escape.
# The package must carry the program, its desktop entry, icon and AppStream metainfo (which
# appstreamcli accepts), the project's version, and the Qt libraries among its dependencies.
source "$(dirname "$0")/../e2e/lib.sh"
: "${BUILD_DIR:?the release build folder}"
: "${VERSION:?the project version}"
for tool in dpkg-shlibdeps:dpkg-dev appstreamcli:appstream; do
    command -v "${tool%%:*}" >/dev/null ||
        fail "${tool%%:*} is not installed (Debian package ${tool#*:}; scripts/install-deps)"
done

out="$e2e_dir/package"
cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$out" >"$e2e_dir/cpack.log" 2>&1 ||
    fail "cpack could not make the package: $(tail -n 20 "$e2e_dir/cpack.log")"
deb="$out/tessarine_${VERSION}_$(dpkg --print-architecture).deb"
[[ -f "$deb" ]] || fail "no $(basename "$deb") was made; cpack made: $(ls "$out")"

[[ $(dpkg-deb -f "$deb" Version) == "$VERSION" ]] ||
    fail "the package's version is $(dpkg-deb -f "$deb" Version), not the project's $VERSION"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* && $depends == *libc6* ]] ||
    fail "the package does not depend on Qt's libraries and the C library: Depends: $depends"

root="$e2e_dir/root"
dpkg -x "$deb" "$root"
metainfo="$root/usr/share/metainfo/org.tessarine.Tessarine.metainfo.xml"
for file in usr/bin/tessarine usr/share/applications/tessarine.desktop \
    usr/share/icons/hicolor/256x256/apps/tessarine.png "${metainfo#"$root"/}"; do
    [[ -s "$root/$file" ]] || fail "the package lacks /$file; it holds: $(dpkg-deb -c "$deb")"
done
[[ -x "$root/usr/bin/tessarine" ]] || fail "/usr/bin/tessarine is not executable"
grep -qx 'Exec=tessarine' "$root/usr/share/applications/tessarine.desktop" ||
    fail "the desktop entry does not start tessarine"
appstreamcli validate --no-net "$metainfo" >"$e2e_dir/validate.log" 2>&1 ||
    fail "appstreamcli rejects the metainfo: $(cat "$e2e_dir/validate.log")"
grep -q "<release version=\"$VERSION\"" "$metainfo" ||
    fail "the metainfo does not name release $VERSION"

TESSARINE="$root/usr/bin/tessarine"
e2e_start
e2e_key Escape
e2e_wait_exit 10
[[ $exit_code == 0 ]] || fail "the packaged program did not end with 0 on Escape (got: $exit_code)"
echo "debian package: ok ($(basename "$deb"), $(du -k "$deb" | cut -f1) kB)"
