#!/usr/bin/env bash
# CPU time of `strandline-cli monitor` over real libpcap and veth on the
# 32-station simulated network, at the default scan interval, recording the
# rate history and serving /metrics (scraped every 15 s, as Prometheus does).
# Needs root. Run by hand:
#   tests/bench/monitor_veth.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" -eq 0 ] || { echo "needs root (network namespaces)"; exit 77; }
export STRANDLINE_BUILD=${STRANDLINE_BUILD:-build}
export NETNS_LAB_SUFFIX=bench$$
seconds=${1:-60}
lab=scripts/netns-lab
cli=$STRANDLINE_BUILD/src/cli/strandline-cli
work=$(mktemp -d)
trap '"$lab" down >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
"$lab" up sim/networks/large32.json >/dev/null

port=19712
"$lab" exec "$cli" monitor --json --prometheus "$port" --data "$work/data" >"$work/reports" &
pid=$!
# The namespace's shell starts the program; its own process is the child.
sleep 1
prog=$(pgrep -P "$pid" -f "strandline-cli monitor" || echo "$pid")
end=$((SECONDS + seconds))
while [ "$SECONDS" -lt "$end" ]; do
  sleep 15
  "$lab" exec curl -sf "http://127.0.0.1:$port/metrics" >/dev/null || echo "scrape failed"
done
read -r utime stime < <(awk '{print $14, $15}' "/proc/$prog/stat")
kill -TERM "$pid"
wait "$pid" || true
ticks=$(getconf CLK_TCK)
cycles=$(wc -l <"$work/reports")
stations=$(tail -1 "$work/reports" | python3 -c 'import json,sys; print(len(json.load(sys.stdin)["stations"]))')
python3 - "$utime" "$stime" "$ticks" "$seconds" "$cycles" "$stations" <<'PY'
import sys
u, s, hz, secs, cycles, stations = (float(x) for x in sys.argv[1:])
cpu = (u + s) / hz
print(f"monitor: {secs:.0f} s, {cycles:.0f} cycles of {stations:.0f} stations, "
      f"CPU {cpu:.2f} s (user {u/hz:.2f}, system {s/hz:.2f}), {cpu * 60 / secs:.3f} s per minute")
PY
