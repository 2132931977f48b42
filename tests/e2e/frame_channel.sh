#!/usr/bin/env bash
# The frame channel on real libpcap over veth pairs in two network namespaces:
# padding, the size limit, both capture filters, the card that a frame came
# on, and the message when capture permission is missing.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "SKIPPED: needs root for network namespaces"; exit 77; }
build=${STRANDLINE_BUILD:-build}
probe=$build/tests/e2e/link_probe
cli=$build/src/cli/strandline-cli
tag=$$
A=sl-fc-a-$tag B=sl-fc-b-$tag
work=$(mktemp -d)
cleanup() {
  ip netns pids "$B" 2>/dev/null | xargs -r kill 2>/dev/null || true
  ip netns del "$A" 2>/dev/null || true
  ip netns del "$B" 2>/dev/null || true
  rm -rf "$work" "${nobody_dir:-}"
}
trap cleanup EXIT

ip netns add "$A"; ip netns add "$B"
for i in 0 1; do
  ip link add "a$i" netns "$A" type veth peer name "b$i" netns "$B"
  ip -n "$A" link set "a$i" up; ip -n "$B" link set "b$i" up
done
for i in 0 1; do
  for _ in $(seq 50); do
    [ "$(ip netns exec "$A" cat /sys/class/net/a$i/operstate)" = up ] &&
      [ "$(ip netns exec "$B" cat /sys/class/net/b$i/operstate)" = up ] && break
    sleep 0.1
  done
done

fail=0
check() { # description, command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}

# Starts a receiver in B and waits until it is listening.
start_receiver() { # output-file, interfaces, args...
  local out=$1 ifs=$2; shift 2
  ip netns exec "$B" env STRANDLINE_INTERFACES="$ifs" "$probe" "$@" >"$out" 2>&1 &
  for _ in $(seq 100); do grep -q '^ready' "$out" 2>/dev/null && return 0; sleep 0.05; done
  echo "receiver did not start:"; cat "$out"; return 1
}
send_a() { # card, hex
  ip netns exec "$A" env STRANDLINE_INTERFACES=a0,a1 "$probe" send "$1" "$2"
}
hexrep() { printf "%0.s$1" $(seq "$2"); }

b0=$(ip netns exec "$B" cat /sys/class/net/b0/address | tr -d : | tr a-f A-F)
a0=020000000001
other=02AABBCCDDEE

# --- card table on b0 and b1 ---
start_receiver "$work/cards" b0,b1 recv 1500
hp1="${other}${a0}887B010700"       # HomePlug 1.0, 17 bytes, to another station
av="FFFFFFFFFFFF${a0}88E10000A000B052"
ipv4="${other}${a0}0800$(hexrep 00 46)"
check "17-byte frame is sent" test "$(send_a 0 "$hp1")" = "sent 17"
check "1515-byte frame is refused" test "$(send_a 0 "${av}$(hexrep 00 1495)")" = "refused 1515"
check "1514-byte frame is sent" test "$(send_a 0 "${av}$(hexrep 00 1494)")" = "sent 1514"
send_a 0 "$ipv4" >/dev/null
send_a 1 "$av" >/dev/null
wait
cut -c1-120 "$work/cards"
# Which position does pcap give b1? PollCards must report that card.
b1card=$(awk '$1=="card" && $3=="b1" {print $2}' "$work/cards")
check "b1 is the second card" test "$b1card" = 1
check "padded to 60 bytes with zeros" \
  grep -q "^frame card=0 len=60 data=${hp1}$(hexrep 00 43)\$" "$work/cards"
check "0x887B to another address passes" grep -q "data=${other}${a0}887B" "$work/cards"
check "1514-byte 0x88E1 frame passes" grep -q "^frame card=0 len=1514 data=FFFFFFFFFFFF" "$work/cards"
check "IPv4 is dropped" bash -c "! grep -q '0800' <(grep '^frame' '$work/cards' | cut -c1-60)"
check "frame on the second card has lastRxCard 1" grep -q "^frame card=1 len=60 data=${av}" "$work/cards"

# --- tool channel on b0 (position 1 of its list) ---
start_receiver "$work/tool" b0 tool-recv 1 1200
send_a 0 "${b0}${a0}88E10000A000B05201" >/dev/null
send_a 0 "FFFFFFFFFFFF${a0}88E10000A000B05202" >/dev/null
send_a 0 "${other}${a0}88E10000A000B05203" >/dev/null
send_a 0 "${b0}${a0}887B0000A000B05204" >/dev/null
wait
cut -c1-120 "$work/tool"
check "tool channel: to the card passes" grep -q "data=${b0}${a0}88E10000A000B05201" "$work/tool"
check "tool channel: broadcast passes" grep -q "data=FFFFFFFFFFFF${a0}88E10000A000B05202" "$work/tool"
check "tool channel: other destination dropped" bash -c "! grep -q 'B05203' '$work/tool'"
check "tool channel: other ethertype dropped" bash -c "! grep -q 'B05204' '$work/tool'"
check "tool channel: exactly two frames" test "$(grep -c '^frame' "$work/tool")" = 2

# --- missing permission: a clear message and a non-zero exit ---
# The unprivileged user may not enter the checkout (a home folder of mode 0700,
# /root): it runs a copy of the program from a folder of its own, there.
nobody_dir=$(mktemp -d /tmp/sl-fc-nobody-XXXXXX)
cp "$cli" "$nobody_dir/strandline-cli"
chown -R 65534:65534 "$nobody_dir"
set +e
msg=$(ip netns exec "$A" setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all \
  env -C "$nobody_dir" STRANDLINE_INTERFACES=a0 "$nobody_dir/strandline-cli" cards 2>&1)
rc=$?
set -e
echo "$msg"
check "unprivileged run exits non-zero" test "$rc" -ne 0
check "unprivileged run names the capability and the fix" \
  bash -c "grep -q CAP_NET_RAW <<<\"\$1\" && grep -q 'setcap cap_net_raw,cap_net_admin+ep' <<<\"\$1\"" _ "$msg"
check "privileged run lists the card" bash -c "ip netns exec '$A' env STRANDLINE_INTERFACES=a0 '$cli' cards | grep -q '^0 a0 '"

[ "$fail" -eq 0 ] && echo "frame channel e2e: all checks passed"
exit "$fail"
