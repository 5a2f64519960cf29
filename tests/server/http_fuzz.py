#!/usr/bin/env python3
"""A loopback fuzz client of oxqr-serve: mutated requests (flipped, inserted and cut bytes,
repeated headers, odd lengths, chunked bodies, hostile names and JSON) sent to a running service
for SECONDS (default 600). The service must answer or close each connection, stay alive and
ready, and exit 0 on SIGTERM without leaving a process or a file behind.

  OXQR_SERVE=... OXQR_DEMODATA=... OXQR_REPORTS=... OXQR_SOURCE_DIR=... tests/server/http_fuzz.py [SECONDS] [SEED]"""
import json
import os
import random
import socket
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import serve_test  # noqa: E402

BODY = json.dumps({"format": "txt", "parameters": {"Customer": "Fuzz"},
                   "data": {"Lines": [{"Item": "A", "Qty": 1, "Price": 2.5}]}}).encode()
SEEDS = [
    b"GET /api/reports HTTP/1.1\r\nHost: x\r\n\r\n",
    b"GET /api/reports/invoice.txt?Customer=A&Due=2026-01-02 HTTP/1.1\r\nHost: x\r\n\r\n",
    b"POST /api/reports/invoice/render HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
    b"Content-Length: %d\r\n\r\n%s" % (len(BODY), BODY),
    b"POST /api/reports/invoice/render HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
    b"Transfer-Encoding: chunked\r\n\r\n%x\r\n%s\r\n0\r\n\r\n" % (len(BODY), BODY),
    b"GET /healthz HTTP/1.1\r\nHost: x\r\nConnection: keep-alive\r\n\r\nGET /metrics HTTP/1.1\r\nHost: x\r\n\r\n",
    b"GET /api/reports/%2e%2e%2finvoice.pdf HTTP/1.0\r\n\r\n",
]
TOKENS = [b"\r\n", b"\r\n\r\n", b"\x00", b"%", b"%2e%2e/", b"../", b"Content-Length: 99999999999999999999\r\n",
          b"Transfer-Encoding: chunked\r\n", b"Host: y\r\n" * 50, b"[" * 5000, b'{"a":' * 2000, b"\xff\xfe",
          b"A" * 70000, b"ffffffffffffffff\r\n", b" HTTP/9.9", b"?a=%zz&&=&b", b"Expect: 100-continue\r\n"]


def mutate(rng, data):
    data = bytearray(data)
    for _ in range(rng.randint(1, 6)):
        kind = rng.randrange(5)
        at = rng.randrange(len(data) + 1)
        if kind == 0 and data:
            data[min(at, len(data) - 1)] ^= 1 << rng.randrange(8)
        elif kind == 1:
            data[at:at] = rng.choice(TOKENS)
        elif kind == 2:
            del data[at:at + rng.randint(1, 40)]
        elif kind == 3:
            data[at:at] = bytes(rng.randrange(256) for _ in range(rng.randint(1, 30)))
        else:
            data = data[:at]
    return bytes(data)


def send(port, data):
    with socket.create_connection(("127.0.0.1", port), timeout=20) as c:
        try:
            c.sendall(data)
            c.shutdown(socket.SHUT_WR)
            while c.recv(65536):
                pass
        except OSError:
            pass  # a connection closed by the service is an answer


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 600
    rng = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    service = serve_test.Service("--workers", "2", "--header-timeout", "2")
    sent, failures = 0, []
    end = time.time() + seconds
    try:
        while time.time() < end:
            send(service.port, mutate(rng, rng.choice(SEEDS)))
            sent += 1
            if sent % 200 == 0:
                if service.proc.poll() is not None or service.get("/healthz", timeout=20)[0] != 200:
                    failures.append("the service stopped answering after %d requests" % sent)
                    break
    finally:
        try:
            service.wait_ready(60)  # workers of cancelled renders start again
            ready = True
        except RuntimeError:
            ready = False
        log = service.stop()
    print("%d mutated requests in %.0f s; service ready at the end: %s" % (sent, seconds, ready))
    crashed = [l for l in log.splitlines() if "Segmentation" in l or "Aborted" in l]
    status, left, files = service.outcome
    print("exit status %d, processes left %s, files left %s" % (status, left, files))
    if failures or crashed or not ready or status != 0 or left or files:
        print("\n".join(failures + crashed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
