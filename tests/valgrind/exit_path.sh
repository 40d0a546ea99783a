#!/usr/bin/env bash
# Runs cfgsnap under valgrind memcheck on one of its exit paths, inside a
# network namespace of its own where a scripted agent listens on
# 127.0.0.1:161, and fails on any memcheck error or any byte definitely,
# indirectly or possibly lost.
#
#   exit_path.sh PATH CFGSNAP FAKE_AGENT FRONTEND_TESTS
#
# PATH is one of: usage unresolvable silent refused success failure bound.
# Must run as root (for the namespace); without root or valgrind it prints
# why and exits 77, which CTest reports as skipped.
set -euo pipefail

path=$1 cfgsnap=$2 agent=$3 frontend_tests=$4

if [ "$(id -u)" -ne 0 ]; then echo "skipped: needs root for a network namespace"; exit 77; fi
if ! command -v valgrind >/dev/null; then echo "skipped: valgrind is not installed"; exit 77; fi

# Inside the namespace: loopback up, the agent started, then one run.
if [ "${CFGSNAP_IN_NAMESPACE:-}" != 1 ]; then
  CFGSNAP_IN_NAMESPACE=1 exec unshare -n "$0" "$@"
fi
ip link set lo up

work=$(mktemp -d)
agent_pid=
cleanup() {
  [ -n "$agent_pid" ] && kill "$agent_pid" 2>/dev/null && wait "$agent_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_agent() {
  "$agent" "$@" >"$work/agent.out" &
  agent_pid=$!
  for _ in $(seq 50); do grep -q '^ready' "$work/agent.out" 2>/dev/null && return; sleep 0.1; done
  echo "the agent did not start"; exit 1
}

# A distinct error code, so a memcheck finding is never mistaken for the
# tool's own exit code 1.
memcheck=(valgrind --quiet --leak-check=full --show-leak-kinds=all --errors-for-leak-kinds=all
          --error-exitcode=97 --log-file="$work/memcheck.log")

expected=1
case "$path" in
  usage)        command=("$cfgsnap" onlyone two) ;;
  unresolvable) command=("$cfgsnap" switch.invalid private 10.0.0.5 sw1.cfg) ;;
  silent)       start_agent; command=("$cfgsnap" 127.0.0.1 private 10.0.0.5 sw1.cfg) ;;
  refused)      start_agent ok:err=2; command=("$cfgsnap" 127.0.0.1 private 10.0.0.5 sw1.cfg) ;;
  success)      start_agent ok 1 2; expected=0; command=("$cfgsnap" 127.0.0.1 private 10.0.0.5 sw1.cfg) ;;
  failure)      start_agent ok 13; command=("$cfgsnap" 127.0.0.1 private 10.0.0.5 sw1.cfg -l) ;;
  # The bound is 300 s in the binary; the procedure-level test reaches it
  # with shortened settings, through the same code.
  bound)        expected=0; command=("$frontend_tests" --gtest_filter='ConfigSaveTest.StopsPollingAtTheBound') ;;
  *)            echo "unknown path: $path"; exit 2 ;;
esac

set +e
"${memcheck[@]}" "${command[@]}" >"$work/stdout"
status=$?
set -e

echo "--- output"
cat "$work/stdout"
echo "--- memcheck"
cat "$work/memcheck.log"
if [ "$status" -eq 97 ] || [ -s "$work/memcheck.log" ]; then
  echo "FAIL: memcheck reported errors or leaks on the $path path"
  exit 1
fi
if [ "$status" -ne "$expected" ]; then
  echo "FAIL: exit code $status, expected $expected"
  exit 1
fi
echo "PASS: $path path exits $status with no memcheck error and nothing lost"
