#!/usr/bin/env bash
# The layering check passes on src/ and refuses a small tree that breaks each
# of its rules, naming every fault.
#   check_test.sh SOURCE_DIR
set -euo pipefail
source="$1"
check="$source/cmake/check_layering.cmake"
cmake -DSOURCE_DIR="$source/src" -P "$check"

if out="$(cmake -DSOURCE_DIR="$source/tests/layering/upward/src" -P "$check" 2>&1)"; then
  echo "the check accepted a tree that breaks the layering"
  exit 1
fi
for fault in "documents/pure.hpp: the pure routines include platform/db/database.hpp" \
             "foundation/lower.hpp (foundation) includes inventory/estoque.hpp (inventory), which is not a lower layer" \
             "platform/db/database.hpp: a public header includes firebird/Interface.h" \
             "platform/db/database.hpp: a public header includes platform/db/detail/handles.hpp"; do
  if ! grep -qF "$fault" <<<"$out"; then
    printf 'the check did not report: %s\nit said:\n%s\n' "$fault" "$out"
    exit 1
  fi
done
echo "layering holds; the check refuses the broken tree"
