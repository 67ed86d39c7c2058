#!/usr/bin/env bash
# A short, repeatable run of one harness: each seed of its corpus, then `runs` mutations from a
# fixed random seed. New inputs go to a scratch folder, never into the corpus of the source tree.
#   bash fuzz/run_corpus.sh <harness> <corpus folder> <runs>
set -euo pipefail
harness="$1"
corpus="$2"
runs="$3"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$harness" -seed=1 -runs="$runs" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$scratch/" "$scratch" "$corpus"
