#!/bin/bash
# Starts a copy of Quarrix under a unique name, then the same copy again: the second start
# must end at once with exit code 0 while the first keeps running. A copy under another
# name is not counted and keeps running too.
# Usage: SecondInstanceTest.sh <path of the built Quarrix>
set -u
binary=$1
work=$(mktemp -d)
name="Qx2nd$$"
other="Qx2ot$$"
pids=()

cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

cp "$binary" "$work/$name"
cp "$binary" "$work/$other"
cd "$work" || fail "no work folder"
# A settings file, so that no first-run dialog holds the start.
printf '[WindowStates]\r\nRemWindowStates=0\r\n[Favorite]\r\nSynchronize=0\r\n' >Quarrix.ini

# Waits (bounded) until the process runs our executable and is past its own start check.
started() {
    local pid=$1 exe=$2
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || return 1
        if [ "$(basename "$(readlink "/proc/$pid/exe" 2>/dev/null)")" = "$exe" ]; then
            sleep 1
            kill -0 "$pid" 2>/dev/null
            return
        fi
        sleep 0.1
    done
    return 1
}

"./$name" >first.log 2>&1 &
pids+=($!)
first=$!
started "$first" "$name" || fail "the first instance did not keep running: $(cat first.log)"

begin=$(date +%s%N)
timeout 10 "./$name" >second.log 2>&1
status=$?
elapsed=$(( ($(date +%s%N) - begin) / 1000000 ))
[ "$status" -eq 0 ] || fail "second instance exit code $status (124 means it kept running)"
[ "$elapsed" -lt 5000 ] || fail "second instance took $elapsed ms"
kill -0 "$first" 2>/dev/null || fail "the first instance ended"

"./$other" >other.log 2>&1 &
pids+=($!)
started "$!" "$other" || fail "a copy under another name was counted: $(cat other.log)"
echo "second instance ended after $elapsed ms; the first and a renamed copy kept running"
