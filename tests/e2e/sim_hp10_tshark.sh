#!/usr/bin/env bash
# tshark's HomePlug 1.0 dissector reads the simulator's answers over veth:
# standard adapters (network statistics with station entries and rates, local
# parameters, presence answers, a key given to a remote station under its DEK)
# and Boost adapters (identity, statistics, version string, current key, the
# loader), with no malformed answer.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/e2e/lab_common.sh

# The HomePlug 1.0 key of a text (PBKDF1 over MD5, 1000 digests, odd parity), in hex.
hp10key() {
  python3 -c '
import hashlib, sys
d = hashlib.md5(sys.argv[1].encode() + bytes.fromhex("08856DAF7CF58185")).digest()
for _ in range(999):
    d = hashlib.md5(d).digest()
out = bytes((b & 0xFE) if bin(b & 0xFE).count("1") % 2 else (b | 1) for b in d[:8])
print(out.hex().upper())' "$1"
}
mac_of() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["adapters"][int(sys.argv[2])]["mac"])' "$1" "$2"; }
hexmac() { echo "$1" | tr -d : | tr a-f A-F; }
lower() { echo "$1" | tr A-F a-f; }
answers() { echo "homeplug && eth.src != $pcmac"; }
bc=FFFFFFFFFFFF

# --- standard HomePlug 1.0 (hp10.json) ---
file=sim/networks/hp10.json
lab_up $file
pcmac=$("$lab" exec cat /sys/class/net/plc0/address)
local_mac=$(mac_of $file 0) s2=$(mac_of $file 1) s3=$(mac_of $file 2) s4=$(mac_of $file 3)
nek=$(hp10key HomePlug)
dek4=$(hp10key "$(python3 -c 'import json; print(json.load(open("sim/networks/hp10.json"))["adapters"][3]["password"])')")
stats_request="${bc}SRC887B011ABB80$(printf '00%.0s' $(seq 20))"
capture_start
send "$stats_request" \
  "${bc}SRC887B01190F00" \
  "${bc}SRC887B010700" \
  "${bc}SRC887B02040900${dek4}1F03400100" \
  "$(hexmac "$s4")SRC887B01040901${nek}" \
  "${bc}SRC887B011F03400101" \
  "$stats_request" >/dev/null
capture_stop

same "no malformed answers" 0 "$(tshark -r "$work/cap.pcapng" -Y "_ws.malformed && eth.src != $pcmac" 2>/dev/null | wc -l)"
# Raw figures: the least whose scaled rate has the file's rate as its whole part.
raw() { python3 -c 'import math, sys; print(",".join(str(math.ceil((t + 0.12978912978912938) * 42 / 1.1434511434511434 - 1e-6)) for t in map(int, sys.argv[1:])))' "$@"; }
zeros13=$(printf ',0%.0s' $(seq 13))
zeros12=$(printf ',0%.0s' $(seq 12))
same "network statistics before and after the key: local answer to itself, class, stations, rates" \
  "$(lower "$local_mac") $(lower "$local_mac") 3 $(lower "$s2"),$(lower "$s3")$(printf ',00:00:00:00:00:00%.0s' $(seq 13)) $(raw 12 9)${zeros13}
$(lower "$local_mac") $(lower "$local_mac") 3 $(lower "$s2"),$(lower "$s3"),$(lower "$s4")$(printf ',00:00:00:00:00:00%.0s' $(seq 12)) $(raw 12 9 6)${zeros12}" \
  "$(fields "homeplug.ns && eth.src != $pcmac" -E occurrence=a -E aggregator=, -e eth.src -e eth.dst \
      -e homeplug.ns.icid -e homeplug.ns.netw_da -e homeplug.ns.bytes40 |
      while read -r src dst class stations rates; do echo "$src $dst $((class)) $stations $rates"; done)"
same "local parameters: 51-byte answer from the local adapter to itself" \
  "$(lower "$local_mac") $(lower "$local_mac") 51" \
  "$(fields "homeplug.slp && eth.src != $pcmac" -e eth.src -e eth.dst -e homeplug.melen | tr '\t' ' ')"
same "presence answers: the local adapter and its network, not the other network" \
  "$(lower "$local_mac")
$(lower "$s2")
$(lower "$s3")" "$(fields "homeplug.psr" -e eth.src | sort)"
same "key confirmation from the station holding the DEK" "$(lower "$s4")" "$(fields homeplug.cnk -e eth.src)"
same "the key request decodes with the NEK sent" "$(lower "$nek")" \
  "$(fields "homeplug.snk && eth.dst == $(lower "$s4")" -e homeplug.snk.nek | tr -d :)"

# --- Boost HomePlug 1.0 (boost.json) ---
file=sim/networks/boost.json
lab_up $file
pcmac=$("$lab" exec cat /sys/class/net/plc0/address)
local_mac=$(mac_of $file 0) b2=$(mac_of $file 1) b3=$(mac_of $file 2)
L=$(hexmac "$local_mac")
capture_start
send --listen 0.3 "${bc}SRC887B01020500048710" \
  "${L}SRC887B01020500048718" \
  "${L}SRC887B01120120$(printf '00%.0s' $(seq 254))" \
  "${L}SRC887B01120121" \
  "${L}SRC887B01120167" \
  "${L}SRC887B011001""81001A""00000100""00000000""0010""0102030405060708090A0B0C0D0E0F10" \
  "${L}SRC887B011001""820004""00000100" \
  "${L}SRC887B011001""830008""00000100""00000010" >"$work/boost.rx"
capture_stop
same "no malformed answers (Boost)" 0 "$(tshark -r "$work/cap.pcapng" -Y "_ws.malformed && eth.src != $pcmac" 2>/dev/null | wc -l)"
same "identity: local adapter and both stations, vendor identifier 00 04 87, answer bit" \
  "$(lower "$local_mac") 0x000487 1 16
$(lower "$b2") 0x000487 1 16
$(lower "$b3") 0x000487 1 16" \
  "$(fields "homeplug.vs && eth.src != $pcmac && frame[20] == 0x90" -E occurrence=f -e eth.src -e homeplug.vs.oui \
      -e homeplug.vs.dir -e homeplug.vs.mid | tr '\t' ' ' | sort)"
same "statistics answer from the local adapter" "$(lower "$local_mac") 24" \
  "$(fields "homeplug.vs && eth.src != $pcmac && frame[20] == 0x98" -E occurrence=f -e eth.src -e homeplug.vs.mid | tr '\t' ' ')"
same "version string" "$(python3 -c 'import json; print(json.load(open("sim/networks/boost.json"))["adapters"][0]["firmware"])')" \
  "$(fields "homeplug.hrsp" -e homeplug.hrsp.version | grep -v '^$')"
same "current key" "0x$(lower "$nek")" "$(fields "homeplug.hrsp.gnekr.key" -e homeplug.hrsp.gnekr.key)"
# The module checksum answer: status 0 and the checksum of the 16 bytes written.
expected_sum=$(python3 -c '
import struct
data = bytes(range(1, 17)); x = 0
for (w,) in struct.iter_unpack("<I", data): x ^= w
print("%08X" % (~x & 0xFFFFFFFF))')
checksum_answer=$(grep -o "887B01101083.*" "$work/boost.rx" | head -1)
same "loader: write, commit and checksum answered with status 0" "0 0 0" \
  "$(grep -o '887B0110.*' "$work/boost.rx" | cut -c17-18 | sed 's/^0//' | tr '\n' ' ' | sed 's/ $//')"
same "loader: module checksum" "$expected_sum" "${checksum_answer:34:8}"
exit $fail
