#!/usr/bin/env bash
# Third-party HomePlug AV clients read the simulated network over veth.
# prometheus-homeplug-exporter: the coordinator, every station and its rates
# are those the network files set (home.json, then the 32 stations of
# large32.json); it runs by hand in the computer namespace only, never as a
# service. faifa: the version text and the station table of home.json.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh
command -v prometheus-homeplug-exporter >/dev/null || { echo "SKIPPED: no exporter"; exit 77; }

# "MAC tx rx" per station from the exporter's metrics (bytes/s back to Mbit/s).
exported_stations() {
  python3 -c '
import re, sys
rates = {}
for line in sys.stdin:
    m = re.match(r"homeplug_station_(tx|rx)_rate_bytes\{mac_address=\"([0-9a-f:]+)\".*\} (\S+)", line)
    if m:
        rates.setdefault(m.group(2), {})[m.group(1)] = round(float(m.group(3)) * 8 / 1048576)
for mac in sorted(rates):
    print(mac, rates[mac].get("tx"), rates[mac].get("rx"))'
}
file_stations() {
  python3 -c '
import json, sys
d = json.load(open(sys.argv[1]))
for a in sorted((a for a in d["adapters"] if "interface" not in a), key=lambda a: a["mac"].lower()):
    print(a["mac"].lower(), min(a["tx"], 255), min(a["rx"], 255))' "$1"
}

scrape_network() { # network file, port
  lab_up "$1"
  "$lab" exec prometheus-homeplug-exporter --interface plc0 \
    --telemetry.address="127.0.0.1:$2" >"$work/exporter.log" 2>&1 &
  local pid=$!
  bg_pids+=("$pid")
  local metrics=""
  for _ in $(seq 50); do
    metrics=$("$lab" exec curl -sf "http://127.0.0.1:$2/metrics" 2>/dev/null || true)
    echo "$metrics" | grep -q homeplug_station_tx_rate_bytes && break
    sleep 0.2
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "$metrics" >"$work/metrics"
}

for network in home large32; do
  file=sim/networks/$network.json
  scrape_network "$file" 9702
  local_mac=$(python3 -c 'import json,sys; print([a["mac"] for a in json.load(open(sys.argv[1]))["adapters"] if "interface" in a][0].lower())' "$file")
  same "$network: stations and rates" "$(file_stations "$file")" "$(exported_stations <"$work/metrics")"
  check "$network: the local adapter coordinates the network" \
    grep -q "homeplug_network_id{coordinator_mac_address=\"$local_mac\"" "$work/metrics"
done
# --- faifa: version and network information, typed into its menu ---
if command -v faifa >/dev/null; then
  lab_up sim/networks/home.json
  (printf 'a000\n'; sleep 1; printf 'a038\n'; sleep 1) |
    "$lab" exec timeout 4 stdbuf -o0 faifa -i plc0 -m >"$work/faifa.out" 2>&1 || true
  local_firmware=$(python3 -c 'import json; print(json.load(open("sim/networks/home.json"))["adapters"][0]["firmware"])')
  check "faifa: version text of the local adapter" grep -q "Version: $local_firmware," "$work/faifa.out"
  check "faifa: status success" grep -q "^Status: Success" "$work/faifa.out"
  same "faifa: station table" "$(file_stations sim/networks/home.json | tr a-f A-F)" \
    "$(python3 -c '
import re, sys
for line in open(sys.argv[1]):
    m = re.match(r"([0-9A-F:]{17}) 0x\w+ \S+ 0x(\w+) 0x(\w+)$", line.strip())
    if m: print(m.group(1), int(m.group(2), 16), int(m.group(3), 16))' "$work/faifa.out")"
else
  echo "faifa not installed: its checks are left out"
fi
exit $fail
