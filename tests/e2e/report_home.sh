#!/usr/bin/env bash
# strandline-cli report over real libpcap and veth against the simulated home
# network: every station with its firmware text and rates, in the text report
# and in its JSON form.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh
cli=$STRANDLINE_BUILD/src/cli/strandline-cli

lab_up sim/networks/home.json
"$lab" exec "$cli" report --interval 7 --db "$work/home.data" --out "$work/report.txt"
"$lab" exec "$cli" report --interval 7 --db "$work/home.data" --json >"$work/report.json"
sed -n 1,20p "$work/report.txt"
check "report file is private" test "$(stat -c %a "$work/report.txt")" = 600

python3 - "$work/report.txt" "$work/report.json" sim/networks/home.json <<'PY' || fail=1
import json, sys
text = open(sys.argv[1]).read()
report = json.load(open(sys.argv[2]))
net = json.load(open(sys.argv[3]))["adapters"]
local, remotes = net[0], net[1:]
ok = True
def check(what, cond):
    global ok
    print(("ok: " if cond else "FAILED: ") + what)
    ok &= bool(cond)

check("report head", text.startswith("Diagnostics Report:\t\t\t\t\t"))
check("the local adapter", "   HomePlug Device #1 MAC = " + local["mac"] in text)
check("libpcap's version", "\nLibrary: libpcap version" in text)
rows = {}
for line in text.split("\n"):
    cells = line.split("\t")
    if len(cells) == 14:
        rows[cells[1]] = cells
devices = {d["mac"]: d for d in report["devices"]}
check("five devices in the text", len(rows) == 5)
check("five devices in the JSON", len(devices) == 5)
families = {1: "TSC1000", 2: "TSC2000", 3: "TSC3000", 4: "TSC4000", 5: "TSC3005"}
for r in remotes:
    row, dev = rows.get(r["mac"]), devices.get(r["mac"])
    check(r["mac"] + " listed in both", row is not None and dev is not None)
    if row is None or dev is None:
        continue
    prefix = "TSC4000" if r["deviceId"] == 4 else "TSC1000"
    fw = r["firmware"].replace(prefix, families[r["deviceId"]], 1)
    rate = "%02d/%02d" % (r["tx"] * 200 // 151, r["rx"] * 200 // 151)
    check(r["mac"] + " firmware " + row[7], row[7] == fw and dev["firmware"] == fw)
    check(r["mac"] + " rate " + row[3], row[3] == rate and dev["rate"] == rate)
    check(r["mac"] + " no password", row[2] == "--- not entered ---")
    check(r["mac"] + " counts are numbers", dev["sent"] >= 1 and isinstance(dev["highRate"], float))
sys.exit(0 if ok else 1)
PY

[ "$fail" -eq 0 ] && echo "report e2e: all checks passed"
exit "$fail"
