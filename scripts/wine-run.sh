#!/usr/bin/env bash
# Runs a Windows executable under Wine in the project's private prefix, quietly and repeatably.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
wine_prefix_ready
exec "$wine" "$@"
