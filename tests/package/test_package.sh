#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian (no error or warning),
# unpacks it into a scratch root as dpkg would install it, and runs the
# installed tool from there: --version, then one generation against the test
# server, from an empty folder, with the installed master list and sample
# configuration and the password from the environment. The installed window
# starts from an empty folder and an empty home, as from a desktop menu.
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

# Every error and warning counts; the few tags that do not apply are
# overridden in the package itself, each with its reason.
linted=0
if command -v lintian >/dev/null; then
  lint=$(lintian "$deb" 2>&1) || true
  ! grep -E '^[EW]: ' <<<"$lint" || fail "lintian finds faults in $(basename "$deb")"
  linted=1
fi

root=$work/root
dpkg -x "$deb" "$root"
for f in usr/bin/velartis-cli usr/share/man/man1/velartis-cli.1.gz usr/share/doc/velartis/copyright \
         usr/share/doc/velartis/changelog.gz usr/share/doc/velartis/examples/velartis-server.cnf \
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
  [ -s "$root/usr/share/man/man1/velartis.1.gz" ] || fail "the window has no manual page"
  if command -v desktop-file-validate >/dev/null; then
    out=$(desktop-file-validate "$root/usr/share/applications/velartis.desktop" 2>&1) &&
      [ -z "$out" ] || fail "the .desktop file is not valid: $out"
  fi
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

# The installed window, started as a desktop menu starts it: in a folder
# without its files and with a home of its own. It copies the installed
# files into the user's folder and stays up; a second start keeps the
# user's copy as it is.
wnd=$root/usr/bin/velartis
pid=
stopWindow() { [ -z "$pid" ] || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; pid=; }; }
trap 'stopWindow; rm -rf "$work"' EXIT
startWindow() {  # startWindow: runs the window for 2 s, fails if it ended
  env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY -u WAYLAND_DISPLAY -u VELARTIS_DB_HOST \
    -u VELARTIS_DB_PORT -u VELARTIS_DB_SOCKET HOME="$work/whome" \
    XDG_CONFIG_HOME="$work/whome/.config" QT_QPA_PLATFORM=offscreen \
    "$wnd" >"$work/window.log" 2>&1 &
  pid=$!
  # A busy machine may take a while to start it; then it must stay up.
  for _ in $(seq 40); do [ -s "$work/whome/.config/velartis/VAconfig.vac" ] && break; sleep 0.5; done
  sleep 2
  kill -0 "$pid" 2>/dev/null || { cat "$work/window.log" >&2; pid=; fail "the window ended at start"; }
  stopWindow
}
if [ -e "$wnd" ]; then
  mkdir "$work/whome" "$work/wrun"
  cd "$work/wrun"
  startWindow
  cfg=$work/whome/.config/velartis
  for f in Default.cfg VAconfig.vac; do
    cmp -s "$cfg/$f" "$root/usr/share/velartis/$f" || fail "the window did not copy $f into $cfg"
  done
  [ -z "$(ls -A "$work/wrun")" ] || fail "the window wrote into its start folder"
  sed -i 's/^LANG=2/LANG=3/' "$cfg/Default.cfg"
  cp "$cfg/Default.cfg" "$work/mine.cfg"
  startWindow
  cmp -s "$cfg/Default.cfg" "$work/mine.cfg" || fail "the window replaced the user's Default.cfg"
  [ "$(ls -A "$cfg")" = "$(printf 'Default.cfg\nVAconfig.vac')" ] || fail "left in $cfg: $(ls -A "$cfg")"
fi

echo "test_package: $(basename "$deb") installs and its tool wrote $(basename "$written")"
[ "$linted" = 1 ] || { echo "test_package: lintian is not installed; not checked"; exit 77; }
echo "test_package: lintian finds no error or warning"
