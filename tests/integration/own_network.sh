#!/usr/bin/env bash
# own_network.sh LOG SIM-ARGV... -- PROGRAM-ARGV...
# Run under `unshare -rn`: in a network of its own, where this machine is
# also 10.9.9.1 (no loopback address), starts the program, and a second
# later newton-sim, whose output goes to LOG, calling it from that address.
set -u
log=$1
shift
sim=()
while [ "$1" != "--" ]; do
    sim+=("$1")
    shift
done
shift
ip link set lo up && ip addr add 10.9.9.1/8 dev lo || {
    echo "own_network.sh: no network of its own here" >&2
    exit 3
}
(sleep 1 && exec "${sim[@]}") >"$log" 2>&1 &
exec "$@"
