#!/usr/bin/env python3
"""Time from Run to the first piece of the report's HTML in the viewer, as the page asks for
it (POST /api/reports/NAME?format=view), and to the last piece.

    bench/cli/viewer_first_page.py build/release/cli/orla-vendas [--db year.db] [--runs 5]

Without --db it makes a demo database of the 366 days from 2024-01-01 beside /tmp.
"""
import argparse
import http.client
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time


def stream_view(port, report, parameters):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=600)
    body = json.dumps(parameters)
    started = time.perf_counter()
    connection.request("POST", f"/api/reports/{report}?format=view", body,
                       {"Content-Type": "application/json"})
    answer = connection.getresponse()
    if answer.status != 200:
        raise SystemExit(f"{report}: HTTP {answer.status}: {answer.read()[:300]!r}")
    first = None
    pieces = 0
    size = 0
    while True:
        line = answer.readline()
        if not line:
            break
        item = json.loads(line)
        if "html" in item:
            if first is None:
                first = time.perf_counter() - started
            pieces += 1
            size += len(item["html"])
    connection.close()
    return first, time.perf_counter() - started, pieces, size


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--db")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--report", default="DetalhesDosMovimentosPorProdutos")
    parser.add_argument("--from", dest="start", default="01/01/2024")
    parser.add_argument("--to", dest="end", default="31/12/2024")
    options = parser.parse_args()
    database = options.db or os.path.join(tempfile.gettempdir(), "orla-viewer-bench-2024.db")
    if not os.path.exists(database):
        subprocess.run([options.binary, "demo-db", "--out", database, "--start", "2024-01-01",
                        "--days", "366"], check=True)
    server = subprocess.Popen([options.binary, "serve", "--db", database, "--port", "0"],
                              stdout=subprocess.PIPE, text=True)
    try:
        port = int(re.search(r":(\d+)/", server.stdout.readline()).group(1))
        parameters = {"Filtro_DataInicial": options.start, "Filtro_DataFinal": options.end}
        firsts, totals = [], []
        for run in range(options.runs + 1):
            first, total, pieces, size = stream_view(port, options.report, parameters)
            if run == 0:
                continue  # the first run warms the file cache
            firsts.append(first)
            totals.append(total)
        print(f"{options.report} {options.start}-{options.end}: {pieces} pieces, "
              f"{size / 1e6:.1f} MB of HTML")
        print(f"first piece: median {statistics.median(firsts):.3f} s "
              f"(min {min(firsts):.3f}, max {max(firsts):.3f}) over {len(firsts)} runs")
        print(f"last piece:  median {statistics.median(totals):.3f} s "
              f"(min {min(totals):.3f}, max {max(totals):.3f})")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    sys.exit(main())
