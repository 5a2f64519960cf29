#!/bin/sh
# One document per customer with GNU parallel: N shards on this machine (one per core), or on
# several machines over SSH (add -S host1,host2 with the program installed on each and OUT on
# a shared file system). --joblog with --resume-failed reruns only the shards that failed, and
# --skip-existing makes a rerun write only the documents that are missing.
#   deploy/burst-parallel.sh [N] [OUT]
# OXQR_DATABASE, when set, names the database (a SQLite file or a postgresql:// URI).
set -eu
N="${1:-$(nproc)}"
OUT="${2:-out}"
mkdir -p "$OUT"
# -q passes every word as it is (no second round of shell parsing: a URI's '&' stays in it).
seq 0 $((N - 1)) | parallel --will-cite -q --joblog "$OUT/parallel.log" --resume-failed -j "$N" \
  oxqr-export --quiet ${OXQR_DATABASE:+--db "$OXQR_DATABASE"} --shard {}/"$N" --skip-existing \
  --manifest "$OUT/manifest-{}.jsonl" --burst CustNo customers "$OUT/{CustNo}.pdf"
