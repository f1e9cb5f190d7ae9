#!/usr/bin/env bash
# Installs what is missing, builds and starts the workstation.
# By default the bundled transducer simulator is started too, so that the program works
# without hardware; --no-simulator leaves it out for a real transducer.
# Options after "--" go to the simulator (see: build/run/bin/qvt-simulator --help).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

simulator=1
sim_args=()
while [ $# -gt 0 ]; do
    case "$1" in
        --no-simulator) simulator=0 ;;
        --) shift; sim_args=("$@"); break ;;
        *) echo "usage: $0 [--no-simulator] [-- simulator options]" >&2; exit 2 ;;
    esac
    shift
done

bash scripts/install-deps.sh
cmake -S . -B build/run -DCMAKE_BUILD_TYPE=Release -DMANOVERA_TESTS=OFF >/dev/null
cmake --build build/run -j "$(nproc 2>/dev/null || echo 4)"
bin=build/run/bin

sim_pid=
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT

if [ "$simulator" = 1 ] && [ -x "$bin/qvt-simulator" ]; then
    portfile=$(mktemp)
    "$bin/qvt-simulator" --port-file "$portfile" "${sim_args[@]+"${sim_args[@]}"}" &
    sim_pid=$!
    for _ in $(seq 50); do [ -s "$portfile" ] && break; sleep 0.1; done
    port=$(cat "$portfile"); rm -f "$portfile"
    echo "Transducer simulator on $port"
    export MANOVERA_EXTRA_PORTS="$port${MANOVERA_EXTRA_PORTS:+:$MANOVERA_EXTRA_PORTS}"
fi

"$bin/manovera"
