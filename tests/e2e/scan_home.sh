#!/usr/bin/env bash
# strandline-cli scan over real libpcap and veth against the simulated home
# network: the local adapter and all five stations, with the firmware texts and
# the rates that the network file sets.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh
cli=$STRANDLINE_BUILD/src/cli/strandline-cli

lab_up sim/networks/home.json
"$lab" exec "$cli" scan --json --interval 7 --cycles 2 >"$work/scan.json"
head -c 600 "$work/scan.json"; echo

python3 - "$work/scan.json" sim/networks/home.json <<'PY' || fail=1
import json, sys
scan = json.load(open(sys.argv[1]))
net = json.load(open(sys.argv[2]))["adapters"]
local, remotes = net[0], net[1:]
ok = True
def check(what, cond):
    global ok
    print(("ok: " if cond else "FAILED: ") + what)
    ok &= bool(cond)

adapters = scan["adapters"]
check("one local adapter", len(adapters) == 1)
a = adapters[0]
check("adapter MAC", a["adapterMac"] == local["mac"])
check("adapter kind text", a["kind"] == "Powerline device")
check("adapter firmware rewritten to its family", a["firmware"] == local["firmware"].replace("TSC1000", "TSC2000", 1))
check("default network name", a["networkName"] == "HomePlugAV")
families = {1: "TSC1000", 2: "TSC2000", 3: "TSC3000", 4: "TSC4000", 5: "TSC3005"}
stations = {s["mac"]: s for s in scan["stations"] if s["valid"]}
check("five stations", len(stations) == 5)
for r in remotes:
    s = stations.get(r["mac"])
    check(r["mac"] + " listed", s is not None)
    if s is None:
        continue
    fw = r["firmware"]
    prefix = "TSC4000" if r["deviceId"] == 4 else "TSC1000"
    fw = fw.replace(prefix, families[r["deviceId"]], 1)
    check(r["mac"] + " firmware", s["firmware"] == fw)
    check(r["mac"] + " tx rate", s["tx"]["current"] == r["tx"] * 200 // 151)
    check(r["mac"] + " rx rate", s["rx"]["current"] == r["rx"] * 200 // 151)
sys.exit(0 if ok else 1)
PY

set +e
"$lab" exec "$cli" scan --interface nosuch0 >/dev/null 2>"$work/none.txt"
rc=$?
set -e
same "no adapter: exit 3" 3 "$rc"
check "no adapter: a clear message" grep -q "no powerline adapter" "$work/none.txt"

[ "$fail" -eq 0 ] && echo "scan e2e: all checks passed"
exit "$fail"
