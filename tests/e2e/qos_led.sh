#!/usr/bin/env bash
# strandline-cli qos and led over real libpcap and veth: a QoS change written
# and read back, the LEDs switched off and on again; tshark sees the module
# write frames carry the changed bytes at their offsets of the block.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh
cli=$STRANDLINE_BUILD/src/cli/strandline-cli
data=$work/settings  # the commands' own data folder
run() { # stdout to $work/out.txt, stderr to $work/err.txt; prints the exit code
  local rc=0; "$lab" exec "$cli" "$@" --data "$data" >"$work/out.txt" 2>"$work/err.txt" || rc=$?; echo "$rc"
}
json() { python3 -c "import json,sys; print(json.dumps(json.load(open('$work/out.txt'))$1))"; }
boxes() { grep '^\[' "$work/err.txt" | paste -sd'|'; }

lab_up sim/networks/home.json
capture_start
same "qos show: exit 0" 0 "$(run qos show)"
same "qos show: the adapter's VLAN map" "[1, 0, 0, 1, 2, 2, 3, 3]" "$(json '["vlanMap"]')"
same "qos set: exit 0" 0 "$(run qos set --vlan-map 3,2,1,0,2,2,3,3 --ttl 10,2000,300,300)"
same "qos set: the write-back's messages" \
  "[Commit] Commit successfully|[Restart] Restart device successfully" "$(boxes)"
same "qos show after the restart: exit 0" 0 "$(run qos show)"
same "qos show: the VLAN map written" "[3, 2, 1, 0, 2, 2, 3, 3]" "$(json '["vlanMap"]')"
same "qos show: the times to live written" "[10, 2000, 300, 300]" "$(json '["ttl"]')"
same "qos show: the rest as read" "[1, 0, 0, 1, 2, 2, 3, 3] true" "$(json '["tosMap"]') $(json '["tos"]')"

same "led status: exit 0" 0 "$(run led status)"
same "led status: on" on "$(cat "$work/out.txt")"
same "led off: exit 0" 0 "$(run led off)"
same "led off: the commit message alone" "[Commit] Commit successfully" "$(boxes)"
same "led status after off" "0 off" "$(run led status) $(cat "$work/out.txt")"
same "led on: exit 0" 0 "$(run led on)"
same "led on: the write-back's messages" \
  "[Commit] Commit successfully|[Restart] Restart device successfully" "$(boxes)"
same "led status after on" "0 on" "$(run led status) $(cat "$work/out.txt")"
capture_stop
same "LEDConfig.ini: owner read/write, the first settings in decimal" "600 ID1=1 ID2=2 ID3=3" \
  "$(stat -c %a "$data/LEDConfig.ini") $(sed -n 2,4p "$data/LEDConfig.ini" | paste -sd' ')"
same "no malformed AV packets" 0 "$(fields "_ws.malformed && homeplug-av" -e frame.number | wc -l)"

# The bytes of each write request's data where the dissector places them:
# "write# block-offset value" for the offsets asked for, in block order.
tshark -r "$work/cap.pcapng" -Y homeplug_av.wr_mod_req -T json -x 2>/dev/null >"$work/writes.json"
written() { # offsets...
  python3 - "$work/writes.json" "$@" <<'PY'
import json, sys
frames = json.load(open(sys.argv[1]))
wanted = [int(a) for a in sys.argv[2:]]
write = 0
for f in frames:
    layer = f["_source"]["layers"]
    raw = bytes.fromhex(layer["frame_raw"][0])
    av = layer["homeplug-av"]
    def find(obj, key):
        if isinstance(obj, dict):
            for k, v in obj.items():
                if k == key: return v
                r = find(v, key)
                if r is not None: return r
        return None
    chunk = int(find(av, "homeplug_av.mem.offset"), 0)
    if chunk == 0: write += 1
    data = find(av, "homeplug_av.mem.data_raw")
    start, length = int(data[1]), int(data[2])
    for o in wanted:
        if chunk <= o < chunk + length: print(write, o, raw[start + o - chunk])
PY
}
same "three block writes of 16 chunks" "48" "$(fields homeplug_av.wr_mod_req -e frame.number | wc -l)"
same "qos write: VLAN 0-3 byte 0x1B, TTL of CAP 0 10000 us, the flag at 8021" \
  "1 528 16|1 529 39|1 530 0|1 531 0|1 548 27|1 549 250|1 8021 1" \
  "$(written 528 529 530 531 548 549 8021 | grep '^1 ' | paste -sd'|')"
same "led off: 7 in every setting byte of the first LED, 0xC0 at 8200" \
  "2 8200 192|2 9409 7|2 9410 7|2 9411 7" "$(written 8200 9409 9410 9411 | grep '^2 ' | paste -sd'|')"
same "led on: the saved settings back" "3 9409 1|3 9410 2|3 9411 3" \
  "$(written 9409 9410 9411 | grep '^3 ' | paste -sd'|')"

[ "$fail" -eq 0 ] && echo "qos and led e2e: all checks passed"
exit "$fail"
