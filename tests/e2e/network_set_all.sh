#!/usr/bin/env bash
# strandline-cli network set-all over real libpcap and veth against the
# simulated home network: the devices' printed passwords go into a device
# database (device verify), set-all gives every device the key of the name,
# tshark sees exactly that key in every set-key request, and a scan afterwards
# still lists every device: the private network formed.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh
cli=$STRANDLINE_BUILD/src/cli/strandline-cli
name=PrivateLab42
db=$work/home.data

lab_up sim/networks/home.json
mapfile -t remotes < <(python3 -c '
import json
for a in json.load(open("sim/networks/home.json"))["adapters"]:
    if "interface" not in a: print(a["mac"], a["password"])')

for r in "${remotes[@]}"; do
  read -r mac password <<<"$r"
  set +e
  "$lab" exec "$cli" device verify "$mac" "$password" --db "$db" >"$work/verify.txt" 2>&1
  rc=$?
  set -e
  same "device verify $mac" 0 "$rc"
done

capture_start
set +e
"$lab" exec "$cli" network set-all "$name" --db "$db" >"$work/setall.txt" 2>&1
rc=$?
set -e
capture_stop
cat "$work/setall.txt"
same "set-all: exit 0" 0 "$rc"
check "set-all: every device added" grep -qx "\[Information\] All Devices are successfully added to the network." "$work/setall.txt"

expected_nmk=$("$cli" key nmk "$name" | tr A-F a-f)
same "no malformed packets" 0 "$(malformed)"
same "every set-key request carries the NMK of the name" "$expected_nmk" \
  "$(fields homeplug_av.set_key_req -e homeplug_av.set_key_req.nmk | tr -d : | sort -u)"
requests=$(fields homeplug_av.set_key_req -e homeplug_av.set_key_req.nmk | wc -l)
check "one set-key request per device and one for the local adapter ($requests)" \
  test "$requests" -eq $((${#remotes[@]} + 1))
same "set-key confirmations: all with status 0" 0 \
  "$(fields homeplug_av.set_key_cnf -e homeplug_av.set_key_cnf.status | sort -u | xargs printf '%d')"

python3 - "$db" "$cli" "$name" <<'PY' || fail=1
import json, subprocess, sys
db, cli, name = sys.argv[1:]
d = json.loads(subprocess.run([cli, "db", "show", db], capture_output=True, text=True, check=True).stdout)
ok = all(k["networkName"] == name for k in d["knownDevices"])
print(("ok: " if ok else "FAILED: ") + "the database names every device's network " + name)
sys.exit(0 if ok else 1)
PY

"$lab" exec "$cli" scan --json --interval 7 --cycles 2 >"$work/scan.json"
python3 - "$work/scan.json" "${remotes[@]}" <<'PY' || fail=1
import json, sys
scan = json.load(open(sys.argv[1]))
wanted = sorted(r.split()[0] for r in sys.argv[2:])
seen = sorted(s["mac"] for s in scan["stations"] if s["valid"])
ok = seen == wanted
print(("ok: " if ok else "FAILED: ") + "a scan after set-all lists every device: %s" % seen)
# The scan has no database to name the key, so a private key reads as unknown:
# the local adapter (and with it every station it sees) left the public network.
private = scan["adapters"][0]["networkName"] == "Unknown Networkname"
print(("ok: " if private else "FAILED: ") + "the local adapter is off the public network")
sys.exit(0 if ok and private else 1)
PY

# A device whose stored password is wrong is not added, even when another
# device's confirmations arrive twice: a duplicate answers no other request.
faulty=$work/duplicates.json
python3 - sim/networks/home.json "$faulty" <<'PY'
import json, sys
doc = json.load(open(sys.argv[1]))
next(a for a in doc["adapters"] if "interface" not in a)["faults"] = {"duplicate": True}
json.dump(doc, open(sys.argv[2], "w"))
PY
lab_up "$faulty"
db2=$work/duplicates.data
read -r good_mac good_password <<<"${remotes[0]}"
read -r wrong_mac _ <<<"${remotes[1]}"
"$lab" exec "$cli" device verify "$good_mac" "$good_password" --db "$db2" >/dev/null 2>&1 || true
"$lab" exec "$cli" device verify "$wrong_mac" WRNG-PASS-WORD-0000 --db "$db2" >/dev/null 2>&1 || true
set +e
"$lab" exec "$cli" network set-all Duplicated --db "$db2" >"$work/setall2.txt" 2>&1
rc=$?
set -e
cat "$work/setall2.txt"
check "set-all with a wrong password: not a success (exit $rc)" test "$rc" -ne 0
check "set-all with a wrong password: some devices not added" \
  grep -q "Some Devices could not be added to your network." "$work/setall2.txt"

[ "$fail" -eq 0 ] && echo "set-all e2e: all checks passed"
exit "$fail"
