#!/usr/bin/env bash
# Builds the page and serves it on http://localhost:8080/ (PORT to change it) until interrupted.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/build-web.sh"
port="${PORT:-8080}"
echo "Carillo in the browser: http://localhost:$port/"
cd "${BUILD:-$ROOT/build}/web/site"
exec python3 -m http.server "$port" --bind 127.0.0.1
