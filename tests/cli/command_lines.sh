#!/usr/bin/env bash
# strandline-cli command lines on the in-process simulator: the exit code, a
# text that stderr must hold, and what stdout must hold (nothing but results).
set -uo pipefail
cd "$(dirname "$0")/../.."
cli=${STRANDLINE_BUILD:-build}/src/cli/strandline-cli
home=sim/networks/home.json
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Nothing here may reach the user's own data folder.
export HOME=$work XDG_DATA_HOME=$work/data STRANDLINE_INTERFACES=none-such
password=R2D4-MQ8X-T6VA-1LKE  # of 02:5A:00:00:01:02 in the home network

fail=0
# expect EXIT STDERR-PATTERN STDOUT-PATTERN ARGS...: an empty STDERR-PATTERN
# takes any stderr, an empty STDOUT-PATTERN means stdout stays empty; a hang
# counts as a failure.
expect() {
  local code=$1 err=$2 out=$3; shift 3
  timeout 60 "$cli" "$@" >"$work/out" 2>"$work/err"
  local rc=$?
  local problem=
  [ "$rc" -eq "$code" ] || problem="exit $rc, expected $code"
  [ -z "$err" ] || grep -q -e "$err" "$work/err" || problem="$problem; stderr lacks '$err'"
  if [ -z "$out" ]; then
    [ ! -s "$work/out" ] || problem="$problem; stdout not empty"
  else
    grep -q -e "$out" "$work/out" || problem="$problem; stdout lacks '$out'"
  fi
  if [ -z "$problem" ]; then
    echo "ok: $*"
  else
    printf 'FAILED: %s\n  %s\n  stdout: %s\n  stderr: %s\n' "$*" "$problem" \
      "$(head -c 300 "$work/out")" "$(head -c 300 "$work/err")"
    fail=1
  fi
}

# The program and every subcommand describe themselves on stdout; usage
# errors are one line on stderr.
expect 0 "" "^strandline-cli [0-9][0-9.]*$" --version
expect 0 "" "^strandline-cli [0-9][0-9.]*$" -V
expect 0 "" "^Subcommands:" --help
expect 0 "" "^  --interval N" scan --help
expect 0 "" "^  --ttl MS,MS,MS,MS" qos set --help
expect 0 "" "^  factory-reset" device --help
expect 2 "^strandline-cli: a command is required (see 'strandline-cli --help')$" ""
expect 2 "^strandline-cli: a command is required (see 'strandline-cli pib --help')$" "" pib
expect 2 "^strandline-cli: '--frob' was not expected (see 'strandline-cli scan --help')$" "" scan --frob
expect 2 "'frob' was not expected" "" frob
expect 2 "--csv excludes --json" "" history 02:5A:00:00:01:02 --csv --json
expect 2 "PASSWORD is required" "" device add --simulate $home
[ "$("$cli" scan --frob 2>&1 | wc -l)" -eq 1 ] || { echo "FAILED: a usage error takes more than one line"; fail=1; }

# A device MAC must name one device.
expect 2 "broadcast" "" device verify FF:FF:FF:FF:FF:FF $password --simulate $home
expect 2 "all-zero" "" device verify 00:00:00:00:00:00 $password --simulate $home
expect 2 "multicast" "" device verify 01:00:5E:00:00:01 $password --simulate $home
expect 2 "local management" "" device verify 00:B0:52:00:00:01 $password --simulate $home
expect 2 "not a MAC address" "" device verify 02:5A:00:00:01 $password --simulate $home
expect 0 "Please be patient" "" device verify 02:5a:00:00:01:02 $password --simulate $home

# Numbers out of range are usage errors, not hangs.
expect 2 "--interval: takes a number from 1 to 32767" "" scan --interval 2147483647 --simulate $home
expect 2 "--interval: takes a number from 1 to 32767" "" scan --interval 32768 --simulate $home
expect 2 "--interval: takes a number from 1 to 32767" "" scan --interval 0 --simulate $home
expect 2 "--cycles: takes a number from 1 to 1000" "" scan --cycles 1001 --simulate $home
expect 2 "--cycles: takes a number from 1 to 1000" "" scan --cycles -1 --simulate $home
expect 2 "--interval: takes a number from 1 to 32767" "" \
  network set-local FamilyNet --interval 2147483647 --simulate $home
expect 0 "" "Stations on card 0" scan --interval 32767 --cycles 2 --simulate $home

# Refusals and failures on stderr; results alone on stdout.
expect 1 "^\[Invalid Entry\] The Network Name Entered is Invalid" "" \
  network set-local ab --simulate $home
expect 1 "^\[Attention!\] The Device Password Entered is Invalid" "" \
  device verify 02:5A:00:00:01:03 $password --simulate $home
expect 0 "" "^\[Information\] Local network set to 'FamilyNet'" \
  network set-local FamilyNet --simulate $home
expect 0 "" "\"adapters\"" scan --json --simulate $home
python3 -m json.tool "$work/out" >/dev/null || { echo "FAILED: scan --json is not JSON"; fail=1; }

