#!/usr/bin/env bash
# Runs every fuzz target for the same time on a copy of its seed corpus and
# prints, per target, the executions done and the coverage reached, so that
# anyone can repeat a campaign:
#
#   bash tests/fuzz/campaign.sh [SECONDS_PER_TARGET] [BUILD_DIR]
#
# With FUZZ_FAIL_ON_FINDINGS=1 (as CI runs it) the script fails when a target
# found anything or did not run. FUZZ_JOBS=N runs N targets at a time (1
# unless set); each target still gets its own full time.
#
# SECONDS_PER_TARGET defaults to 600 (ten minutes); BUILD_DIR to build/fuzz,
# which is configured and built with the fuzz preset (clang, libFuzzer) when
# it holds no fuzz programs yet. Findings land in the working folder printed
# at the end, beside the grown corpora.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
seconds=${1:-600}
build=${2:-build/fuzz}

if ! ls "$build"/tests/fuzz/fuzz-* >/dev/null 2>&1; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
fi

work=$(mktemp -d /tmp/tarvello-fuzz.XXXXXX)
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan.supp"
export QT_QPA_PLATFORM=offscreen
jobs=${FUZZ_JOBS:-1}

# Runs one target and leaves its line of the table in $work/<target>/result.
run_target() {
  local program=$1 name target corpus log status execs cov ft findings
  local -a extra=()
  name=$(basename "$program")
  target=${name#fuzz-}
  corpus="$work/$target/corpus"
  mkdir -p "$corpus" "$work/$target/findings"
  cp "$root/tests/fuzz/corpus/$target"/* "$corpus/" 2>/dev/null || true
  case "$target" in
    configuration-render) extra+=(-dict="$root/tests/fuzz/configuration.dict" -max_len=400000) ;;
    ini-reader) extra+=(-max_len=400000) ;;
    bmp-conversion) extra+=(-max_len=600000) ;;
    serial-read-loop | usb-read-loop) extra+=(-max_len=2048) ;;
    phone-request) extra+=(-max_len=70000) ;;
  esac
  log="$work/$target/fuzz.log"
  "$program" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$work/$target/findings/" -print_final_stats=1 "${extra[@]}" >"$log" 2>&1 || true
  # The last status line: "#<executions> ... cov: <edges> ft: <features> ..."
  status=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  execs=$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$status")
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$status")
  ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$status")
  findings=$(find "$work/$target/findings" -type f | wc -l)
  printf '%-26s %12s %10s %10s %s\n' "$target" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$findings" \
    >"$work/$target/result"
  if [ "$findings" -gt 0 ] || [ -z "$execs" ]; then
    touch "$work/$target/failed"
  fi
}

targets=()
for program in "$build"/tests/fuzz/fuzz-*; do
  [ -f "$program" ] && [ -x "$program" ] || continue  # not the build's own folders
  targets+=("$program")
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_target "$program" &
done
wait

printf '%-26s %12s %10s %10s %s\n' target executions coverage features findings
for program in "${targets[@]}"; do
  name=$(basename "$program")
  target=${name#fuzz-}
  cat "$work/$target/result"
  if [ -e "$work/$target/failed" ]; then
    failed=1
    [ "${FUZZ_FAIL_ON_FINDINGS:-0}" = 1 ] && tail -n 40 "$work/$target/fuzz.log"
  fi
done
echo "working folder: $work"
if [ "${FUZZ_FAIL_ON_FINDINGS:-0}" = 1 ] && [ "${failed:-0}" = 1 ]; then
  echo "fuzz: a target found a fault or did not run (see above)" >&2
  exit 1
fi
