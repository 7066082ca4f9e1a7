#!/usr/bin/env bash
# Installs the corvisbench package into a scratch root with dpkg, writes settings under ini/ as
# the sibling services do, upgrades to a newer version of the same package, removes and purges it,
# and checks after each step that the settings are untouched.
#   scripts/package-upgrade-check.sh CORVISBENCH_DEB
set -euo pipefail
deb=$(realpath "${1:?corvisbench .deb}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
target=$work/root
ini=$target/opt/quintrel/orvane/ini

fail() { echo "package-upgrade-check: $*" >&2; exit 1; }

# An empty dpkg database of the scratch root.
mkdir -p "$target/var/lib/dpkg/info" "$target/var/lib/dpkg/updates" "$target/var/lib/dpkg/triggers"
touch "$target/var/lib/dpkg/status" "$target/var/lib/dpkg/available"
as_root=()
force=--force-depends
if [ "$(id -u)" -ne 0 ]; then
  as_root=(fakeroot)
  force=$force,not-root
fi
# dpkg's own complaints (the scratch root has none of the dependencies) only when it fails.
dpkg_root() {
  "${as_root[@]}" dpkg --root="$target" --log=/dev/null $force "$@" >"$work/dpkg.out" 2>&1 ||
    { cat "$work/dpkg.out" >&2; fail "dpkg $* failed"; }
}

# The newer version: the same content under a higher version number.
version=$(dpkg-deb -f "$deb" Version)
"${as_root[@]}" sh -c "dpkg-deb -R '$deb' '$work/next' && \
  sed -i 's/^Version: .*/Version: $version+next1/' '$work/next/DEBIAN/control' && \
  dpkg-deb -b '$work/next' '$work/next.deb' >/dev/null"

dpkg_root -i "$deb"
[ -x "$target/opt/quintrel/orvane/bin/corvisbench" ] || fail "not installed"
mkdir -p "$ini"
printf '[Mervasso]\nServerIP=10.20.30.40\ncsmode=1\n' > "$ini/syscfg.ini"
printf '[functions]\nrememberaccount=1\n[UserInfo]\nUserName=demo\n' > "$ini/userinfo.ini"
cp -a "$ini" "$work/ini.saved"
# An administrator switches the autostart off: a configuration file, kept as edited.
autostart=$target/etc/xdg/autostart/corvisbench.desktop
echo 'Hidden=true' >> "$autostart"
kept() {
  diff -r "$work/ini.saved" "$ini" >/dev/null || fail "ini/ changed after $1"
  echo "ini/ kept after $1"
}

dpkg_root -i "$work/next.deb"
dpkg_root -s corvisbench
[ "$(sed -n 's/^Version: //p' "$work/dpkg.out")" = "$version+next1" ] || fail "upgrade not installed"
kept "upgrade to $version+next1"
grep -qx 'Hidden=true' "$autostart" || fail "the edited autostart entry was replaced by the upgrade"
echo "edited autostart entry kept after upgrade"
dpkg_root -r corvisbench
[ ! -e "$target/opt/quintrel/orvane/bin/corvisbench" ] || fail "program left after removal"
kept removal
dpkg_root -P corvisbench
kept purge
