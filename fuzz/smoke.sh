#!/usr/bin/env bash
# Short fuzzing smoke run: builds the libFuzzer targets with clang under ASan+UBSan and runs
# each for a while (FUZZ_SECONDS, default 30) on its seeds. Does nothing without clang.
#   fuzz/smoke.sh [BUILD_DIR]
# Seeds of a target <name>_fuzz: fuzz/corpus/<name>/ when it exists, and the fixture workbooks.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/fuzz}"
seconds="${FUZZ_SECONDS:-30}"

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz smoke: clang++ not found, skipped"
  exit 0
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCHRONOLIN_FUZZ=ON -DCHRONOLIN_SANITIZE=ON \
  -DCHRONOLIN_BUILD_TESTS=OFF >/dev/null
targets=()
for source in "$root"/fuzz/*_fuzz.cpp; do
  [ -e "$source" ] || continue
  targets+=("$(basename "$source" .cpp)")
done
if [ "${#targets[@]}" -eq 0 ]; then
  echo "fuzz smoke: no targets"
  exit 0
fi
cmake --build "$build" --target "${targets[@]}"

status=0
for target in "${targets[@]}"; do
  work="$(mktemp -d)"
  mkdir -p "$work/corpus" "$work/seeds"
  seeds="$root/fuzz/corpus/${target%_fuzz}"
  if [ -d "$seeds" ]; then cp "$seeds"/* "$work/seeds/" 2>/dev/null || true; fi
  cp "$root"/tests/data/xls/*.xls "$work/seeds/" 2>/dev/null || true
  binary="$(find "$build" -type f -name "$target" -perm -u+x | head -n 1)"
  echo "fuzz smoke: $target for ${seconds}s"
  if ! (cd "$work" && "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
          -print_final_stats=1 corpus seeds >"$work/log" 2>&1); then
    echo "fuzz smoke: $target FAILED; the end of its log:"
    tail -n 60 "$work/log"
    mkdir -p "$build/findings"
    cp "$work"/crash-* "$work"/timeout-* "$work"/leak-* "$work"/oom-* "$build/findings/" 2>/dev/null || true
    status=1
  else
    grep -E "^stat::number_of_executed_units|^Done" "$work/log" | sed "s/^/  /"
  fi
  rm -rf "$work"
done
exit "$status"
