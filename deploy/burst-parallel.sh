#!/bin/sh
# One document per customer with GNU parallel: N shards on this machine (one per core), or on
# several machines over SSH (-S host1,host2 with the program installed on each and OUT on a
# shared file system). --joblog and --resume-failed rerun only the shards that failed, and
# --skip-existing makes a rerun write only the documents that are missing.
#   deploy/burst-parallel.sh [N] [OUT]
set -eu
N="${1:-$(nproc)}"
OUT="${2:-out}"
mkdir -p "$OUT"
seq 0 $((N - 1)) | parallel --will-cite --joblog "$OUT/parallel.log" --resume-failed -j "$N" \
  oxqr-export --quiet --shard {}/"$N" --skip-existing --manifest "$OUT/manifest-{}.jsonl" \
  --burst CustNo customers "'$OUT/{CustNo}.pdf'"
