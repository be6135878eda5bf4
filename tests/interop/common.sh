# Sourced by the interop checks: starts quarrix-fakeserver on a loopback block that this
# run holds alone, and stops it (and whatever else the check started) however the
# check ends.
#
# start_fake_server SERVER_BIN LOG SERVER...
#   Serves each SERVER as a --server option, written with "@NET@" for the block's first two
#   octets ("@NET@.1.1:27015,name=..."). The block 127.R.0.0/16 (R from 128 to 254) is
#   claimed by a silent server on its marker address 127.R.255.254:65531 (the marker
#   by which test programs claim such blocks too): a block whose marker or server
#   addresses are taken is passed over. Sets FAKE_NET ("127.R") and FAKE_PID; fails
#   after a bounded number of blocks or when the server does not start in 10 seconds.
# A check adds its own children to CHILD_PIDS; the EXIT trap ends them all.

CHILD_PIDS=()
WORK_DIR="$(mktemp -d)"

stop_children() {
  local pid
  for pid in "${CHILD_PIDS[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for pid in "${CHILD_PIDS[@]}"; do
    wait "$pid" 2>/dev/null
  done
  CHILD_PIDS=()
  rm -rf "$WORK_DIR"
}
trap stop_children EXIT
trap 'exit 1' INT TERM

start_fake_server() {
  local bin="$1" log="$2"
  shift 2
  local first=$(((($$ * 37) % 127)))
  local attempt block args server pid
  for attempt in $(seq 0 19); do
    block=$((128 + (first + attempt * 7) % 127))
    FAKE_NET="127.$block"
    args=(--server "$FAKE_NET.255.254:65531,silent")
    for server in "$@"; do
      args+=(--server "${server//@NET@/$FAKE_NET}")
    done
    # The deadline is a last resort: the trap stops the server long before it.
    "$bin" "${args[@]}" --log --seconds 60 >"$log" 2>&1 &
    pid=$!
    CHILD_PIDS+=("$pid")
    for _ in $(seq 1 100); do
      grep -q '^ready ' "$log" && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if grep -q '^ready ' "$log"; then
      FAKE_PID=$pid
      return 0
    fi
    kill "$pid" 2>/dev/null
    local status=0
    wait "$pid" 2>/dev/null || status=$?
    # Exit code 1 is a socket that could not be bound: another run holds the block.
    if [ "$status" -ne 1 ]; then
      echo "quarrix-fakeserver did not start (status $status):"
      cat "$log"
      return 1
    fi
  done
  echo "no free loopback block after 20 tries; last log:"
  cat "$log"
  return 1
}

# Waits up to 5 seconds for the server's log to show a request of server ID, of KIND
# ('T', 'U', 'V'), that is the bytes PREFIX (hex) and a challenge other than FF FF FF FF.
wait_for_challenged() {
  local log="$1" id="$2" kind="$3" prefix="$4"
  for _ in $(seq 1 50); do
    grep -E "^request $id $kind [0-9.:]+ $prefix[0-9a-f]{8}\$" "$log" |
      grep -qv " ${prefix}ffffffff\$" && return 0
    sleep 0.1
  done
  return 1
}

# same_lists EXPECTED ACTUAL MESSAGE: true when the two sorted lists are equal; else
# calls fail (which the check defines) with MESSAGE and shows the differences.
same_lists() {
  LC_ALL=C cmp -s "$1" "$2" && return 0
  fail "$3"
  LC_ALL=C diff "$1" "$2" | sed 's/^/  /'
  return 1
}

# The simulated servers the checks read, all of the binary dialect with the challenge
# round trip: select_case CASE sets CASE_NAME (UTF-8; the server sends it as GBK),
# CASE_MAP, CASE_PLAYERS, CASE_MAX, CASE_BOTS, CASE_VERSION and CASE_SERVER (for
# start_fake_server). Each server runs on Linux and is VAC secured.
#   challenge  the plain case, with a Chinese name
#   split      the rules reply comes in 5 pieces, in shuffled order
#   m-and-i    the older 'm' info reply and then the 'I' one, to one request
select_case() {
  local extra
  case "$1" in
    challenge)
      CASE_NAME='测试服务器 One' CASE_MAP=de_nuke CASE_PLAYERS=5 CASE_MAX=20 CASE_BOTS=1
      extra="" ;;
    split)
      CASE_NAME='分包规则 Split' CASE_MAP=cs_italy CASE_PLAYERS=3 CASE_MAX=12 CASE_BOTS=0
      extra=",rules-split=5" ;;
    m-and-i)
      CASE_NAME='双回复 m+I' CASE_MAP=de_inferno CASE_PLAYERS=2 CASE_MAX=10 CASE_BOTS=1
      extra=",info=both" ;;
    *)
      echo "unknown case $1"; return 1 ;;
  esac
  CASE_SERVER="@NET@.1.1:27015,name=$CASE_NAME,map=$CASE_MAP,players=$CASE_PLAYERS,max=$CASE_MAX"
  CASE_VERSION=1.1.2.7/Stdio
  CASE_SERVER+=",bots=$CASE_BOTS,version=$CASE_VERSION,dialect=binary,challenge=1$extra"
}

# The players every simulated server lists: "Player N" with N - 1 frags, as
# "NAME<TAB>FRAGS" lines in byte order.
expected_players() {
  local i
  for i in $(seq 1 "$1"); do
    printf 'Player %d\t%d\n' "$i" $((i - 1))
  done | LC_ALL=C sort
}
