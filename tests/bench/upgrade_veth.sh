#!/usr/bin/env bash
# AV firmware upgrade benchmark over real libpcap and veth, against the
# simulator daemon: the median round trip of a version query, then the
# upgrade transfer of a 1 MiB firmware file made by the project's sample
# script and the adapter's own block (module writes and commit), with its
# ratio to round trips x median round trip, and one whole upgrade. The
# simulated adapter answers 2 ms after a request; the upgrade pauses 1 ms
# after every confirmation. Needs root. Run by hand:
#   tests/bench/upgrade_veth.sh [QUERIES] [REPEATS]
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" -eq 0 ] || { echo "needs root (network namespaces)"; exit 77; }
export STRANDLINE_BUILD=${STRANDLINE_BUILD:-build}
export NETNS_LAB_SUFFIX=upgradebench$$
lab=scripts/netns-lab
work=$(mktemp -d)
trap '"$lab" down >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
"$lab" up sim/networks/home.json >/dev/null
scripts/make-firmware-samples nvm "$work/bench.nvm" --version TSC1000-MAC-BENCH --size 1048576
XDG_DATA_HOME=$work/data "$lab" exec "$STRANDLINE_BUILD/src/cli/strandline-cli" pib read "$work/bench.pib" 2>/dev/null
"$lab" exec "$STRANDLINE_BUILD/tests/bench/upgrade_veth" plc0 "$work/bench.nvm" "$work/bench.pib" "${1:-1000}" "${2:-3}"
