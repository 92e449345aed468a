#!/usr/bin/env bash
# Plays the demo in a real window under Xvfb (the tour test) and copies the
# three pictures it takes into docs/ for the README.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
cmake --build "$build" --target e2e_tests
"$build"/bin/e2e_tests --gtest_filter='Tour.*:Translation.*'
cp "$build"/tour/title.png docs/screenshot.png
cp "$build"/tour/message.png docs/screenshot-message.png
cp "$build"/tour/menu.png docs/screenshot-menu.png
cp "$build"/tour/translated.png docs/screenshot-translated.png
echo "docs/screenshot.png, docs/screenshot-message.png, docs/screenshot-menu.png, docs/screenshot-translated.png updated"
