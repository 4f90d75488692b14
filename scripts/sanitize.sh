#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (preset "sanitize",
# build/sanitize) and runs every test against that build: any memory error, leak or undefined
# behaviour stops the test that meets it. Tests that run quelmar-render run the sanitized one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset sanitize
cmake --build --preset sanitize -j 2
ctest --preset sanitize
