#!/usr/bin/env bash
# Fails, naming the files, when a tracked C++ source differs from .clang-format's layout.
#   scripts/check-format.sh        check
#   scripts/check-format.sh --fix  rewrite the files that differ
set -euo pipefail
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-clang-format-14}
if ! command -v "$format" >/dev/null; then
  echo "check-format: $format not found (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -n 16 "$format" -i
  exit 0
fi
printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -n 16 "$format" --dry-run -Werror
echo "check-format: ${#files[@]} files as .clang-format lays them out"
