#!/usr/bin/env bash
# Sets everything up, builds orla-vendas and writes the sales by receipt type of March 2024 of
# the demo database as a PDF.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release

mkdir -p out
build/release/cli/orla-vendas run VendasPorTiposDeRecebimento \
  Filtro_DataInicial=01/03/2024 Filtro_DataFinal=31/03/2024 \
  --out out/vendas-por-tipos-de-recebimento-2024-03.pdf
echo "The report is at $(pwd)/out/vendas-por-tipos-de-recebimento-2024-03.pdf"
