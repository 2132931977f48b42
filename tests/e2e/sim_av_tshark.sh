#!/usr/bin/env bash
# tshark's HomePlug AV dissector reads the simulator's answers over veth:
# no malformed packets, and the message types, OUI, statuses, version texts
# and station entries it decodes are those the network files set.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh

avreq() { # destination type(hex, e.g. A000) [payload hex]
  echo "$1SRC88E100${2:2:2}${2:0:2}00B052${3:-}"
}
local_dev=00B052000001

# --- home.json: every request form, version 0 ---
lab_up sim/networks/home.json
pcmac=$("$lab" exec cat /sys/class/net/plc0/address)
read -r -a remotes < <(python3 -c '
import json; d = json.load(open("sim/networks/home.json"))
print(" ".join(a["mac"].replace(":", "") for a in d["adapters"] if "interface" not in a))')
local_mac=$(python3 -c '
import json; d = json.load(open("sim/networks/home.json"))
print([a["mac"] for a in d["adapters"] if "interface" in a][0].replace(":", ""))')
default_nmk=50D3E4933F855B7040784DF815AA8DB7

requests=("$(avreq $local_dev A000)")
for r in "${remotes[@]}"; do requests+=("$(avreq "$r" A000)"); done
requests+=(
  "$(avreq $local_dev A038)"
  "$(avreq "$local_mac" A058)"
  "$(avreq "$local_mac" A024 0200000400000000)"
  "$(avreq "$local_mac" A020 020010000000000078563412$(printf '00%.0s' $(seq 16)))"
  "$(avreq "$local_mac" A028 02)"
  "$(avreq "$local_mac" A094 01)"
  "$(avreq "$local_mac" A050 01${default_nmk}0F${local_mac}$(printf '00%.0s' $(seq 16)))"
  "$(avreq "$local_mac" A07C)"
)
capture_start
send "${requests[@]}" >/dev/null
capture_stop

same "no malformed packets" 0 "$(malformed)"
answers="homeplug-av && eth.src != $pcmac"
same "every answer carries the OUI 00 B0 52" 0x00b052 "$(fields "$answers" -e homeplug_av.vendor.oui | sort -u)"
same "answer types" \
  "0xa001 0xa001 0xa001 0xa001 0xa001 0xa001 0xa021 0xa025 0xa029 0xa039 0xa051 0xa059 0xa07d 0xa095" \
  "$(fields "$answers" -e "$mmtype_field" | sort | tr '\n' ' ' | sed 's/ $//')"

expected_versions=$(python3 -c '
import json; d = json.load(open("sim/networks/home.json"))
for a in d["adapters"]:
    print("%s 0 %d %s" % (a["mac"].lower(), a["deviceId"], a["firmware"]))' | sort)
same "version answers: source, status, device id, text" "$expected_versions" \
  "$(fields homeplug_av.get_sw_cnf -e eth.src -e homeplug_av.get_sw_cnf.status \
      -e homeplug_av.get_sw_cnf.dev_id -e homeplug_av.get_sw_cnf.ver_str |
      while read -r src status id text; do echo "$src $((status)) $((id)) $text"; done | sort)"

expected_stations=$(python3 -c '
import json; d = json.load(open("sim/networks/home.json"))
r = [a for a in d["adapters"] if "interface" not in a]
print(len(r), ",".join(a["mac"].lower() for a in r), ",".join(str(a["tx"]) for a in r),
      ",".join(str(a["rx"]) for a in r))')
same "network information: station count, addresses, rates" "$expected_stations" \
  "$(fields homeplug_av.nw_info_cnf -E occurrence=a -E aggregator=, \
      -e homeplug_av.nw_info_cnf.num_stas -e homeplug_av.nw_info_cnf.sta_info.da \
      -e homeplug_av.nw_info_cnf.sta_indo.phy_dr_tx -e homeplug_av.nw_info_cnf.sta_indo.phy_dr_rx |
      tr '\t' ' ')"
same "network information: one network, coordinated by the local adapter" \
  "1 $(python3 -c 'import sys; m=sys.argv[1]; print(":".join(m[i:i+2] for i in range(0,12,2)).lower())' "$local_mac")" \
  "$(fields homeplug_av.nw_info_cnf -e homeplug_av.nw_info.num_avlns -e homeplug_av.nw_info_cnf.cco_mac | tr '\t' ' ')"
same "module read: status, module, length, offset" "0 2 1024 0" \
  "$(fields homeplug_av.rd_mod_cnf -e homeplug_av.rd_mod_cnf.status -e homeplug_av.module_id \
      -e homeplug_av.mem.len_16bits -e homeplug_av.mem.offset |
      awk '{printf "%d %d %d %d", $1, $2, $3, $4}')"
same "module write with a bad chunk checksum: status 0x14" 20 \
  "$(($(fields homeplug_av.wr_mod_cnf -e homeplug_av.wr_mod_cnf.status)))"
same "commit with nothing written: status 0x10" 16 \
  "$(($(fields homeplug_av.mod_nvm_cnf -e homeplug_av.mod_nvm_cnf.status)))"
same "set key for the local adapter: status 0" 0 \
  "$(($(fields homeplug_av.set_key_cnf -e homeplug_av.set_key_cnf.status)))"
same "the set-key request decodes with the NMK sent" "$(echo $default_nmk | tr A-F a-f)" \
  "$(fields homeplug_av.set_key_req -e homeplug_av.set_key_req.nmk | tr -d :)"

# --- tsc4000.json: the version-1 network information ---
lab_up sim/networks/tsc4000.json
capture_start
send "${local_dev}SRC88E10138A0000000B05200000000" >/dev/null
capture_stop
same "no malformed packets (version 1)" 0 "$(malformed)"
expected_v1=$(python3 -c '
import json; d = json.load(open("sim/networks/tsc4000.json"))
r = [a for a in d["adapters"] if "interface" not in a]
print(1, len(r), ",".join(a["mac"].lower() for a in r), ",".join(str(a["tx"]) for a in r),
      ",".join(str(a["rx"]) for a in r))')
same "version-1 answer: header version, stations, 16-bit rates" "$expected_v1" \
  "$(fields "homeplug_av.nw_info_cnf && eth.src != $pcmac" -E occurrence=a -E aggregator=, \
      -e homeplug_av.mmhdr.mmver -e homeplug_av.nw_info_cnf.num_stas -e homeplug_av.nw_info_cnf.sta_info.da \
      -e homeplug_av.nw_info_cnf.sta_indo.phy_dr_tx -e homeplug_av.nw_info_cnf.sta_indo.phy_dr_rx |
      tr '\t' ' ')"

# --- the daemon: --log, a clean end on SIGTERM, clear refusals ---
state=/run/strandline-netns-lab/$NETNS_LAB_SUFFIX
check "--log names every answer" grep -q "^answer sl0 02:5A:00:00:04:01 -> .* AV 0xA039" "$state/sim.log"
pid=$(cat "$state/sim.pid")
kill -TERM "$pid"
for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
check "SIGTERM ends the daemon" bash -c "! kill -0 $pid 2>/dev/null"
check "and it says so" grep -q "^stopped" "$state/sim.log"
sim=$STRANDLINE_BUILD/sim/strandline-sim
set +e
"$sim" >/dev/null 2>&1; same "no arguments: usage, status 2" 2 $?
out=$("$sim" --network "$work/none.json" 2>&1); code=$?
same "missing network file: status 1" 1 $code
check "missing network file: named" grep -q "none.json: cannot be opened" <<<"$out"
echo '{"adapters": [{"mac": "02:00:00:00:00:01", "password": "ABCD", "interface": "x", "kind": "ac"}]}' >"$work/bad.json"
out=$("$sim" --network "$work/bad.json" 2>&1); code=$?
same "bad network file: status 1" 1 $code
check "bad network file: reason" grep -q 'adapter 1: kind' <<<"$out"
set -e
exit $fail
