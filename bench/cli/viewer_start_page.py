#!/usr/bin/env python3
"""Time the viewer's start page as the page asks for it: the page and its files, the catalogue
and the periods, then the day's eight runs at once (the receipt types and the table by fuel, for today, yesterday
and the same weekdays of last week: POST /api/reports/NAME for one day each), to the last
answer. The server runs four at a time; the others wait their turn.

    bench/cli/viewer_start_page.py build/release/cli/orla-vendas [--db FILE] [--today YYYY-MM-DD]
                                   [--runs 10]

Without --db it makes the three-year demo database (1095 days to --today) beside /tmp.
"""
import argparse
import concurrent.futures
import datetime
import http.client
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

REPORTS = ("VendasPorTiposDeRecebimento", "TabelaDeVendasPorCombustiveis")


def request(port, method, path, body=None):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=600)
    headers = {"Content-Type": "application/json"} if body is not None else {}
    connection.request(method, path, body, headers)
    answer = connection.getresponse()
    text = answer.read()
    connection.close()
    if answer.status != 200:
        raise SystemExit(f"{path}: HTTP {answer.status}: {text[:300]!r}")
    return json.loads(text) if path.startswith("/api/") else text


def start_page(port, pool):
    """The page's requests, as many at once as the page makes them; gives the time to the last
    answer and the rows of the runs."""
    started = time.perf_counter()
    page = request(port, "GET", "/").decode()
    files = re.findall(r'(?:href|src)="(/[^"]+)"', page)
    list(pool.map(lambda path: request(port, "GET", path), files))
    catalogue, _, _ = pool.map(lambda path: request(port, "GET", path),
                               ["/api/reports", "/api/periods", "/api/subscriptions"])
    today = datetime.date.fromisoformat(catalogue["today"][:10])
    days = [(today + datetime.timedelta(days=offset)).strftime("%d/%m/%Y")
            for offset in (0, -1, -7, -8)]
    runs = [(name, json.dumps({"Filtro_DataInicial": day, "Filtro_DataFinal": day}))
            for day in days for name in REPORTS]
    answers = list(pool.map(lambda run: request(port, "POST", f"/api/reports/{run[0]}", run[1]), runs))
    elapsed = time.perf_counter() - started
    return elapsed, sum(len(a["report"]["rows"]) for a in answers if a["report"])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--db")
    parser.add_argument("--today", default="2026-12-30")
    parser.add_argument("--runs", type=int, default=10)
    options = parser.parse_args()
    last = datetime.date.fromisoformat(options.today)
    database = options.db or os.path.join(tempfile.gettempdir(),
                                          f"orla-start-bench-3y-{options.today}.db")
    if not os.path.exists(database):
        first = last - datetime.timedelta(days=1094)
        subprocess.run([options.binary, "demo-db", "--out", database, "--start", first.isoformat(),
                        "--days", "1095"], check=True)
    server = subprocess.Popen([options.binary, "serve", "--db", database, "--port", "0",
                               "--today", options.today], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True)
    try:
        port = int(re.search(r":(\d+)/", server.stdout.readline()).group(1))
        times = []
        with concurrent.futures.ThreadPoolExecutor(max_workers=8) as pool:
            for run in range(options.runs + 1):
                elapsed, rows = start_page(port, pool)
                if run > 0:  # the first run warms the file cache
                    times.append(elapsed)
        print(f"start page on {os.path.basename(database)} for {options.today}: 8 runs, {rows} rows")
        print(f"all figures: median {statistics.median(times):.3f} s "
              f"(min {min(times):.3f}, max {max(times):.3f}) over {len(times)} loads")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    sys.exit(main())
