# Shared by the simulator's e2e scripts: root check, a lab with a unique
# suffix that is always taken down, a tshark capture in the computer
# namespace, and a check helper. Source it after `set -euo pipefail`.
[ "$(id -u)" -eq 0 ] || { echo "SKIPPED: needs root for network namespaces"; exit 77; }
export STRANDLINE_BUILD=${STRANDLINE_BUILD:-build}
export NETNS_LAB_SUFFIX=e2e$$
lab=scripts/netns-lab
sender=tests/e2e/frame_sender.py
work=$(mktemp -d)
capture_pid=
bg_pids=()  # further programs started in the lab, ended on exit
lab_cleanup() {
  [ -z "$capture_pid" ] || kill "$capture_pid" 2>/dev/null || true
  for pid in "${bg_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$lab" down || true
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap lab_cleanup EXIT

fail=0
check() { # description, command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}
same() { # description, expected, actual
  if [ "$2" = "$3" ]; then echo "ok: $1"; else printf 'FAILED: %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"; fail=1; fi
}

lab_up() { # network file
  "$lab" down >/dev/null 2>&1 || true
  "$lab" up "$1" >/dev/null
}

# Starts tshark on plc0 in the computer namespace, writing $work/cap.pcapng.
capture_start() {
  rm -f "$work/cap.pcapng"
  "$lab" exec tshark -q -i plc0 -w "$work/cap.pcapng" >"$work/tshark.log" 2>&1 &
  capture_pid=$!
  for _ in $(seq 100); do grep -q "Capturing on" "$work/tshark.log" 2>/dev/null && return 0; sleep 0.05; done
  cat "$work/tshark.log"; return 1
}
capture_stop() {
  sleep 0.3
  kill -INT "$capture_pid" 2>/dev/null || true
  wait "$capture_pid" 2>/dev/null || true
  capture_pid=
}
# tshark over the capture: filter, then field arguments.
# Number of malformed packets, each shown when there are any.
malformed() {
  tshark -r "$work/cap.pcapng" -Y _ws.malformed -V 2>/dev/null | sed 's/^/  | /' >&2
  tshark -r "$work/cap.pcapng" -Y _ws.malformed 2>/dev/null | wc -l
}
fields() { local filter=$1; shift; tshark -r "$work/cap.pcapng" -Y "$filter" -T fields "$@" 2>/dev/null; }
send() { "$lab" exec python3 "$sender" plc0 "$@"; }

# The field holding the vendor message type; its name carries a maker's name,
# so it is found by pattern.
mmtype_field=$(tshark -G fields 2>/dev/null |
  awk -F'\t' '$1=="F" && $3 ~ /^homeplug_av\.mmhdr\.mmtype\.[a-z]+$/ && $3 !~ /\.(lsb|msb|st)$/ {print $3; exit}')
