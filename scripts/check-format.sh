#!/usr/bin/env bash
# Fails when a C++ file of the tree is not formatted as .clang-format says.
# With --fix, formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.h' '*.cpp')
else
  mapfile -t files < <(find src tools tests bench fuzz -name '*.h' -o -name '*.cpp')
fi
if [[ "${1:-}" == "--fix" ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if ! clang-format --dry-run --Werror "${files[@]}" 2>"$report"; then
  grep -E '^[^ ].*: (error|warning):' "$report" | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
  echo "run scripts/check-format.sh --fix"
  exit 1
fi
echo "formatting ok (${#files[@]} files)"
