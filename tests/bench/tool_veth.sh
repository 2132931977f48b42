#!/usr/bin/env bash
# Device-operation benchmark over real libpcap and veth, against the
# simulator daemon: the median round trip of a version query, then whole
# parameter block reads (16 round trips) and 1 MiB firmware writes (1024
# round trips in 1056-byte frames), each with its ratio to round trips x
# median round trip. Goal: a ratio within 3. The simulated local adapter
# answers 2 ms after a request, so the round trip is about 2.1 ms and the
# ratio shows what the toolkit adds per exchange. Needs root. Run by hand:
#   tests/bench/tool_veth.sh [QUERIES] [REPEATS]
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" -eq 0 ] || { echo "needs root (network namespaces)"; exit 77; }
export STRANDLINE_BUILD=${STRANDLINE_BUILD:-build}
export NETNS_LAB_SUFFIX=toolbench$$
lab=scripts/netns-lab
trap '"$lab" down >/dev/null 2>&1 || true' EXIT
"$lab" up sim/networks/home.json >/dev/null
"$lab" exec "$STRANDLINE_BUILD/tests/bench/tool_veth" plc0 "${1:-1000}" "${2:-9}"
