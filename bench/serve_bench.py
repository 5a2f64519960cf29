#!/usr/bin/env python3
"""serve_bench: figures of the report service (oxqr-serve) against one oxqr-export per request.

  bench/serve_bench.py BUILD_BIN_DIR [--seconds 10] [--requests 100000] [--scale 100]

1. A one-page invoice to PDF with wrk over keep-alive connections (2 workers): requests/s.
2. The same requests at 80 % of that rate from a paced client: latency p50 and p99.
3. oxqr-export started per request for the same invoice: requests/s.
4. The customers report to PDF from a database of --scale times the sample data (100: 717
   pages): time to first byte and total.
5. Resident memory of the service and its workers before and after --requests renders.
The service is started on a free loopback port and stopped (SIGTERM) at the end."""
import argparse
import http.client
import json
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

INVOICE = """<report name="Invoice" title="Invoice" dataset="Lines">
  <parameter name="Customer" type="string" default="Nobody"/>
  <json name="Lines" file="lines.json" path="lines">
    <field name="Item" type="string"/>
    <field name="Qty" type="integer"/>
    <field name="Price" type="currency"/>
  </json>
  <band type="title" height="8">
    <label left="0" top="0" width="100" height="5" text="Invoice for {param:Customer}"/>
  </band>
  <band type="detail" height="5">
    <text left="0" top="0" width="60" height="4.5" field="Lines.Item"/>
    <text left="70" top="0" width="20" height="4.5" field="Lines.Qty"/>
    <text left="100" top="0" width="30" height="4.5" field="Lines.Price"/>
  </band>
</report>
"""
BODY = {"format": "pdf", "parameters": {"Customer": "Acme"},
        "data": {"Lines": [{"Item": "Item %d" % i, "Qty": i, "Price": 9.5 * i} for i in range(12)]}}


def rss_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


class Service:
    def __init__(self, bin_dir, reports, db, workers):
        self.proc = subprocess.Popen([os.path.join(bin_dir, "oxqr-serve"), "--reports", reports, "--db", db,
                                      "--listen", "127.0.0.1:0", "--workers", str(workers), "--queue", "1024"],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = self.proc.stdout.readline()
        self.port = int(line.split("127.0.0.1:")[1].split()[0])
        for _ in range(600):
            if self.get("/readyz")[0] == 200:
                break
            time.sleep(0.1)

    def get(self, path):
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=300)
        c.request("GET", path)
        r = c.getresponse()
        return r.status, r.read()

    def memory(self):
        children = subprocess.run(["pgrep", "-P", str(self.proc.pid)], capture_output=True, text=True).stdout.split()
        return rss_kib(self.proc.pid), sum(rss_kib(int(p)) for p in children)

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(60)


def wrk_rate(port, seconds, workdir):
    script = os.path.join(workdir, "post.lua")
    with open(script, "w") as f:
        f.write('wrk.method = "POST"\nwrk.headers["Content-Type"] = "application/json"\nwrk.body = [[%s]]\n'
                % json.dumps(BODY))
    out = subprocess.run(["wrk", "-t2", "-c8", "-d%ds" % seconds, "--latency", "-s", script,
                          "http://127.0.0.1:%d/api/reports/invoice/render" % port],
                         capture_output=True, text=True).stdout
    rate = float([l for l in out.splitlines() if l.startswith("Requests/sec")][0].split()[1])
    return rate, out


