#!/usr/bin/env bash
# Builds the libFuzzer targets natively with clang into build/fuzz/ and runs each for the given number
# of seconds, seeded with files from the test SF2 builder: the SF2 preset-header reader, and the preset
# walk that the card stand-in and the device layer share. Exit code non-zero on a finding.
set -euo pipefail
seconds=${1:-30}
TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT="$TOP/build/fuzz"
mkdir -p "$OUT/seeds" "$OUT/corpus"
cd "$TOP"

reader=(storage/chunk.cpp storage/subchunk.cpp storage/LISTpdta_subchunk.cpp storage/phdr_chunk.cpp)
clang++ -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Istorage "${reader[@]}" tests/fuzz/phdr_chunk_fuzz.cpp -o "$OUT/phdr_chunk_fuzz"
clang++ -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Istorage storage/sf2_preset_walk.cpp tests/fuzz/sf2_preset_walk_fuzz.cpp -o "$OUT/sf2_preset_walk_fuzz"
clang++ -std=c++17 -O1 -Wall -Wextra -Itests/common tests/common/sf2_builder.cpp tests/common/sf2_damage.cpp \
  tests/fuzz/make_fuzz_seeds.cpp -o "$OUT/make_fuzz_seeds"
"$OUT/make_fuzz_seeds" "$OUT/seeds"

status=0
"$OUT/phdr_chunk_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$OUT/" "$OUT/corpus" "$OUT/seeds" >"$OUT/fuzz.log" 2>&1 || status=$?
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$OUT/fuzz.log" | grep -o '[0-9]*$' || echo "?")
if [ "$status" -ne 0 ]; then
  tail -n 40 "$OUT/fuzz.log"
  echo "fuzz phdr_chunk: FINDING after $runs runs (exit $status); input saved in $OUT/, log $OUT/fuzz.log"
  exit 1
fi
echo "fuzz phdr_chunk: ${seconds} s, $runs runs, no finding"

# The preset walk: no single allocation may be larger than the small seed files could justify.
mkdir -p "$OUT/corpus_walk"
"$OUT/sf2_preset_walk_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=64 \
  -print_final_stats=1 -artifact_prefix="$OUT/walk_" "$OUT/corpus_walk" "$OUT/seeds" >"$OUT/fuzz_walk.log" 2>&1 || status=$?
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$OUT/fuzz_walk.log" | grep -o '[0-9]*$' || echo "?")
if [ "$status" -ne 0 ]; then
  tail -n 40 "$OUT/fuzz_walk.log"
  echo "fuzz sf2_preset_walk: FINDING after $runs runs (exit $status); input saved in $OUT/, log $OUT/fuzz_walk.log"
  exit 1
fi
echo "fuzz sf2_preset_walk: ${seconds} s, $runs runs, no finding"
