#!/usr/bin/env bash
# Builds the HTML API reference of the exported classes into build-docs/html
# (open build-docs/html/index.html).  Installs doxygen when it is missing.
# Fails, printing the warnings, when doxygen warns about anything, for example
# an undocumented public or protected member of an exported class.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

scripts/deps.sh doxygen

rm -rf build-docs
mkdir -p build-docs
log=build-docs/warnings.log
doxygen docs/Doxyfile 2>"$log"
if [ -s "$log" ]; then
  cat "$log" >&2
  echo "docs.sh: $(grep -c . "$log") doxygen warning line(s), see above" >&2
  exit 1
fi
echo "API reference: build-docs/html/index.html"
