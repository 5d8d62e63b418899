#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Counts non-blank, non-comment lines of C++ (.cpp and .h) under tests/ and in
# the rest of the tree, and prints their ratio. Files git does not track are
# left out, so build trees never count.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
  # Strips // and /* */ comments (not inside string literals), then counts
  # the lines that still hold something.
  python3 - "$@" <<'PY'
import re, sys
total = 0
for path in sys.argv[1:]:
    text = open(path, encoding="utf-8", errors="replace").read()
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1]); i = j + 1
        elif text.startswith("//", i):
            while i < n and text[i] != "\n":
                i += 1
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j)); i = j
        else:
            out.append(c); i += 1
    total += sum(1 for line in "".join(out).splitlines() if line.strip())
print(total)
PY
}

mapfile -t tests < <(git ls-files -co --exclude-standard -- 'tests/*.cpp' 'tests/*.h')
mapfile -t code < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v '^tests/')
t=$(count "${tests[@]}")
c=$(count "${code[@]}")
echo "test lines: $t"
echo "code lines: $c"
python3 -c "print(f'ratio: {$t / $c:.5f}')"
