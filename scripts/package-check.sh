#!/usr/bin/env bash
# Checks the Debian packages built from an already built tree: their file lists and modes,
# lintian, that an upgrade and a removal keep the configuration under ini/, and that the
# installed programs run (tests/app/tst_package_e2e: start, log in, quit under Xvfb).
#   scripts/package-check.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder}
root=/opt/quintrel/orvane

fail() { echo "package-check: $*" >&2; exit 1; }

debs=$(BUILD_DIR=$build scripts/package.sh)
main=$(echo "$debs" | grep '/corvisbench_') || fail "no corvisbench package"
tools=$(echo "$debs" | grep '/corvisbench-tools_') || fail "no corvisbench-tools package"
du -h $main $tools

echo "== file lists"
list() { dpkg-deb -c "$1" | awk '{ print $1, $2, $6 }' | sed 's# \./# /#'; }
main_list=$(list "$main")
tools_list=$(list "$tools")
has() { # has LIST PATH: the package holds the path
  echo "$1" | awk '{ print $3 }' | grep -qx "$2" || fail "missing $2"
}
for path in $root/bin/corvisbench $root/lib/libcorvis_common.so $root/lib/libcorvis_views.so \
  $root/lib/libcorvismsg.so $root/resource/logo.png $root/resource/default/clientmain/loading.gif \
  /usr/share/applications/corvisbench.desktop /etc/xdg/autostart/corvisbench.desktop \
  /usr/share/doc/corvisbench/changelog.gz /usr/share/doc/corvisbench/copyright; do
  has "$main_list" "$path"
done
for size in 16 24 32 48 64 128 256; do
  has "$main_list" "/usr/share/icons/hicolor/${size}x${size}/apps/corvisbench.png"
done
for path in $root/bin/corvissim $root/bin/corvisctlsim $root/bin/corvisinspect $root/bin/corvistoken \
  $root/lib/libcorvisskf.so /usr/share/doc/corvisbench-tools/copyright; do
  has "$tools_list" "$path"
done
# The tools never in the workbench's package; neither the configuration nor test programs anywhere.
echo "$main_list" | grep -E 'corvis(sim|ctlsim|inspect|token)$|libcorvisskf' && fail "a tool in corvisbench"
echo "$main_list$tools_list" | grep -E "$root/(ini|log|cache)/|corvisdemo|/tst_" && fail "unwanted files"
# Owned by root; programs 0755, everything else 0644, directories 0755.
echo "$main_list$tools_list" | awk '
  $2 != "root/root" { print "owner:", $0; bad = 1 }
  /^d/ && $1 != "drwxr-xr-x" { print "mode:", $0; bad = 1 }
  /^-/ && $3 ~ /\/bin\/[^/]+$/ && $1 != "-rwxr-xr-x" { print "mode:", $0; bad = 1 }
  /^-/ && $3 !~ /\/bin\/[^/]+$/ && $1 != "-rw-r--r--" { print "mode:", $0; bad = 1 }
  END { exit bad }' || fail "wrong owner or mode"
dpkg-deb -f "$main" Depends | grep -q 'libqt5widgets5' || fail "no dependencies computed for corvisbench"
dpkg-deb -f "$tools" Depends | grep -q 'corvisbench (= ' || fail "corvisbench-tools does not depend on corvisbench"

echo "== lintian"
lintian --fail-on error --info --display-level '>=warning' "$main" "$tools"

echo "== upgrade and removal keep ini/"
scripts/package-upgrade-check.sh "$main"

echo "== installed programs"
CORVIS_PACKAGE_DIR=$(dirname "$main") ctest --test-dir "$build" -R '^tst_package_e2e$' --output-on-failure
echo "== packages checked"
