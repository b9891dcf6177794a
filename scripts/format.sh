#!/usr/bin/env bash
# Formats every C++ file in the repository with the root .clang-format.
#   scripts/format.sh          rewrites the files
#   scripts/format.sh --check  only reports files that are not formatted
set -euo pipefail
cd "$(dirname "$0")/.."

mode=(-i)
case "${1:-}" in
  "") ;;
  --check) mode=(--dry-run -Werror) ;;
  *) echo "usage: scripts/format.sh [--check]" >&2; exit 2 ;;
esac

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format "${mode[@]}"
