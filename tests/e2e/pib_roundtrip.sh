#!/usr/bin/env bash
# strandline-cli pib over real libpcap and veth: read the local adapter's
# parameter block, patch one field, write it back (commit, restart), read it
# again and see the change; tshark decodes the module read, module write and
# commit frames with the modules, offsets, lengths and checksums sent. Then
# the exit codes of the pib and device-operation commands on the in-process
# simulator, with faults mid-transfer.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh
cli=$STRANDLINE_BUILD/src/cli/strandline-cli
export XDG_DATA_HOME=$work/data
run() { # stdout+stderr to $work/out.txt; prints the exit code
  local rc=0; "$@" >"$work/out.txt" 2>&1 || rc=$?; echo "$rc"
}
# Module chunks of a block file as tshark prints them: "module length offset
# checksum" per 1024 bytes; --padded: each chunk read as 1024 bytes, zero-filled.
chunks() {
  python3 - "$@" <<'PY'
import struct, sys
args = [a for a in sys.argv[1:] if not a.startswith("--")]
block = open(args[0], "rb").read()
for off in range(0, len(block), 1024):
    chunk = block[off:off + 1024]
    if "--padded" in sys.argv: chunk = chunk.ljust(1024, b"\0")
    x = 0
    for (w,) in struct.iter_unpack("<I", chunk[:len(chunk) // 4 * 4]): x ^= w
    print("2 %d %d 0x%08x" % (len(chunk) if "--padded" not in sys.argv else 1024, off, ~x & 0xFFFFFFFF))
PY
}
tshark_rows() { # filter, then fields: one line per frame, numbers in decimal
  fields "$@" | awk '{printf "%d %d %d %s\n", $1, $2, $3, $4}'
}

# --- over veth: read, patch, write, read back ---
lab_up sim/networks/home.json
capture_start
same "pib read: exit 0" 0 "$(run "$lab" exec "$cli" pib read "$work/before.pib")"
cat "$work/out.txt"
check "pib read: the toolkit's lines" grep -q "^nic[0-9]* 00:B0:52:00:00:01 Read Parameters from Device$" "$work/out.txt"
same "pib check on what was read: exit 0" 0 "$(run "$cli" pib check "$work/before.pib")"
old_cap=$("$cli" pib show "$work/before.pib" | python3 -c 'import json,sys; print(json.load(sys.stdin)["qos"]["defaultCap"]["unicast"])')
new_cap=$(( (old_cap + 1) % 4 ))
cp "$work/before.pib" "$work/user.pib"
same "pib patch of the unicast CAP: exit 0" 0 "$(run "$cli" pib patch "$work/user.pib" 524 "0$new_cap")"
same "pib write: exit 0" 0 "$(run "$lab" exec "$cli" pib write "$work/user.pib")"
cat "$work/out.txt"
same "pib write: the messages" "[Commit] Commit successfully|[Restart] Restart device successfully" \
  "$(grep '^\[' "$work/out.txt" | paste -sd'|')"
# The write ends with a reset: read again once the device is back.
for _ in $(seq 40); do
  [ "$(run "$lab" exec "$cli" pib read "$work/after.pib")" = 0 ] && break
  sleep 0.5
done
capture_stop
check "the block read back is the block written" cmp "$work/user.pib" "$work/after.pib"
same "pib show: the unicast CAP read back" "$new_cap" \
  "$("$cli" pib show "$work/after.pib" | python3 -c 'import json,sys; print(json.load(sys.stdin)["qos"]["defaultCap"]["unicast"])')"

same "no malformed AV packets" 0 "$(fields "_ws.malformed && homeplug-av" -e frame.number | wc -l)"
# Discovery reads the block too, with its last request cut to the block's end;
# the toolkit asks 1024 bytes every time: its reads are the runs that end with
# 1024 bytes at 15360.
toolkit_reads() {
  python3 -c '
import sys
run = []
for line in sys.stdin:
    run.append(line.strip())
    f = line.split()
    if f[2] == "15360":
        if f[1] == "1024": print("\n".join(run))
        run = []'
}
same "the toolkit's read requests: module, length, offset (two reads)" \
  "$(chunks "$work/before.pib" --padded | cut -d' ' -f1-3; chunks "$work/after.pib" --padded | cut -d' ' -f1-3)" \
  "$(tshark_rows homeplug_av.rd_mod_req -e homeplug_av.module_id -e homeplug_av.mem.len_16bits -e homeplug_av.mem.offset | sed 's/ $//' | toolkit_reads)"
same "their confirms: module, length, offset, data checksum" \
  "$(chunks "$work/before.pib" --padded; chunks "$work/after.pib" --padded)" \
  "$(tshark_rows "homeplug_av.rd_mod_cnf && homeplug_av.rd_mod_cnf.status == 0" -e homeplug_av.module_id \
      -e homeplug_av.mem.len_16bits -e homeplug_av.mem.offset -e homeplug_av.mem.checksum | toolkit_reads)"
same "write requests: module, length, offset, chunk checksum" "$(chunks "$work/user.pib")" \
  "$(tshark_rows homeplug_av.wr_mod_req -e homeplug_av.module_id -e homeplug_av.mem.len_16bits \
      -e homeplug_av.mem.offset -e homeplug_av.mem.checksum)"
same "write requests go out as 1056-byte frames" 1056 "$(fields homeplug_av.wr_mod_req -e frame.len | sort -u)"
same "write confirms: every chunk status 0" 0 "$(fields homeplug_av.wr_mod_cnf -e homeplug_av.wr_mod_cnf.status | sort -u | xargs printf '%d')"
same "commit: module 2 requested, status 0 confirmed" "2 0" \
  "$(echo "$(($(fields homeplug_av.mod_nvm_req -e homeplug_av.module_id))) $(($(fields homeplug_av.mod_nvm_cnf -e homeplug_av.mod_nvm_cnf.status)))")"

# --- exit codes on the in-process simulator (virtual time) ---
net() { # faults of the local adapter -> a network file
  printf '{"adapters": [{"mac": "02:5A:00:00:01:01", "interface": "sl0", "password": "K7QM-2VXA", "faults": %s},
    {"mac": "02:5A:00:00:01:02", "password": "R2D4-MQ8X"}]}' "$1" >"$work/net$2.json"
  echo "$work/net$2.json"
}
ok=$(net '{}' 0)
none=$(net '{"unplugAtMs": 1}' 8)
echo "an older block" >"$work/kept.pib"
head -c 100 "$work/before.pib" >"$work/short.pib"
cases=(
  "0|pib read $work/sim.pib --simulate $ok"
  "0|pib write $work/sim.pib --simulate $ok"
  "0|device reset --simulate $ok"
  "0|device factory-reset --simulate $ok"
  "0|device factory-reset --save $work/factory.pib --simulate $ok"
  "3|pib read $work/x.pib --simulate $none"
  "3|device reset --simulate $none"
  "1|pib write $work/short.pib --simulate $ok"
  "1|pib write $work/sim.pib --simulate $(net '{"loseAnswerNth": {"0xA020": 3}}' 1)"
  "1|pib write $work/sim.pib --simulate $(net '{"wrongOffsetNth": {"0xA020": 2}}' 2)"
  "1|pib write $work/sim.pib --simulate $(net '{"status": {"0xA028": 20}}' 3)"
  "1|pib write $work/sim.pib --simulate $(net '{"neverGoesDown": true}' 4)"
  "1|pib read $work/kept.pib --simulate $(net '{"corruptChecksum": true}' 5)"
  "1|device reset --simulate $(net '{"status": {"0xA01C": 1}}' 6)"
  "1|device factory-reset --simulate $(net '{"loseAnswerNth": {"0xA07C": 1}}' 7)"
  "0|pib check $work/before.pib"
  "1|pib check $work/short.pib"
  "1|pib check $work/missing.pib"
  "1|pib show $work/short.pib"
  "1|pib patch $work/before.pib 0x3CC8 00"
  "1|pib patch $work/short.pib 20 00"
  "2|pib"
  "2|pib read"
  "2|pib frob $work/x.pib"
  "2|pib read $work/x.pib extra"
  "2|pib read $work/x.pib --db $work/db"
  "2|pib read $work/x.pib --interface"
  "2|pib patch $work/x.pib 5"
  "2|pib patch $work/x.pib five 00"
  "2|pib patch $work/x.pib 0x 00"
  "2|pib patch $work/x.pib 5 0G"
  "2|device reset extra"
  "2|device factory-reset --save"
  "2|device factory-reset $work/x.pib"
)
for c in "${cases[@]}"; do
  # shellcheck disable=SC2086
  same "exit ${c%%|*}: ${c#*|}" "${c%%|*}" "$(run "$cli" ${c#*|})"
done
"$cli" pib write "$work/sim.pib" --simulate "$work/net6.json" >/dev/null 2>&1 || true
run "$cli" device reset --simulate "$work/net6.json" >/dev/null
check "a refused reset names the status" grep -q "Device Failed to Reset (0x01): Device refused request" "$work/out.txt"
run "$cli" pib write "$work/sim.pib" --simulate "$work/net1.json" >/dev/null
check "a lost write confirm: the error line and the message box" \
  bash -c "grep -q '^PibModify: .*Read timeout or network error' '$work/out.txt' && grep -q '^\[Attenion\] Make sure the device is connected,Failed to write user.pib to PLC' '$work/out.txt'"
run "$cli" device factory-reset --simulate "$work/net7.json" >/dev/null
check "a lost factory-defaults confirm is said" grep -q "did not confirm the request" "$work/out.txt"
same "a failed read leaves the file as it was" "an older block" "$(cat "$work/kept.pib")"
check "factory-reset --save keeps the block the device was made with" cmp "$work/sim.pib" "$work/factory.pib"

[ "$fail" -eq 0 ] && echo "pib round trip e2e: all checks passed"
exit "$fail"
