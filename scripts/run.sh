#!/usr/bin/env bash
# Sets everything up, builds Folvane and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh build
if [ -x build/src/app/folvane ]; then
  exec build/src/app/folvane "$@"
fi
# Until the window exists: typeset the sample article and print the result.
exec build/src/cli/folvane-cli --set joinNonParagraphBreaks=1 "${@:-data/sample-article.txt}"
