#!/usr/bin/env bash
# Installs the build into an empty prefix and uses it as a stranger would:
# the installed zpk creates a database from another folder with a clean
# environment, and the host program of the README (its CMakeLists and its
# source, taken from the README itself so the example cannot go stale) builds
# with find_package(zpkunits) against the prefix and prints what the README
# says. Every installed header is compiled on its own as well, which catches a
# public header that needs a private one.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

cmake --install "$build" --prefix "$prefix" >"$work/install.log"

mkdir "$work/elsewhere"
(cd "$work/elsewhere" && env -i PATH=/usr/bin:/bin HOME="$work" "$prefix/bin/zpk" db create x.fdb --empresa 001)
test -s "$work/elsewhere/x.fdb" || { echo "zpk db create left no database"; exit 1; }

# The README's fenced blocks of one language under the host-program heading.
readme_block() {
  awk -v lang="$1" '
    /^## / { inside = ($0 ~ /host program/) }
    inside && $0 == "```" lang { copy = 1; next }
    copy && /^```/ { exit }
    copy { print }' "$source/README.md"
}
mkdir "$work/host"
readme_block cmake >"$work/host/CMakeLists.txt"
readme_block cpp >"$work/host/main.cpp"
test -s "$work/host/CMakeLists.txt" && test -s "$work/host/main.cpp" ||
  { echo "README has no host-program example"; exit 1; }

(cd "$prefix/include/zpkunits" && find . -name '*.hpp' | sort) | while read -r header; do
  name="$(echo "${header#./}" | tr '/.' '__')"
  printf '#include "%s"\n' "${header#./}" >"$work/host/$name.cpp"
done
cat >>"$work/host/CMakeLists.txt" <<'CMAKE'
file(GLOB headers_alone ${CMAKE_CURRENT_SOURCE_DIR}/*_hpp.cpp)
add_library(headers_alone OBJECT ${headers_alone})
target_link_libraries(headers_alone PRIVATE zpk::zpkunits)
CMAKE

cmake -S "$work/host" -B "$work/host/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >"$work/configure.log" ||
  { cat "$work/configure.log"; exit 1; }
cmake --build "$work/host/build" -j 2 >"$work/build.log" || { cat "$work/build.log"; exit 1; }

expected=$'CNPJ ok\n7891000315507\n1.234.567,89'
actual="$("$work/host/build/host")"
if [ "$actual" != "$expected" ]; then
  printf 'host program printed:\n%s\nexpected:\n%s\n' "$actual" "$expected"
  exit 1
fi
echo "installed zpk and package work from $prefix"
