#!/usr/bin/env bash
# strandline-cli firmware upgrade over real libpcap and veth: the home
# network's local AV adapter takes a firmware file made by the project's
# sample script and the block it holds, restarts on the new firmware and
# `strandline-cli scan` shows the new version text; tshark decodes the module
# writes and the commit. Then a Boost HomePlug 1.0 adapter from an image and
# a configuration file, and the exit codes on the in-process simulator.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh
cli=$STRANDLINE_BUILD/src/cli/strandline-cli
samples=scripts/make-firmware-samples
export XDG_DATA_HOME=$work/data
run() { # stdout to $work/out.txt, stderr to $work/err.txt; prints the exit code
  local rc=0; "$@" >"$work/out.txt" 2>"$work/err.txt" || rc=$?; echo "$rc"
}
version=TSC1000-MAC-9-9-SAMPLE-E2E
"$samples" nvm "$work/new.nvm" --version "$version" --size 6000
same "firmware check of the sample: exit 0" 0 "$(run "$cli" firmware check "$work/new.nvm")"
same "firmware check: two blocks, the second last" "2 0" \
  "$(python3 -c 'import json,sys; b=json.load(open(sys.argv[1]))["blocks"]; print(len(b), b[-1]["nextHeader"])' "$work/out.txt")"

# --- the home network's AV adapter over veth ---
lab_up sim/networks/home.json
same "pib read of the adapter's block: exit 0" 0 "$(run "$lab" exec "$cli" pib read "$work/cur.pib")"
capture_start
same "firmware upgrade: exit 0" 0 \
  "$(run "$lab" exec "$cli" firmware upgrade --pib "$work/cur.pib" --nvm "$work/new.nvm" --yes)"
capture_stop
cat "$work/err.txt"
same "the version the adapter reports afterwards" "$version" \
  "$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["after"])' "$work/out.txt")"
check "progress lines on stderr, to 100 %" grep -q "^100% committing$" "$work/err.txt"
check "the success box" grep -q "^\[Success\]  Device Upgraded" "$work/err.txt"
check "default.pib saved in the data folder" test -s "$work/data/SLU/default.pib"
"$lab" exec "$cli" scan --json --interval 7 --cycles 1 >"$work/scan.json"
same "scan shows the new version text (family rewritten)" "${version/TSC1000/TSC2000}" \
  "$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["adapters"][0]["firmware"])' "$work/scan.json")"

