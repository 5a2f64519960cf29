#!/usr/bin/env bash
# Private PostgreSQL servers for one test run, so that tests never touch a server of the
# machine. Source this file, then:
#   oxqr_pg_start      initdb into a temporary folder as the unprivileged user postgres,
#                      start two servers (the main one and a spare that a test may stop),
#                      each on a Unix socket in that folder and on 127.0.0.1 at a free port,
#                      and export their URIs (OXQR_TEST_POSTGRES_*) for the tests
#   oxqr_pg_stop       stop both servers and remove the folder (safe to call twice)
# Tests that need a server carry the ctest label "postgres" and skip without the variables.

oxqr_pg_bin() {
  local bin
  bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [[ -x "$bin/initdb" ]] || { echo "test-server: PostgreSQL server programs not found" >&2; return 1; }
  echo "$bin"
}

oxqr_pg_free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

# oxqr_pg_cluster NAME PORT: a new cluster in $OXQR_PG_DIR/NAME, started.
oxqr_pg_cluster() {
  local name=$1 port=$2 bin dir
  bin=$(oxqr_pg_bin) || return 1
  dir="$OXQR_PG_DIR/$name"
  runuser -u postgres -- mkdir -p "$dir/socket"
  # Local (socket) connections are trusted; TCP connections need the password.
  runuser -u postgres -- "$bin/initdb" -D "$dir/data" -U postgres --pwfile="$OXQR_PG_DIR/password" \
    --auth-local=trust --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; return 1; }
  runuser -u postgres -- "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir/socket -c fsync=off" \
    start >/dev/null || { cat "$dir/server.log" >&2; return 1; }
}

oxqr_pg_start() {
  OXQR_PG_DIR=$(mktemp -d /tmp/oxqr-pg.XXXXXX)
  chmod 755 "$OXQR_PG_DIR"
  chown postgres: "$OXQR_PG_DIR"
  local password port spare
  password=$(head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9')
  printf '%s\n' "$password" >"$OXQR_PG_DIR/password"
  chown postgres: "$OXQR_PG_DIR/password"
  chmod 600 "$OXQR_PG_DIR/password"
  port=$(oxqr_pg_free_port)
  oxqr_pg_cluster main "$port" || return 1
  spare=$(oxqr_pg_free_port)
  oxqr_pg_cluster spare "$spare" || return 1
  # Over the socket (no password), and over TCP where the password is asked for.
  export OXQR_TEST_POSTGRES_URI="postgresql://postgres@/postgres?host=$OXQR_PG_DIR/main/socket&port=$port"
  export OXQR_TEST_POSTGRES_TCP_URI="postgresql://postgres@127.0.0.1:$port/postgres"
  export OXQR_TEST_POSTGRES_PASSWORD="$password"
  export OXQR_TEST_POSTGRES_SPARE_URI="postgresql://postgres@/postgres?host=$OXQR_PG_DIR/spare/socket&port=$spare"
  export OXQR_TEST_POSTGRES_SPARE_DATA="$OXQR_PG_DIR/spare/data"
  export OXQR_TEST_POSTGRES_BIN
  OXQR_TEST_POSTGRES_BIN=$(oxqr_pg_bin)
  echo "PostgreSQL test servers on ports $port and $spare in $OXQR_PG_DIR"
}

oxqr_pg_stop() {
  [[ -n "${OXQR_PG_DIR:-}" && -d "$OXQR_PG_DIR" ]] || return 0
  local bin name
  bin=$(oxqr_pg_bin) || return 0
  for name in main spare; do
    if [[ -f "$OXQR_PG_DIR/$name/data/postmaster.pid" ]]; then
      runuser -u postgres -- "$bin/pg_ctl" -D "$OXQR_PG_DIR/$name/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
  done
  rm -rf "$OXQR_PG_DIR"
  OXQR_PG_DIR=
}
