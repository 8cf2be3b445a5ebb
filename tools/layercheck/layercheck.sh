#!/usr/bin/env bash
# Checks the includes between folders against the allowed matrix (layers.txt):
# every '#include "..."' of a source file must stay within its own folder or
# name a folder (or header) the matrix allows, and the matrix must have no
# cycle. A forbidden include is reported as file:line; the exit status is 1.
#
#   layercheck.sh [ROOT [MATRIX]]   (default: the repository and its layers.txt)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="${1:-$here/../..}"
matrix="${2:-$here/layers.txt}"
root="$(cd "$root" && pwd)"
[ -r "$matrix" ] || { echo "layercheck: no matrix '$matrix'" >&2; exit 2; }

# The matrix as "folder dep dep ..." lines.
rows="$(sed -e 's/#.*//' -e 's/:/ /' "$matrix" | awk 'NF')"

# Allowed includes between folders must form no cycle.
edges="$(awk '{ for (i = 2; i <= NF; ++i) if ($i != "*" && $i !~ /\.[a-z]+$/) print $1, $i }' <<<"$rows")"
if [ -n "$edges" ] && ! loop="$(tsort <<<"$edges" 2>&1 >/dev/null)"; then
  echo "layercheck: $matrix allows a cycle between folders:" >&2
  sed -n 's/^tsort: //p' <<<"$loop" | grep -v 'input contains a loop' >&2
  exit 1
fi

cd "$root"
find . \( -path './build*' -o -path './.*' \) -prune -o -type f \
  \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' -o -name '*.inc' \) -print |
  sed 's|^\./||' | sort |
  { xargs -r grep -nHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+"' || true; } |
  awk -v rows="$rows" '
    BEGIN {
      n = split(rows, lines, "\n")
      for (i = 1; i <= n; ++i) {
        k = split(lines[i], f, " ")
        listed[f[1]] = 1
        for (j = 2; j <= k; ++j) allowed[f[1], f[j]] = 1
      }
    }
    # The longest listed folder that prefixes a path ("" when none does).
    function folderOf(path,   p) {
      p = path
      while (sub(/\/[^\/]*$/, "", p)) if (p in listed) return p
      return ""
    }
    {
      # file:line:#include "path"
      file = $0; sub(/:.*/, "", file)
      rest = substr($0, length(file) + 2)
      line = rest; sub(/:.*/, "", line)
      inc = rest; sub(/^[^"]*"/, "", inc); sub(/".*/, "", inc)
      src = folderOf(file)
      if (src == "") {
        if (!(file in unlisted)) {
          unlisted[file] = 1
          printf "%s: its folder is not in the layer matrix\n", file
          ++bad
        }
        next
      }
      dst = folderOf(inc)
      if (dst == "") {
        # A path beside the including file.
        dir = file; sub(/\/[^\/]*$/, "", dir)
        dst = folderOf(dir "/" inc)
        if (dst == "") next
      }
      if (dst == src || allowed[src, dst] || allowed[src, inc] || allowed[src, "*"]) next
      printf "%s:%s: %s may not include %s (\"%s\")\n", file, line, src, dst, inc
      ++bad
    }
    END {
      if (bad) { printf "layercheck: %d forbidden include(s)\n", bad; exit 1 }
    }'
