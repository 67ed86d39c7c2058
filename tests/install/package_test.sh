#!/usr/bin/env bash
# Builds the Debian package with CPack and checks it: its dependencies, its contents, the
# desktop entry and AppStream metadata, lintian (no errors), and the programs unpacked from
# it. The package is not installed here: the test must not change the machine it runs on.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
. "$(dirname "$0")/installed_checks.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) ||
  fail "cpack: $(cat "$work/cpack.log")"
shopt -s nullglob
debs=("$work"/package/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one .deb, found ${#debs[@]}"
deb=${debs[0]}

# dpkg-shlibdeps found the libraries the programs link.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6widgets6 libsqlite3-0 libbz2-1.0 libjpeg62-turbo libssl3; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = scourwell ] || fail "package name"

contents=$(dpkg-deb -c "$deb")
for path in ./usr/lib/scourwell/scourwell ./usr/lib/scourwell/scourwell-cli \
            ./usr/lib/scourwell/scourwell-db ./usr/lib/scourwell/files.dat \
            ./usr/lib/scourwell/RegBase.rgk ./usr/share/scourwell/assets/product_logo.jpg \
            "./usr/bin/scourwell -> ../lib/scourwell/scourwell" \
            "./usr/bin/scourwell-cli -> ../lib/scourwell/scourwell-cli" \
            ./usr/share/applications/org.scourwell.Scourwell.desktop \
            ./usr/share/metainfo/org.scourwell.Scourwell.metainfo.xml \
            ./usr/share/icons/hicolor/256x256/apps/scourwell.png \
            ./usr/share/man/man1/scourwell-cli.1.gz; do
  grep -qF -- "$path" <<<"$contents" || fail "the package lacks $path"
done

dpkg-deb -x "$deb" "$work/root"
check_installed_files "$work/root/usr"
desktop-file-validate "$work/root/usr/share/applications/org.scourwell.Scourwell.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.scourwell.Scourwell.metainfo.xml" \
  >"$work/appstream.log" 2>&1 || fail "appstreamcli validate: $(cat "$work/appstream.log")"

# Lintian's errors fail the test; its warnings are printed for the record.
lintian --allow-root "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then
  fail "lintian reports errors"
fi

check_installed_programs "$work/root/usr" "$work"
echo "package test passed"
