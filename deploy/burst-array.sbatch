#!/bin/sh
# One document per customer, spread over a Slurm job array: one array task per shard, each on
# one core. Slurm sets SLURM_ARRAY_TASK_ID in every task and --shard-from-env takes the shard
# from it, so the tasks need no arguments of their own; the array must be 0 .. shards-1.
#   sbatch deploy/burst-array.sbatch                    # 16 shards, at most 8 running
#   sbatch --array=3 deploy/burst-array.sbatch          # shard 3 again, alone
# OUT (default ./out) must be on a file system every node sees; OXQR_DATABASE names the
# database (a SQLite file on shared storage or a postgresql:// URI). The programs come from
# PATH: a `cmake --install` prefix's bin/ (oxqr-export and oxqr-entrypoint), or the container.
# A task that outlives --time is ended (and its shard's rerun writes what is missing).
#SBATCH --job-name=oxqr-burst
#SBATCH --array=0-15%8
#SBATCH --cpus-per-task=1
#SBATCH --mem=512M
#SBATCH --time=01:00:00
#SBATCH --output=oxqr-burst-%A_%a.log
set -eu
OUT="${OUT:-$PWD/out}"
mkdir -p "$OUT"
# --shards 16 (the array's size) keeps the count when a single task is resubmitted.
exec "${OXQR_ENTRYPOINT:-oxqr-entrypoint}" --quiet --shard-from-env --shards 16 --skip-existing \
  --manifest "$OUT/manifest-{SHARD}.jsonl" --burst CustNo customers "$OUT/{CustNo}.pdf"
