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
status=0
doxygen docs/Doxyfile 2>"$log" || status=$?
if [ "$status" -ne 0 ] || [ -s "$log" ]; then
  cat "$log" >&2
  echo "docs.sh: doxygen exit status $status, $(grep -c . "$log") warning line(s), see above" >&2
  exit 1
fi
echo "API reference: build-docs/html/index.html"
