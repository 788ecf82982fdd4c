#!/usr/bin/env bash
# Load on the loopback address: `orvane serve` with 1 and then 2 worker
# processes, wrk against a JSON chart, an SVG chart and a year's almanac.
# Bounded: each run lasts DURATION seconds with CONNECTIONS connections.
# Usage: bench/serve_load.sh [PYTHON] (needs wrk: apt-get install wrk)
set -euo pipefail
PYTHON=${1:-python3}
PORT=${PORT:-8765}
DURATION=${DURATION:-10}
CONNECTIONS=${CONNECTIONS:-8}
BASE="http://127.0.0.1:$PORT"
TICK_MS=$((1000 / $(getconf CLK_TCK)))

# CPU time (clock ticks) of the server and its worker processes: the cost of a
# request apart from what the other programs on the machine take.
cpu_ticks() {
  local total=0 pid
  for pid in "$1" $(pgrep -P "$1"); do
    total=$((total + $(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null || echo 0)))
  done
  echo "$total"
}

# wrk with its request rate, 50th and 99th percentiles, and the server's CPU per request.
measure() {
  local before after out count
  before=$(cpu_ticks "$server")
  out=$(wrk "$@")
  after=$(cpu_ticks "$server")
  count=$(echo "$out" | awk '/requests in/{print $1}')
  echo "$out" | grep -E "Requests/sec|50%|99%|Non-2xx|requests in"
  echo "    server CPU per request: $(( (after - before) * TICK_MS * 1000 / count )) us"
}
CHART="date=1990-05-17&time=14:30&tz=Europe%2FParis&place=48.8566,2.3522"
ALMANAC="place=40.7128,-74.006&tz=America%2FNew_York&from=2026-01-01&to=2026-12-31"

for workers in 1 2; do
  $PYTHON -m orvane_tools.cli serve --port "$PORT" --workers "$workers" 2>/dev/null &
  server=$!
  for _ in $(seq 1 300); do
    curl -fs "$BASE/v1/health" >/dev/null 2>&1 && break
    sleep 0.2
  done
  echo "== $workers worker(s); load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  # The server keeps no cache, and wrk sends no If-None-Match: every request is computed.
  measure -t2 -c"$CONNECTIONS" -d"${DURATION}s" --latency "$BASE/v1/chart?$CHART"
  echo "-- svg"
  measure -t2 -c"$CONNECTIONS" -d"${DURATION}s" --latency "$BASE/v1/chart.svg?$CHART"
  echo "-- almanac, one year (2 connections)"
  measure -t1 -c2 -d"$((DURATION * 3))s" --timeout 60s --latency "$BASE/v1/almanac?$ALMANAC"
  echo "   load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  kill "$server"
  wait "$server" 2>/dev/null || true
done
