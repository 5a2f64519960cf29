#!/bin/sh
# Entry point of the batch container: runs oxqr-export with the arguments the scheduler gives
# every process alike. Which shard a process writes comes from the scheduler's environment
# (--shard-from-env reads JOB_COMPLETION_INDEX or SLURM_ARRAY_TASK_ID); the database comes
# from OXQR_DATABASE when it is set (a file path or a postgresql:// URI, from a Secret).
#   OXQR_EXPORTER   the program to run (default: oxqr-export on PATH)
#   OXQR_DATABASE   passed as --db before the other arguments
set -eu

# No display in a container: Qt draws and measures text offscreen.
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="${TMPDIR:-/tmp}/oxqr-runtime-$(id -u)"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi

if [ -n "${OXQR_DATABASE:-}" ]; then
  set -- --db "$OXQR_DATABASE" "$@"
fi
exec "${OXQR_EXPORTER:-oxqr-export}" "$@"
