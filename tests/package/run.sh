#!/usr/bin/env bash
# The release zip's tests, run once by scripts/test.sh after the test suite:
# two builds give the same zip, and the zip installed as readme.txt says draws
# pictures with the reference host of BUILD.
#   run.sh BUILD
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(cd "$1" && pwd)"
work="$build/package-tests"
echo "package tests: the release zip built twice, then installed (in $work)"
bash "$here/reproducible.sh" "$work/reproducible"
bash "$here/install.sh" "$work/reproducible/brimsel.zip" "$build/bin/chiphost.exe" "$work/install"