same "no malformed AV packets" 0 "$(fields "_ws.malformed && homeplug-av" -e frame.number | wc -l)"
# Module writes as tshark reads them against the files: module 1 the whole
# firmware file, module 2 the block with the adapter's MAC, 1024 bytes a chunk.
expected_writes() {
  python3 - "$@" <<'PY'
import struct, sys
for module, path in ((1, sys.argv[1]), (2, sys.argv[2])):
    data = open(path, "rb").read()
    for off in range(0, len(data), 1024):
        chunk = data[off:off + 1024]
        x = 0
        for (w,) in struct.iter_unpack("<I", chunk[:len(chunk) // 4 * 4]): x ^= w
        print(module, len(chunk), off, "0x%08x" % (~x & 0xFFFFFFFF) if module == 1 else "")
PY
}
same "module writes: module, length, offset (and the firmware chunks' checksums)" \
  "$(expected_writes "$work/new.nvm" "$work/cur.pib" | sed 's/ $//')" \
  "$(fields homeplug_av.wr_mod_req -e homeplug_av.module_id -e homeplug_av.mem.len_16bits \
      -e homeplug_av.mem.offset -e homeplug_av.mem.checksum |
     awk '{ if ($1 == 1) printf "%d %d %d %s\n", $1, $2, $3, $4; else printf "%d %d %d\n", $1, $2, $3 }')"
same "write confirms: every chunk status 0" 0 \
  "$(fields homeplug_av.wr_mod_cnf -e homeplug_av.wr_mod_cnf.status | sort -u | xargs printf '%d')"
# Options 19: both modules and bit 4, then the factory reset's own requests.
same "commit: modules 0x13 requested, status 0 confirmed" "19 0" \
  "$(echo "$(($(fields homeplug_av.mod_nvm_req -e homeplug_av.module_id | head -1))) $(($(fields homeplug_av.mod_nvm_cnf -e homeplug_av.mod_nvm_cnf.status | head -1)))")"

# --- a Boost HomePlug 1.0 adapter over veth ---
"$samples" img "$work/new.img" --version HP85-BOOST-SAMPLE-E2E
"$samples" cfg "$work/new.cfg"
lab_up sim/networks/boost.json
capture_start
same "Boost upgrade: exit 0" 0 \
  "$(run "$lab" exec "$cli" firmware upgrade --img "$work/new.img" --cfg "$work/new.cfg" --yes)"
capture_stop
cat "$work/err.txt"
same "the Boost adapter's version string afterwards" HP85-BOOST-SAMPLE-E2E \
  "$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["after"])' "$work/out.txt")"
check "its success box" grep -q "^\[Success\] Firmware Update Successful$" "$work/err.txt"
# Loader frames to the adapter by command code (byte 17 of a 0x12 or 0x10
# entry): the loader request, 3 image chunks and 3 sections, commit, verify,
# 4 module checksums, the reset.
loader_counts() {
  for code in 67 81 82 84 83 7f; do
    printf '%s:%s ' "$code" "$(fields "eth.type == 0x887b && eth.dst == 02:5a:00:00:20:01 &&
      (frame[15:1] == 10 || frame[15:1] == 12) && frame[17:1] == $code" -e frame.len | wc -l)"
  done
}
same "the loader frames sent, by code" "67:1 81:6 82:1 84:1 83:4 7f:1 " "$(loader_counts)"
same "chunk frames are 1054 bytes" 1054 \
  "$(fields "eth.dst == 02:5a:00:00:20:01 && frame[15:1] == 10 && frame[17:1] == 81" -e frame.len | sort -u)"

# --- exit codes on the in-process simulator ---
net() { # faults of the local adapter -> a network file
  printf '{"adapters": [{"mac": "02:5A:00:00:01:01", "interface": "sl0", "password": "K7QM-2VXA", "faults": %s}]}' "$1" >"$work/net$2.json"
  echo "$work/net$2.json"
}
ok=$(net '{}' 0)
"$cli" pib read "$work/sim.pib" --simulate "$ok" 2>/dev/null
head -c 100 "$work/new.nvm" >"$work/short.nvm"
cases=(
  "0|firmware upgrade --pib $work/sim.pib --nvm $work/new.nvm --yes --simulate $ok"
  "1|firmware upgrade --pib $work/sim.pib --nvm $work/new.nvm --yes --simulate $(net '{"loseAnswerNth": {"0xA020": 2}}' 1)"
  "1|firmware upgrade --pib $work/sim.pib --nvm $work/new.nvm --yes --simulate $(net '{"powerLossOnCommit": true}' 2)"
  "1|firmware upgrade --pib $work/sim.pib --nvm $work/short.nvm --yes --simulate $ok"
  "1|firmware upgrade --img $work/new.img --yes --simulate $ok"
  "1|firmware upgrade --pib $work/sim.pib --nvm $work/new.nvm --simulate $ok"
  "0|firmware upgrade --img $work/new.img --yes --simulate sim/networks/boost.json"
  "1|firmware upgrade --pib $work/sim.pib --nvm $work/new.nvm --yes --simulate sim/networks/boost.json"
  "1|firmware check $work/short.nvm"
  "1|firmware check $work/missing.nvm"
  "2|firmware"
  "2|firmware upgrade"
  "2|firmware upgrade --pib $work/sim.pib"
  "2|firmware upgrade --pib $work/sim.pib --nvm $work/new.nvm --img $work/new.img"
  "2|firmware upgrade --cfg $work/new.cfg"
  "2|firmware check"
)
for c in "${cases[@]}"; do
  # shellcheck disable=SC2086
  same "exit ${c%%|*}: ${c#*|}" "${c%%|*}" "$(run "$cli" ${c#*|} </dev/null)"
done

[ "$fail" -eq 0 ] && echo "firmware upgrade e2e: all checks passed"
exit "$fail"