def paced_latencies(port, rate, seconds):
    """Requests sent at `rate` per second from 8 keep-alive connections; their latencies."""
    latencies, lock = [], threading.Lock()
    body = json.dumps(BODY)
    start = time.perf_counter()
    total = int(rate * seconds)

    def client(k):
        c = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        for i in range(k, total, 8):
            due = start + i / rate
            delay = due - time.perf_counter()
            if delay > 0:
                time.sleep(delay)
            t0 = time.perf_counter()
            c.request("POST", "/api/reports/invoice/render", body=body, headers={"Content-Type": "application/json"})
            c.getresponse().read()
            with lock:
                latencies.append(time.perf_counter() - t0)
    threads = [threading.Thread(target=client, args=(k,)) for k in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    latencies.sort()
    return latencies[len(latencies) // 2], latencies[int(len(latencies) * 0.99)]


def exporter_rate(bin_dir, reports, db, workdir, runs=10):
    with open(os.path.join(workdir, "body.json"), "w") as f:
        json.dump({"lines": BODY["data"]["Lines"]}, f)
    start = time.perf_counter()
    for i in range(runs):
        subprocess.run([os.path.join(bin_dir, "oxqr-export"), "--quiet", "--db", db, "--param", "Customer=Acme",
                        "--data", "Lines=" + os.path.join(workdir, "body.json"), os.path.join(reports, "invoice.oxr"),
                        os.path.join(workdir, "out.pdf")], check=True, stdout=subprocess.DEVNULL,
                       env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    return runs / (time.perf_counter() - start)


def first_byte_and_total(port):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=600)
    t0 = time.perf_counter()
    c.request("GET", "/api/reports/customers.pdf")
    r = c.getresponse()
    first = r.read(1)
    ttfb = time.perf_counter() - t0
    rest = r.read()
    return ttfb, time.perf_counter() - t0, len(first) + len(rest)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("bin_dir")
    p.add_argument("--seconds", type=int, default=10)
    p.add_argument("--requests", type=int, default=100000)
    p.add_argument("--scale", type=int, default=100)
    a = p.parse_args()
    work = tempfile.mkdtemp(prefix="oxqr-serve-bench-")
    try:
        reports = os.path.join(work, "reports")
        shutil.copytree(os.path.join(a.bin_dir, "reports"), reports)
        with open(os.path.join(reports, "invoice.oxr"), "w") as f:
            f.write(INVOICE)
        with open(os.path.join(reports, "lines.json"), "w") as f:
            json.dump({"lines": BODY["data"]["Lines"]}, f)
        db = os.path.join(work, "demo.sqlite")
        subprocess.run([os.path.join(a.bin_dir, "oxqr-demodata"), "--scale", str(a.scale), db], check=True,
                       stdout=subprocess.DEVNULL, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        service = Service(a.bin_dir, reports, db, 2)
        try:
            service.get("/api/reports/invoice.pdf")  # warm
            rate, wrk_out = wrk_rate(service.port, a.seconds, work)
            print("invoice to PDF, 2 workers, wrk -t2 -c8: %.1f requests/s" % rate)
            print("\n".join(l for l in wrk_out.splitlines() if "%" in l and "Latency" not in l))
            p50, p99 = paced_latencies(service.port, 0.8 * rate, a.seconds)
            print("at 80 %% (%.1f requests/s): p50 %.1f ms, p99 %.1f ms" % (0.8 * rate, p50 * 1e3, p99 * 1e3))
            per_run = exporter_rate(a.bin_dir, reports, db, work)
            print("oxqr-export per request: %.2f requests/s; the service: %.1f times that" % (per_run, rate / per_run))
            ttfb, total, size = first_byte_and_total(service.port)
            print("customers to PDF at scale %d (%d bytes): first byte %.2f s, total %.2f s"
                  % (a.scale, size, ttfb, total))
            before = service.memory()
            script = os.path.join(work, "post.lua")
            started = time.perf_counter()
            done = 0
            while done < a.requests:
                out = subprocess.run(["wrk", "-t2", "-c8", "-d5s", "-s", script,
                                      "http://127.0.0.1:%d/api/reports/invoice/render" % service.port],
                                     capture_output=True, text=True).stdout
                done += int([l for l in out.splitlines() if "requests in" in l][0].split()[0])
            # wrk's connections close with renders in flight; workers of cancelled renders start again.
            time.sleep(2)
            for _ in range(600):
                if service.get("/readyz")[0] == 200:
                    break
                time.sleep(0.1)
            after = service.memory()
            print("resident memory after warm-up: service %d KiB, workers %d KiB" % before)
            print("after %d more renders (%.0f s): service %d KiB, workers %d KiB (change %+d KiB, %+d KiB)"
                  % (done, time.perf_counter() - started, after[0], after[1], after[0] - before[0],
                     after[1] - before[1]))
        finally:
            service.stop()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
