#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer; the libraries they test instrumented as well)
# into build-fuzz/ and runs one target, or each in turn, for a bounded time
# on one core. New inputs go to fuzz/corpus-run/<target>/ (not kept in git);
# the seeds are fuzz/corpus/<target>/, the dictionary fuzz/<target>.dict. A
# crash leaves its input as crash-* in fuzz/findings/<target>/.
#   bash fuzz/run.sh <target>|all [seconds per target]    (default 240)
# Targets: json_parse_fuzz http_request_fuzz http_body_fuzz url_fuzz
# ini_fuzz template_fuzz number_text_fuzz filter_name_fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
which="${1:?usage: fuzz/run.sh <target>|all [seconds]}"
seconds="${2:-240}"
all=(json_parse_fuzz http_request_fuzz http_body_fuzz url_fuzz ini_fuzz
     template_fuzz number_text_fuzz filter_name_fuzz)
if [ "$which" = all ]; then targets=("${all[@]}"); else targets=("$which"); fi

# clang and its libFuzzer runtime (Debian: clang, libclang-rt-dev); the
# tests do not need them, so scripts/install-deps.sh leaves them out.
if ! dpkg -s clang libclang-rt-dev >/dev/null 2>&1; then
  if [ "$(id -u)" = 0 ]; then
    apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends clang libclang-rt-dev
  else
    echo "fuzz/run.sh needs clang and libclang-rt-dev: apt-get install clang libclang-rt-dev" >&2
    exit 1
  fi
fi

instrument="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -g"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$instrument" -DCMAKE_CXX_FLAGS="$instrument" \
  -DFIELDSYNC_FUZZ=ON -DFIELDSYNC_TESTS=OFF -DFIELDSYNC_BENCH=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]}" -j 2

for target in "${targets[@]}"; do
  mkdir -p "fuzz/corpus-run/$target" "fuzz/findings/$target"
  echo "== $target, ${seconds} s"
  build-fuzz/fuzz/"$target" -max_total_time="$seconds" -max_len=20000 -timeout=10 \
    -rss_limit_mb=2048 -dict="fuzz/${target%_fuzz}.dict" -print_final_stats=1 \
    -artifact_prefix="fuzz/findings/$target/" \
    "fuzz/corpus-run/$target" "fuzz/corpus/$target"
done
