#!/usr/bin/env bash
# strandline-cli device add over real libpcap and veth: a new adapter on the
# public network joins the user's private network by its printed password,
# and a scan afterwards sees it beside the old member.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh
cli=$STRANDLINE_BUILD/src/cli/strandline-cli
db=$work/home.data
cat >"$work/net.json" <<'JSON'
{ "adapters": [
  { "mac": "02:5A:00:00:01:01", "kind": "av", "interface": "sl0", "password": "K7QM-2VXA-98RT-ZP4L", "networkName": "MyHome1234" },
  { "mac": "02:5A:00:00:01:02", "kind": "av", "password": "R2D4-MQ8X-T6VA-1LKE", "networkName": "MyHome1234" },
  { "mac": "02:5A:00:00:01:07", "kind": "av", "password": "NEWD-EV1C-E000-0001" } ] }
JSON
lab_up "$work/net.json"
"$lab" exec "$cli" network set-local MyHome1234 --db "$db" >/dev/null

capture_start
set +e
"$lab" exec "$cli" device add --name Kitchen NEWD-EV1C-E000-0001 --db "$db" >"$work/add.txt" 2>&1
rc=$?
set -e
capture_stop
cat "$work/add.txt"
same "device add: exit 0" 0 "$rc"
same "device add: the progress texts in order" \
  "... Please wait, this operation will take approximately 30 seconds to complete..|... Devices will reboot while this operation...|... Trying to add device to the Network...|... Proceeding..." \
  "$(paste -sd'|' "$work/add.txt")"

home_nmk=$("$cli" key nmk MyHome1234 | tr A-F a-f)
# Set-key requests: for the local adapter itself (target its own address) and
# for the device under its DAK (target broadcast: whoever holds the DAK).
keys() { fields homeplug_av.set_key_req -e homeplug_av.set_key_req.rda -e homeplug_av.set_key_req.nmk \
  -e homeplug_av.set_key_req.dak | awk -v rda="$1" '$1 == rda {gsub(":", "", $2); gsub(":", "", $3); print $2, $3}'; }
mapfile -t local_keys < <(keys 02:5a:00:00:01:01 | cut -d' ' -f1)
mapfile -t remote_keys < <(keys ff:ff:ff:ff:ff:ff)
dak=$("$cli" key dak NEWD-EV1C-E000-0001 | tr A-F a-f)
same "the local adapter: a random key, then back home" 2 "${#local_keys[@]}"
check "the first local key is not the home key" test "${local_keys[0]:-}" != "$home_nmk"
same "the last local key is the home key" "$home_nmk" "${local_keys[1]:-}"
same "the device: the same random key, then the home key, both under its DAK" \
  "${local_keys[0]:-} $dak|$home_nmk $dak" "$(printf '%s\n' "${remote_keys[@]}" | paste -sd'|')"

"$lab" exec "$cli" scan --json --interval 7 --cycles 2 >"$work/scan.json"
same "a scan sees the old member and the new device" "02:5A:00:00:01:02 02:5A:00:00:01:07" \
  "$(python3 -c 'import json,sys; print(" ".join(sorted(s["mac"] for s in json.load(open(sys.argv[1]))["stations"] if s["valid"])))' "$work/scan.json")"
same "the database names the new device" "Kitchen NEWD-EV1C-E000-0001 MyHome1234" \
  "$("$cli" db show "$db" | python3 -c 'import json,sys; print(*[(k["name"] + " " + k["password"] + " " + k["networkName"]) for k in json.load(sys.stdin)["knownDevices"] if k["mac"] == "02:5A:00:00:01:07"])')"

[ "$fail" -eq 0 ] && echo "device add e2e: all checks passed"
exit "$fail"
