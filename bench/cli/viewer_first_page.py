#!/usr/bin/env python3
"""Time from Run to the first page of the report in the viewer, as the page asks for it
(POST /api/reports/NAME?format=pages, then GET /api/runs/ID/pages/1), to the page count once
every page is drawn, and to the last page.

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


def get(connection, path):
    connection.request("GET", path)
    answer = connection.getresponse()
    body = answer.read()
    if answer.status != 200:
        raise SystemExit(f"{path}: HTTP {answer.status}: {body[:300]!r}")
    return body


def read_pages(port, report, parameters, run):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=600)
    started = time.perf_counter()
    connection.request("POST", f"/api/reports/{report}?format=pages&viewer=bench&run={run}",
                       json.dumps(parameters), {"Content-Type": "application/json"})
    answer = connection.getresponse()
    outcome = answer.read()
    if answer.status != 200:
        raise SystemExit(f"{report}: HTTP {answer.status}: {outcome[:300]!r}")
    first_page = get(connection, f"/api/runs/{run}/pages/1")
    first = time.perf_counter() - started
    status = json.loads(get(connection, f"/api/runs/{run}/pages?after=999999"))
    counted = time.perf_counter() - started
    get(connection, f"/api/runs/{run}/pages/{status['pages']}")
    last = time.perf_counter() - started
    connection.close()
    return first, counted, last, status["pages"], len(first_page)


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
        firsts, counts, lasts = [], [], []
        for run in range(options.runs + 1):
            first, counted, last, pages, size = read_pages(port, options.report, parameters,
                                                           f"bench{run}")
            if run == 0:
                continue  # the first run warms the file cache
            firsts.append(first)
            counts.append(counted)
            lasts.append(last)
        print(f"{options.report} {options.start}-{options.end}: {pages} pages, "
              f"the first {size / 1e3:.0f} kB of SVG")
        for name, times in (("first page", firsts), ("all drawn", counts), ("last page", lasts)):
            print(f"{name + ':':11} median {statistics.median(times):.3f} s "
                  f"(min {min(times):.3f}, max {max(times):.3f}) over {len(times)} runs")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    sys.exit(main())
