#!/usr/bin/env bash
# strandline-cli monitor --prometheus over real libpcap and veth against the
# simulated home network: /metrics carries every station's rates as
# `scan --json` shows them, promtool finds nothing wrong with it, the rates
# agree with prometheus-homeplug-exporter's on the same network, the endpoint
# listens on localhost only, and SIGTERM ends the run with the history kept.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh
cli=$STRANDLINE_BUILD/src/cli/strandline-cli
command -v promtool >/dev/null || { echo "SKIPPED: no promtool (package prometheus)"; exit 77; }
command -v prometheus-homeplug-exporter >/dev/null || { echo "SKIPPED: no exporter"; exit 77; }
port=19702

lab_up sim/networks/home.json
"$lab" exec "$cli" scan --json --interval 7 --cycles 2 >"$work/scan.json"

"$lab" exec "$cli" monitor --json --interval 7 --prometheus "$port" --data "$work/data" \
  >"$work/monitor.jsonl" 2>"$work/monitor.err" &
monitor_pid=$!
bg_pids+=("$monitor_pid")
for _ in $(seq 100); do
  "$lab" exec curl -sf "http://127.0.0.1:$port/metrics" >"$work/metrics" 2>/dev/null &&
    grep -q strandline_station_tx_rate_mbps "$work/metrics" && break
  sleep 0.2
done
head -5 "$work/metrics"
check "promtool finds no problem" promtool check metrics <"$work/metrics"
listening=$("$lab" exec ss -ltnH "sport = :$port" | awk '{print $4}')
same "listens on localhost only" "127.0.0.1:$port" "$listening"

# "MAC tx rx" per station, from each source.
from_metrics() {
  python3 -c '
import re, sys
rates = {}
for line in sys.stdin:
    m = re.match(r"strandline_station_(tx|rx)_rate_mbps\{.*station=\"([0-9A-F:]+)\".*\} (\S+)", line)
    if m:
        rates.setdefault(m.group(2), {})[m.group(1)] = int(float(m.group(3)))
for mac in sorted(rates):
    print(mac, rates[mac].get("tx"), rates[mac].get("rx"))'
}
from_scan() {
  python3 -c '
import json, sys
for s in sorted(json.load(open(sys.argv[1]))["stations"], key=lambda s: s["mac"]):
    if s["valid"]:
        print(s["mac"], int(s["tx"]["current"]), int(s["rx"]["current"]))' "$1"
}
# The exporter reports the raw rate of the network-information answer (as
# bytes per second); the scan scales it by 200/151.
from_exporter() {
  python3 -c '
import re, sys
rates = {}
for line in sys.stdin:
    m = re.match(r"homeplug_station_(tx|rx)_rate_bytes\{mac_address=\"([0-9a-f:]+)\".*\} (\S+)", line)
    if m:
        raw = round(float(m.group(3)) * 8 / 1048576)
        rates.setdefault(m.group(2).upper(), {})[m.group(1)] = raw * 200 // 151
for mac in sorted(rates):
    print(mac, rates[mac].get("tx"), rates[mac].get("rx"))'
}
same "metrics rates equal the scan's" "$(from_scan "$work/scan.json")" "$(from_metrics <"$work/metrics")"
check "every station is up" test "$(grep -c '^strandline_station_up{.*} 1$' "$work/metrics")" -eq 5
check "cycle and frame counters" grep -q '^strandline_frames_sent_total [1-9]' "$work/metrics"

kill -TERM "$monitor_pid"
set +e
wait "$monitor_pid"
rc=$?
set -e
same "SIGTERM ends monitor cleanly" 0 "$rc"
check "one JSON report per cycle" python3 -c '
import json, sys
lines = open(sys.argv[1]).read().splitlines()
reports = [json.loads(l) for l in lines]
assert reports and all(len(r["stations"]) == 5 for r in reports)
assert [r["cycle"] for r in reports] == list(range(1, len(reports) + 1))' "$work/monitor.jsonl"
cycles=$(wc -l <"$work/monitor.jsonl")
"$cli" history 02:5A:00:00:01:02 --data "$work/data" --json >"$work/history.json"
check "the history holds every reported cycle" python3 -c '
import json, sys
h = json.load(open(sys.argv[1]))
assert len(h) == int(sys.argv[2]), (len(h), sys.argv[2])
assert all(s["answered"] and s["tx"] == 180 * 200 // 151 for s in h)' "$work/history.json" "$cycles"
check "the history file is private" test "$(stat -c %a "$work/data/history.sqlite")" = 600

# The exporter alone on the same network.
"$lab" exec prometheus-homeplug-exporter --interface plc0 \
  --telemetry.address="127.0.0.1:$((port + 1))" >"$work/exporter.log" 2>&1 &
exporter_pid=$!
bg_pids+=("$exporter_pid")
for _ in $(seq 50); do
  "$lab" exec curl -sf "http://127.0.0.1:$((port + 1))/metrics" >"$work/exported" 2>/dev/null &&
    grep -q homeplug_station_tx_rate_bytes "$work/exported" && break
  sleep 0.2
done
same "rates agree with the exporter's" "$(from_exporter <"$work/exported")" "$(from_metrics <"$work/metrics")"

[ "$fail" -eq 0 ] && echo "monitor e2e: all checks passed"
exit "$fail"
