#!/bin/sh
# One document per customer with GNU parallel: N shards, P of them running at once on this
# machine (or on several machines over SSH: add -S host1,host2 with the program installed on
# each and OUT on a shared file system). Pick N a few times P (N = 4 x P, the default) so that
# a slow shard does not hold up the end.
#   deploy/burst-parallel.sh [-j P] [N] [OUT]      (P: the cores, N: 4 x P, OUT: out)
# Every run starts every shard with --skip-existing: a rerun writes what is missing, failed,
# or no longer has the size and checksum its manifest records, and nothing else.
# OXQR_DATABASE, when set, names the database (a SQLite file or a postgresql:// URI).
set -eu
P="$(nproc)"
while getopts j: opt; do
  case "$opt" in
    j) P="$OPTARG" ;;
    *) echo "usage: $0 [-j P] [N] [OUT]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
N="${1:-$((4 * P))}"
OUT="${2:-out}"
mkdir -p "$OUT"
# -q passes every word as it is (no second round of shell parsing: a URI's '&' stays in it).
# The job log records the last run's shards (exit status, time) for a look afterwards.
seq 0 $((N - 1)) | parallel --will-cite -q --joblog "$OUT/parallel.log" -j "$P" \
  oxqr-export --quiet ${OXQR_DATABASE:+--db "$OXQR_DATABASE"} --shard {}/"$N" --skip-existing \
  --manifest "$OUT/manifest-{}.jsonl" --burst CustNo customers "$OUT/{CustNo}.pdf"
