#!/usr/bin/env bash
# The library as a user who never saw the source gets it: installed with `cmake --install`
# or from the .deb, then used by a C++ program through find_package, a C program through
# pkg-config and a Python program through ctypes. Each prints the document of one report,
# which must be exactly what the installed `orla-vendas run --format json` writes.
#
# usage: consumer_test.sh install|find_package|pkg_config|python|deb BUILD_DIR
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
prefix=$build/consumer/prefix
work=$build/consumer/$mode
rm -rf "$work"
mkdir -p "$work"

if [[ $mode == install ]]; then
  rm -rf "$prefix"
  cmake --install "$build" --prefix "$prefix" >"$work/install.log"
  exit 0
fi

if [[ $mode == deb ]]; then
  (cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >cpack.log)
  package=$(ls "$work"/orla-vendas_*.deb)
  depends=$(dpkg-deb -f "$package" Depends)
  echo "Depends: $depends"
  # shlibdeps found them in the binaries: the C library, SQLite and Cairo at least.
  for library in libc6 libsqlite3-0 libcairo2; do
    [[ $depends == *"$library"* ]] || { echo "Depends lacks $library"; exit 1; }
  done
  dpkg-deb -x "$package" "$work/root"
  prefix=$work/root/usr
  [[ -f $prefix/lib/systemd/user/orla-vendas-viewer.service ]]
  [[ -f $prefix/lib/systemd/user/orla-vendas-deliver.timer ]]
fi

program=$prefix/bin/orla-vendas
library=$(find "$prefix" -name liborla_vendas.so.321 | head -1)
database=$work/march.db
report=ResumoPorProduto
parameters='{"Filtro_DataInicial":"01/03/2024","Filtro_DataFinal":"31/03/2024","Filtro_TipoVisao":0}'
"$program" demo-db --out "$database" --start 2024-03-01 --days 31 >/dev/null 2>&1
"$program" run "$report" Filtro_DataInicial=01/03/2024 Filtro_DataFinal=31/03/2024 \
  Filtro_TipoVisao=0 --db "$database" --today 2024-03-31 --format json >"$work/expected.json"
grep -q '"result":true' "$work/expected.json"
grep -q '"shown":true' "$work/expected.json"

case $mode in
  find_package)
    cmake -S "$here/cxx" -B "$work/project" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >"$work/configure.log"
    cmake --build "$work/project" >"$work/build.log"
    consumer=("$work/project/consumer")
    ;;
  pkg_config | deb)
    pc=$(dirname "$(find "$prefix" -name orla-vendas.pc | head -1)")
    # shellcheck disable=SC2046
    cc -std=c99 -Wall -Werror "$here/consumer.c" -o "$work/consumer" \
      $(PKG_CONFIG_PATH=$pc pkg-config --cflags --libs orla-vendas)
    consumer=(env "LD_LIBRARY_PATH=$(dirname "$library")" "$work/consumer")
    ;;
  python)
    consumer=(/usr/bin/python3 "$here/consumer.py" "$library")
    ;;
  *)
    echo "unknown mode $mode"
    exit 2
    ;;
esac
"${consumer[@]}" "$database" 2024-03-31 "$report" "$parameters" >"$work/actual.json"
diff "$work/expected.json" "$work/actual.json"

if [[ $mode == deb ]]; then
  # The viewer's API from the installed program: the thirteen reports.
  port=$((20000 + $$ % 20000))
  "$program" serve --db "$database" --port "$port" >"$work/serve.log" 2>&1 &
  server=$!
  trap 'kill $server 2>/dev/null || true' EXIT
  /usr/bin/python3 - "$port" <<'PY'
import json, sys, time, urllib.request
for attempt in range(100):
    try:
        with urllib.request.urlopen(f"http://127.0.0.1:{sys.argv[1]}/api/reports") as answer:
            reports = json.load(answer)["reports"]
            break
    except OSError:
        time.sleep(0.1)
else:
    sys.exit("orla-vendas serve did not answer")
assert len(reports) == 13, len(reports)
PY
fi
echo "ok: $mode"
