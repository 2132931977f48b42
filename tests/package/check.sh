#!/usr/bin/env bash
# Installs the Debian package on this machine, checks it, and purges it again.
#
# The package is STRANDLINE_PACKAGE when set; else it is packed from the build
# STRANDLINE_BUILD when that build is configured for the prefix /usr (as
# scripts/test configures it), else built by scripts/package. Checks: the
# version, the group, mode and capabilities of the frame-sending programs, that
# a user outside the group cannot run them and a user in it scans the
# simulated lab over veth with the capabilities alone, the window starting
# from / with them, desktop entries, AppStream metadata, lintian, the manual
# pages, and that removing and purging leave nothing behind.
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" -eq 0 ] || { echo "SKIPPED: needs root to install a package"; exit 77; }
command -v dpkg >/dev/null || { echo "SKIPPED: not a Debian system"; exit 77; }
for tool in apt-get dpkg-deb lintian desktop-file-validate appstreamcli getcap man runuser xvfb-run; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is missing (scripts/install-deps)"; exit 1; }
done

name=strandline
group=strandline
version=$(sed -n 's/^project(Strandline VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if dpkg-query -W -f='${db:Status-Status}' "$name" 2>/dev/null | grep -qv '^not-installed$'; then
  echo "FAILED: package $name is on this machine already; the check would replace and purge it"
  exit 1
fi
if getent group "$group" >/dev/null; then
  echo "FAILED: group $group exists already; the check would remove it"
  exit 1
fi

work=$(mktemp -d)
chmod 755 "$work"
outsider=sl-out-$$
member=sl-in-$$
export NETNS_LAB_SUFFIX=pkg$$
lab=scripts/netns-lab
installed=0
cleanup() {
  "$lab" down >/dev/null 2>&1 || true
  [ "$installed" -eq 0 ] || dpkg --purge "$name" >/dev/null 2>&1 || true
  for user in "$outsider" "$member"; do
    ! id "$user" >/dev/null 2>&1 || userdel "$user" >/dev/null 2>&1 || true
  done
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

fail=0
check() { # description, command... (its output is shown when it fails)
  local what=$1; shift
  if "$@" >"$work/check.out" 2>&1; then
    echo "ok: $what"
  else
    echo "FAILED: $what"; sed 's/^/  | /' "$work/check.out"; fail=1
  fi
}
contains() { grep -q -e "$1" <<<"$2" || { echo "$2"; return 1; }; }
not() { ! "$@" >/dev/null 2>&1; }

# The package.
build=${STRANDLINE_BUILD:-build}
if [ -n "${STRANDLINE_PACKAGE:-}" ]; then
  deb=$(realpath "$STRANDLINE_PACKAGE")
elif grep -qx 'CMAKE_INSTALL_PREFIX:PATH=/usr' "$build/CMakeCache.txt" 2>/dev/null; then
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; echo "FAILED: cpack"; exit 1; }
  deb=$(ls "$work"/pkg/${name}_*.deb)
else
  deb=$(scripts/package | tail -n 1)
fi
echo "package: $deb"
same_version=$(dpkg-deb -f "$deb" Version)
check "package version is the project version $version" [ "$same_version" = "$version" ]
# The files and links the package holds, as absolute paths.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' >"$work/files"

lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 && lintian_ok=1 || lintian_ok=0
sed 's/^/  lintian | /' "$work/lintian.log"
check "lintian reports no error" [ "$lintian_ok" -eq 1 ]

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 &&
  installed=1 || { cat "$work/apt.log"; echo "FAILED: apt-get install"; exit 1; }
echo "ok: installed"

bin=/usr/bin
for program in strandline-cli strandline livery strandline-sim; do
  check "$program --version prints $version" contains "^$program $version\$" "$("$bin/$program" --version 2>&1)"
done
for program in strandline strandline-cli; do
  check "$program is root:$group 754" [ "$(stat -c '%U:%G %a' "$bin/$program")" = "root:$group 754" ]
  check "$program has cap_net_admin,cap_net_raw=eip" \
    contains "cap_net_admin,cap_net_raw=eip" "$(getcap "$bin/$program")"
done
check "strandline-sim and livery carry no capabilities" [ -z "$(getcap "$bin/strandline-sim" "$bin/livery")" ]
check "statoverrides are registered" dpkg-statoverride --list "$bin/strandline-cli"

# Two throwaway users, one in the group.
useradd --system --no-create-home --shell /usr/sbin/nologin "$outsider"
useradd --system --no-create-home --shell /usr/sbin/nologin --groups "$group" "$member"
for user in "$outsider" "$member"; do
  install -d -o "$user" -m 700 "$work/$user" "$work/$user/run"
done
as() { # user, command... (from /, in the user's own data and runtime folders)
  local user=$1; shift
  (cd / && runuser -u "$user" -- env HOME="$work/$user" XDG_DATA_HOME="$work/$user/data" \
    XDG_RUNTIME_DIR="$work/$user/run" "$@")
}
for program in strandline strandline-cli; do
  out=$(as "$outsider" "$bin/$program" --help 2>&1) && rc=0 || rc=$?
  check "a user outside the group may not run $program" contains "Permission denied" "$rc $out"
done

# The member scans the simulated lab over veth; the raw socket comes from the
# file capabilities (a copy without them is refused).
STRANDLINE_SIM=$bin/strandline-sim "$lab" up /usr/share/strandline/networks/home.json >/dev/null
pc=sl-pc-$NETNS_LAB_SUFFIX
out=$(ip netns exec "$pc" runuser -u "$member" -- sh -c \
  "cd / && HOME=$work/$member $bin/strandline-cli scan --interface plc0" 2>&1) && rc=0 || rc=$?
echo "$out" | sed 's/^/  scan | /'
check "a member scans the lab (exit 0)" [ "$rc" -eq 0 ]
check "the scan finds the lab's adapter" contains "02:5A:00:00:01:01" "$out"
check "the scan finds a station behind it" contains "02:5A:00:00:01:02" "$out"
cp "$bin/strandline-cli" "$work/$member/strandline-cli-copy"
chown "$member" "$work/$member/strandline-cli-copy"
out=$(ip netns exec "$pc" runuser -u "$member" -- "$work/$member/strandline-cli-copy" scan \
  --interface plc0 2>&1) && rc=0 || rc=$?
check "a copy without capabilities is refused the raw socket" contains "CAP_NET_RAW" "$rc $out"

# Shipped files are found in /usr/share/strandline from /, and Qt starts with
# file capabilities (it refuses setuid programs, not these).
out=$(as "$member" "$bin/strandline-cli" scan --simulate /usr/share/strandline/networks/home.json 2>&1) &&
  rc=0 || rc=$?
check "a simulated scan runs from /" [ "$rc" -eq 0 ]
as "$member" env QT_QPA_PLATFORM=offscreen "$bin/strandline" --simulate \
  --screenshot "$work/$member/window.png" >"$work/window.log" 2>&1 && rc=0 || rc=$?
check "the installed window starts with its capabilities and the installed networks" \
  [ "$rc" -eq 0 -a -s "$work/$member/window.png" ]
[ "$rc" -eq 0 ] || cat "$work/window.log"

# Desktop integration and manual pages.
for entry in /usr/share/applications/org.example.*.desktop; do
  check "desktop-file-validate $(basename "$entry")" desktop-file-validate "$entry"
done
check "the window's entry runs strandline" grep -qx 'Exec=strandline' \
  /usr/share/applications/org.example.Strandline.desktop
check "appstreamcli validate" appstreamcli validate --no-net \
  /usr/share/metainfo/org.example.Strandline.metainfo.xml
check "the scalable icons are installed" test -s \
  /usr/share/icons/hicolor/scalable/apps/org.example.Strandline.svg
pages=$(grep '^/usr/share/man/' "$work/files" || true)
check "manual pages are installed" [ -n "$pages" ]
for page in $pages; do
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  check "man $(basename "$page") renders without warnings" [ -z "$warnings" -a -n "$(man -l "$page" 2>/dev/null)" ]
done

for completion in $(grep '^/usr/share/bash-completion/' "$work/files" || true); do
  check "bash reads the completion $(basename "$completion")" bash -n "$completion"
done

# Removing takes every file; purging takes the group.
dpkg --remove "$name" >"$work/remove.log" 2>&1 || cat "$work/remove.log"
left=$(while read -r f; do [ ! -e "$f" ] && [ ! -L "$f" ] || echo "$f"; done <"$work/files")
check "removing leaves none of the package's files" [ -z "$left" ]
[ -z "$left" ] || echo "$left" | sed 's/^/  left | /'
check "removing drops the statoverrides" [ -z "$(dpkg-statoverride --list "$bin/strandline*")" ]
check "the group stays until purge" getent group "$group"
dpkg --purge "$name" >"$work/purge.log" 2>&1 || cat "$work/purge.log"
installed=0
check "purging removes the group" not getent group "$group"
check "dpkg no longer knows the package" \
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$name" 2>/dev/null || echo not-installed)" = not-installed ]
check "/usr/share/strandline is gone" [ ! -e /usr/share/strandline ]

exit "$fail"
