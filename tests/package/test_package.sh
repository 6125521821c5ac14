#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root as dpkg would
# install it, and runs the installed tool from there: --version, then one
# generation against the test server, from an empty folder, with the
# installed master list and sample configuration and the password from the
# environment.
#   test_package.sh BUILD_DIR DB_PORT VERSION
set -euo pipefail
build=$1
port=$2
version=$3
fail() { echo "test_package: $*" >&2; exit 1; }
command -v cpack >/dev/null && command -v dpkg-deb >/dev/null ||
  { echo "test_package: no cpack or dpkg-deb; skipped"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/pkg/velartis_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single velartis_*.deb in $work/pkg"
deb=${debs[0]}

# apt installs what Depends names: the database client library at least.
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libmariadb3* ]] || fail "Depends does not name libmariadb3: '$depends'"

root=$work/root
dpkg -x "$deb" "$root"
for f in usr/bin/velartis-cli usr/share/man/man1/velartis-cli.1.gz \
         usr/share/bash-completion/completions/velartis-cli usr/share/velartis/schema.sql \
         usr/share/velartis/sample_data.sql usr/share/velartis/VAconfig.vac \
         usr/share/velartis/Default.cfg; do
  [ -s "$root/$f" ] || fail "the package lacks /$f"
done
[ -x "$root/usr/share/velartis/dbserver.sh" ] || fail "the package lacks /usr/share/velartis/dbserver.sh"
gzip -dc "$root/usr/share/man/man1/velartis-cli.1.gz" | grep -q "^\.TH VELARTIS-CLI 1 .*$version" ||
  fail "the manual page is not that of version $version"
if [ -e "$root/usr/bin/velartis" ]; then
  [ -s "$root/usr/share/applications/velartis.desktop" ] || fail "the window has no .desktop file"
  [ -s "$root/usr/share/icons/hicolor/scalable/apps/velartis.svg" ] || fail "the window has no icon"
fi

cli=$root/usr/bin/velartis-cli
[ "$("$cli" --version)" = "velartis-cli (Velartis $version)" ] || fail "--version: $("$cli" --version)"

mkdir "$work/home" "$work/run"
cd "$work/run"
written=$(env -u VELARTIS_DB_USER -u VELARTIS_DB_SOCKET HOME="$work/home" \
  VELARTIS_DB_HOST=127.0.0.1 VELARTIS_DB_PORT="$port" VELARTIS_DB_NAME=velartis_sample \
  VELARTIS_DB_PASSWORD=vapass1 "$cli" -q --format ndf --output "$work/lists") ||
  fail "the installed tool failed: $written"
[[ $written == "$work/lists/"*.ndf ]] && [ -s "$written" ] || fail "no list written: '$written'"
echo "test_package: $(basename "$deb") installs and its tool wrote $(basename "$written")"
