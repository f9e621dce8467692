#!/usr/bin/env bash
# The service's pages in headless Chromium. playwright-core comes from the lock file, installed on
# first use or when the installed one is not the locked version (the install script does it ahead
# of time); it drives the system's Chromium.
set -euo pipefail
cd "$(dirname "$0")"
wanted=$(node -p 'require("./package-lock.json").packages["node_modules/playwright-core"].version')
installed=$(node -p 'require("./node_modules/playwright-core/package.json").version' 2>/dev/null || true)
if [ "$wanted" != "$installed" ]; then
    npm ci --no-audit --no-fund
fi
exec node live-view.test.mjs
