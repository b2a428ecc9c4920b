#!/usr/bin/env bash
# Builds the file readers' libFuzzer targets natively with clang into build/fuzz/ and runs them,
# seeded with files from the test builders (SF2 whole and damaged, GIF, icon, cursor, animated cursor,
# icon list, wave, mapping text): the SF2 preset-header reader, the checks and bank patch of "Set bank in file...", the preset walk that the card stand-in and the device layer
# share, the edit engine stand-in's SF2 reader and writer, the GIF coder, the icon and animated cursor readers, the icon list's stored form
# and the mapping text form (import, export, import again). The given seconds (default 30)
# are shared by all targets. Exit code non-zero on a finding.
set -euo pipefail
budget=${1:-30}
TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT="$TOP/build/fuzz"
mkdir -p "$OUT/seeds"
cd "$TOP"

FLAGS=(-std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)

clang++ -std=c++17 -O1 -Wall -Wextra -Itests/common tests/common/sf2_builder.cpp tests/common/sf2_damage.cpp \
  tests/common/gif_builder.cpp tests/common/icon_builder.cpp tests/fuzz/make_fuzz_seeds.cpp -o "$OUT/make_fuzz_seeds"
"$OUT/make_fuzz_seeds" "$OUT/seeds"

# Each target: its sources, and the options of its run.
declare -A target_sources target_options
targets=(phdr_chunk sf2_bank_rewrite sf2_preset_walk sf_edit_engine gif_codec icon_files icon_list_stream mapping_text)
target_sources[phdr_chunk]="-Istorage storage/chunk.cpp storage/subchunk.cpp storage/LISTpdta_subchunk.cpp storage/phdr_chunk.cpp tests/fuzz/phdr_chunk_fuzz.cpp"
target_options[phdr_chunk]=""
target_sources[sf2_bank_rewrite]="-Istorage -Ieditor storage/chunk.cpp storage/subchunk.cpp storage/LISTpdta_subchunk.cpp storage/phdr_chunk.cpp storage/str_to_int.cpp editor/sf2_bank_rewrite.cpp tests/fuzz/sf2_bank_rewrite_fuzz.cpp"
target_options[sf2_bank_rewrite]="-malloc_limit_mb=64"
target_sources[sf2_preset_walk]="-Istorage storage/sf2_preset_walk.cpp tests/fuzz/sf2_preset_walk_fuzz.cpp"
# No single allocation may be larger than the small seed files could justify.
target_options[sf2_preset_walk]="-malloc_limit_mb=64"
target_sources[sf_edit_engine]="-Isimcard -Iexport simcard/sf_edit_model.cpp simcard/sf_edit_reader.cpp simcard/sf_edit_writer.cpp simcard/sf_edit_engine.cpp tests/fuzz/sf_edit_engine_fuzz.cpp"
target_options[sf_edit_engine]="-malloc_limit_mb=256"
target_sources[gif_codec]="-Icomponents components/kit_gif_codec.cpp tests/fuzz/gif_codec_fuzz.cpp"
target_options[gif_codec]="-malloc_limit_mb=256"
target_sources[icon_files]="-Icomponents -iquote ui ui/icon_file.cpp components/kit_ani_file.cpp tests/fuzz/icon_files_fuzz.cpp"
target_options[icon_files]="-malloc_limit_mb=64"
target_sources[icon_list_stream]="-Icomponents components/kit_icon_list_stream.cpp tests/fuzz/icon_list_stream_fuzz.cpp"
target_options[icon_list_stream]="-malloc_limit_mb=64"
target_sources[mapping_text]="-Istorage storage/mapping_text_form.cpp storage/same_text_ascii.cpp tests/fuzz/mapping_text_fuzz.cpp"
target_options[mapping_text]="-malloc_limit_mb=64"

per_target=$(( budget / ${#targets[@]} ))
[ "$per_target" -lt 1 ] && per_target=1
status=0
for name in "${targets[@]}"; do
  # shellcheck disable=SC2086
  clang++ "${FLAGS[@]}" ${target_sources[$name]} -o "$OUT/${name}_fuzz"
  mkdir -p "$OUT/corpus/$name"
  result=0
  # shellcheck disable=SC2086
  "$OUT/${name}_fuzz" -max_total_time="$per_target" -timeout=10 -rss_limit_mb=2048 ${target_options[$name]} \
    -print_final_stats=1 -artifact_prefix="$OUT/${name}-" "$OUT/corpus/$name" "$OUT/seeds" >"$OUT/$name.log" 2>&1 ||
    result=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$OUT/$name.log" | grep -o '[0-9]*$' || echo "?")
  if [ "$result" -ne 0 ]; then
    tail -n 40 "$OUT/$name.log"
    echo "fuzz $name: FINDING after $runs runs (exit $result); input saved in $OUT/, log $OUT/$name.log"
    status=1
  else
    echo "fuzz $name: ${per_target} s, $runs runs, no finding"
  fi
done
exit $status
