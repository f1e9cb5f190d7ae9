#!/usr/bin/env bash
# Installs what is missing, builds and starts the workstation. It builds only what runs: no
# tests, no benchmarks.
# By default the bundled transducer simulator is started too, so that the program works
# without hardware; --no-simulator leaves it out for a real transducer.
# Options after "--" go to the simulator (see: build/run/bin/qvt-simulator --help).
# --build-only builds and stops there. --app-dir DIR runs a copy of the program from DIR, which
# then holds its settings (conf.ini, QvtSettings/) apart from those of build/run/bin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

simulator=1
build_only=0
app_dir=
sim_args=()
while [ $# -gt 0 ]; do
    case "$1" in
        --no-simulator) simulator=0 ;;
        --build-only) build_only=1 ;;
        --app-dir) [ $# -ge 2 ] || { echo "$0: --app-dir needs a folder" >&2; exit 2; }; app_dir=$2; shift ;;
        --) shift; sim_args=("$@"); break ;;
        *) echo "usage: $0 [--no-simulator] [--build-only] [--app-dir DIR] [-- simulator options]" >&2; exit 2 ;;
    esac
    shift
done

bash scripts/install-deps.sh
cmake -S . -B build/run -DCMAKE_BUILD_TYPE=Release -DMANOVERA_TESTS=OFF -DMANOVERA_BENCH=OFF >/dev/null
cmake --build build/run -j "${MANOVERA_BUILD_JOBS:-$(nproc 2>/dev/null || echo 4)}"
bin=build/run/bin
if [ "$build_only" = 1 ]; then exit 0; fi

program="$bin/manovera"
if [ -n "$app_dir" ]; then
    # The program finds its templates, images, help and exchange library beside itself.
    mkdir -p "$app_dir"
    cp -f "$bin/manovera" "$app_dir/"
    for f in "$bin"/libVortaExchange.so*; do
        if [ -e "$f" ]; then cp -fP "$f" "$app_dir/"; fi
    done
    for d in Templates Images help; do
        rm -rf "${app_dir:?}/$d"
        cp -r "$bin/$d" "$app_dir/$d"
    done
    program="$app_dir/manovera"
fi

sim_pid=
sim_dir=
cleanup() {
    if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
    if [ -n "$sim_dir" ]; then rm -rf "$sim_dir"; fi
}
trap cleanup EXIT
# Stopped by a signal, the script still takes the simulator down with it.
trap 'exit 143' TERM
trap 'exit 130' INT

if [ "$simulator" = 1 ] && [ -x "$bin/qvt-simulator" ]; then
    # The port file and the control FIFO live in a private folder, gone when the script ends.
    sim_dir=$(mktemp -d)
    portfile="$sim_dir/port"
    control="$sim_dir/control"
    mkfifo -m 600 "$control"
    "$bin/qvt-simulator" "${sim_args[@]+"${sim_args[@]}"}" --port-file "$portfile" --control "$control" &
    sim_pid=$!
    for _ in $(seq 100); do
        [ -s "$portfile" ] || ! kill -0 "$sim_pid" 2>/dev/null && break
        sleep 0.1
    done
    if [ ! -s "$portfile" ]; then
        echo "The transducer simulator did not start" >&2
        exit 1
    fi
    port=$(cat "$portfile")
    echo "Transducer simulator on $port; steer it with: echo \"pressure 500\" > $control   (echo help > $control lists the commands)"
    export MANOVERA_EXTRA_PORTS="$port${MANOVERA_EXTRA_PORTS:+:$MANOVERA_EXTRA_PORTS}"
fi

"$program"