# QoS and LED settings: bad values are usage errors before any frame; the
# saved LED settings are what switching on needs.
set_in=(--data "$work/settings" --simulate $home)
expect 0 "" '"vlanMap"' qos show "${set_in[@]}"
expect 2 "^\[Attention\] The number is between 10 and 65000!" "" qos set --ttl 9,2000,300,300 "${set_in[@]}"
expect 2 "is not a value of --vlan-map" "" qos set --vlan-map 1,2,3 "${set_in[@]}"
expect 2 "is not a value of --tos-map" "" qos set --tos-map 1,0,0,1,2,2,3,4 "${set_in[@]}"
expect 2 "is not a value of --default-cap" "" qos set --default-cap video=1 "${set_in[@]}"
expect 2 "nothing to change" "" qos set "${set_in[@]}"
expect 2 "'blink' was not expected" "" led blink "${set_in[@]}"
expect 1 "^\[Attention\] No saved LED settings" "" led on --data "$work/empty" --simulate $home
expect 0 "" "^on$" led status "${set_in[@]}"
expect 0 "^\[Commit\] Commit successfully" "" led off "${set_in[@]}"
expect 0 "^\[Restart\] Restart device successfully" "" led on "${set_in[@]}"
expect 1 "HomePlug 1.0 adapter" "" led status --data "$work/settings" --simulate sim/networks/hp10.json

# Simulated runs write no file but the one --db (or --data) names.
expect 0 "" "" device verify 02:5A:00:00:01:02 $password --db "$work/demo.data" --simulate $home
[ -s "$work/demo.data" ] && [ ! -e "$work/data" ] && [ ! -e "$work/.local" ] ||
  { echo "FAILED: a simulated run wrote outside --db"; fail=1; }

# The scan table names the stations from the database and the vendor from
# the OUI list, in aligned columns on any network; the JSON carries them too.
expect 0 "" "^  02:5A:00:00:01:02  Device 2  Corvane  HomePlug AV  TSC" \
  scan --db "$work/demo.data" --simulate $home
expect 0 "" '"name": "Device 2",' scan --json --db "$work/demo.data" --simulate $home
grep -q '"vendor": "Corvane"' "$work/out" || { echo "FAILED: scan --json lacks the vendor"; fail=1; }
expect 0 "" "^Stations on card 0:" scan --simulate sim/networks/large32.json
[ "$(sed -n '/^Stations/,$p' "$work/out" | grep -c '^  02:')" -eq 32 ] &&
  [ "$(grep '^  02:' "$work/out" | awk '{ print length($0) }' | sort -u | wc -l)" -eq 1 ] ||
  { echo "FAILED: the 32-station table is not aligned"; fail=1; }

# The report; db delete's refusals.
expect 0 "" "\"devices\"" report --json --interval 7 --simulate $home
python3 -m json.tool "$work/out" >/dev/null || { echo "FAILED: report --json is not JSON"; fail=1; }
expect 2 "'--nope' was not expected (see 'strandline-cli report --help')" "" report --nope --simulate $home
expect 2 "not a MAC address" "" db delete 02:5A:00 --db "$work/demo.data"
expect 1 "holds no device 02:5A:00:00:09:09" "" db delete 02:5a:00:00:09:09 --db "$work/demo.data"
expect 1 "no database there" "" db delete 02:5A:00:00:01:02 --db "$work/none.data"
expect 1 "kept" "" db delete 02:5A:00:00:01:02 --db "$work/demo.data" </dev/null
expect 0 "" "^deleted \"" db delete 02:5A:00:00:01:02 --yes --db "$work/demo.data"
expect 1 "is the only device" "" db delete 02:5A:00:00:01:01 --db "$work/demo.data"

# monitor records the rate history of a simulated network apart from the real
# one (data/SLU/demo); history reads it back.
expect 2 "--prometheus: takes \[ADDR:\]PORT with PORT a number from 1 to 65535" "" monitor --prometheus 127.0.0.1:0 --simulate $home
expect 2 "--keep-days: takes a number" "" monitor --keep-days --simulate $home
expect 1 "no rate history at" "" history 02:5A:00:00:01:02 --data "$work/none"
expect 2 "--since: takes a duration" "" history 02:5A:00:00:01:02 --since 5y
expect 2 "broadcast" "" history FF:FF:FF:FF:FF:FF
expect 0 "" '"answered":true' monitor --cycles 2 --json --simulate $home
[ "$(wc -l <"$work/out")" -eq 2 ] || { echo "FAILED: monitor --cycles 2 printed $(wc -l <"$work/out") reports"; fail=1; }
[ -s "$work/data/SLU/demo/history.sqlite" ] || { echo "FAILED: no simulated history in demo/"; fail=1; }
expect 0 "" "^time,card,adapter,station,tx,rx,answered,folded" \
  history 02:5a:00:00:01:02 --csv --data "$work/data/SLU/demo"
[ "$(grep -c ',238,226,1,0$' "$work/out")" -eq 2 ] || { echo "FAILED: history lacks the two cycles"; fail=1; }

[ "$fail" -eq 0 ] && echo "strandline-cli command lines: all checks passed"
exit "$fail"
