#!/bin/bash
# One step of the package test (see CMakeLists.txt). Environment: OXQR_PREFIX (scratch install
# prefix), OXQR_SOURCE_DIR, OXQR_BUILD_DIR, OXQR_CXX.
set -euo pipefail
prefix=$OXQR_PREFIX
work=$prefix.work/$1
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

# The text file and the page picture examples/minimal wrote into $1.
check_minimal_output() {
  local txt=$1/planets.txt jpg=$1/planets0001.jpg
  [[ -s $txt ]] || fail "no $txt"
  local order
  order=$(tr -d '\r' < "$txt" | grep -oE 'Planets and their moons|(Mercury|Venus|Earth|Mars) +[0-9]' | tr -s ' ' | paste -sd'|')
  [[ $order == "Planets and their moons|Mercury 0|Venus 0|Earth 1|Mars 2" ]] || fail "text file reads: $order"
  grep -q $'\r$' "$txt" || fail "text lines do not end with CR LF"
  [[ -e $1/planets0002.jpg ]] && fail "one page expected, found a second picture"
  djpeg -pnm "$jpg" > "$1/page.ppm" || fail "djpeg cannot read $jpg"
  # An A4 page at 96 pixels per inch, with the title and the rows drawn in dark pixels.
  local size dark
  size=$(head -c 20 "$1/page.ppm" | sed -n 2p)
  [[ $size == "794 1123" ]] || fail "page picture is $size"
  dark=$(/usr/bin/python3 -c 'import sys
d = open(sys.argv[1], "rb").read().split(b"\n", 3)[3]
print(sum(1 for i in range(0, len(d), 3) if d[i] + d[i+1] + d[i+2] < 384))' "$1/page.ppm")
  (( dark > 300 )) || fail "page picture has only $dark dark pixels"
}

case $1 in
install)
  rm -rf "$prefix" "$prefix.work"
  cmake --install "$OXQR_BUILD_DIR" --prefix "$prefix" > "$prefix.log" || { cat "$prefix.log"; fail "install"; }
  # Nothing installed may point back into the trees it came from.
  if grep -rlI -e "$OXQR_SOURCE_DIR" -e "$OXQR_BUILD_DIR" "$prefix"; then fail "installed files name the source or build tree"; fi
  for f in "$prefix"/bin/* "$prefix"/lib/*.so; do
    [[ $(head -c 4 "$f") == $'\x7fELF' ]] || continue  # the entry point script
    readelf -d "$f" | grep -E 'RUNPATH|RPATH' | grep -qv ORIGIN && fail "$f has a fixed run path"
  done
  soname=$(readelf -d "$prefix/lib/liboxqr_export.so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
  [[ $soname == liboxqr_export.so.2.11 ]] || fail "SONAME is $soname"
  ;;
cmake_example)
  cmake -S "$OXQR_SOURCE_DIR/examples/minimal" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON > "$work/configure.log" \
    || { cat "$work/configure.log"; fail "configure"; }
  cmake --build "$work/build" > "$work/build.log" 2>&1 || { cat "$work/build.log"; fail "build"; }
  grep -E -- "-(I|isystem) *$OXQR_SOURCE_DIR" "$work/build/compile_commands.json" \
    && fail "the example compiled against the source or build tree"
  ldd "$work/build/minimal" | grep liboxqr | grep -v "$prefix/lib/" && fail "libraries taken from outside the prefix"
  mkdir "$work/out" && "$work/build/minimal" "$work/out"
  check_minimal_output "$work/out"
  ;;
pkgconfig_example)
  export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
  [[ $(pkg-config --modversion oxqrfilters) == 2.11 ]] || fail "pkg-config version"
  # shellcheck disable=SC2046
  "$OXQR_CXX" -std=c++20 -o "$work/minimal" "$OXQR_SOURCE_DIR/examples/minimal/main.cpp" \
      $(pkg-config --cflags --libs oxqrfilters) -Wl,-rpath,"$prefix/lib"
  mkdir "$work/out" && "$work/minimal" "$work/out"
  check_minimal_output "$work/out"
  ;;
installed_exporter)
  cd "$work"
  list=$("$prefix/bin/oxqr-export" --list)
  for report in customers events richtext chart; do
    grep -q "^$report"$'\t' <<< "$list" || fail "--list lacks $report: $list"
  done
  grep -qx "Database: $prefix/share/oxqrfilters/DEMODATA.sqlite" <<< "$list" || fail "--list: $list"
  # The rich text sample reads its document from the installed sample files.
  "$prefix/bin/oxqr-export" --quiet richtext "$work/richtext.txt"
  grep -q "User Guide" "$work/richtext.txt" || fail "the rich text sample lacks the installed document"
  "$prefix/bin/oxqr-demodata" --scale 1 "$work/db.sqlite" && [[ -s $work/db.sqlite ]] || fail "oxqr-demodata"
  # The installed Slurm array script as Slurm starts task 2 of it, on a machine with the prefix
  # on PATH and nothing else of the project.
  env -u JOB_COMPLETION_INDEX SLURM_ARRAY_TASK_ID=2 OUT="$work/array" PATH="$prefix/bin:/usr/bin:/bin" \
    sh "$prefix/share/oxqrfilters/deploy/burst-array.sbatch" > "$work/array.log" 2>&1 \
    || { cat "$work/array.log"; fail "the Slurm array script from the install prefix"; }
  grep -q -- "--time=" "$prefix/share/oxqrfilters/deploy/burst-array.sbatch" || fail "the Slurm script sets no --time"
  [[ -s $work/array/manifest-2.jsonl ]] && ls "$work"/array/*.pdf > /dev/null || fail "task 2 wrote no documents"
  ;;
headers_alone)
  # Every installed header compiles on its own with the installed include folder alone.
  cd "$prefix/include/oxqrfilters"
  find . -name '*.h' | sort > "$work/headers"
  [[ -s $work/headers ]] || fail "no headers installed"
  qt=$(pkg-config --cflags Qt6Core Qt6Gui Qt6Widgets Qt6PrintSupport)
  # shellcheck disable=SC2086
  xargs -P 2 -I{} sh -c "'$OXQR_CXX' -std=c++20 -fsyntax-only -Wall -Wextra -I. $qt -x c++ {} 2>&1 || echo 'FAILED: {}'" \
    < "$work/headers" > "$work/compile.log"
  if grep -q "FAILED\|error" "$work/compile.log"; then cat "$work/compile.log"; fail "headers that do not compile alone"; fi
  echo "$(wc -l < "$work/headers") headers compile alone"
  ;;
*) fail "unknown step $1" ;;
esac
