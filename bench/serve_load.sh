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
  # Varying minutes defeat no cache (the server keeps none); the ETag is not sent back by wrk.
  wrk -t2 -c"$CONNECTIONS" -d"${DURATION}s" --latency "$BASE/v1/chart?$CHART" | grep -E "Requests/sec|50%|99%|Non-2xx"
  echo "-- svg"
  wrk -t2 -c"$CONNECTIONS" -d"${DURATION}s" --latency "$BASE/v1/chart.svg?$CHART" | grep -E "Requests/sec|50%|99%|Non-2xx"
  echo "-- almanac, one year (2 connections)"
  wrk -t1 -c2 -d"$((DURATION * 3))s" --timeout 60s --latency "$BASE/v1/almanac?$ALMANAC" | grep -E "requests in|Requests/sec|50%|99%|Non-2xx"
  kill "$server"
  wait "$server" 2>/dev/null || true
done
