#!/usr/bin/env bash
# fuzz.sh BUILD_DIR SECONDS: runs every fuzz target of a fuzz build for SECONDS each, starting
# from its seed corpus when it has one. Any finding fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
seconds=${2:-15}
failed=0
count=0
while IFS= read -r target; do
  name=$(basename "$target")
  corpus=$(mktemp -d)
  seeds=$(find "$top" -path "$top/build*" -prune -o -type d -name "$name" -path '*fuzz/corpus/*' -print | head -n 1)
  args=("$corpus")
  [ -n "$seeds" ] && args+=("$seeds")
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "${args[@]}" \
       >"$corpus.log" 2>&1; then
    echo "fuzz $name: $(grep -E 'stat::number_of_executed_units' "$corpus.log" | awk '{print $2}') runs, no finding"
  else
    echo "fuzz $name: FINDING"; tail -n 40 "$corpus.log"; failed=$((failed + 1))
  fi
  count=$((count + 1))
  rm -rf "$corpus" "$corpus.log"
done < <(find "$dir" -maxdepth 3 -type f -executable -name 'fuzz_*' | sort)
echo "fuzz: $count targets, $failed with findings"
[ "$failed" -eq 0 ]
