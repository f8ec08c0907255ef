#!/usr/bin/env bash
# Refreshes data/dictionaries from the converter's npm package: fetches the
# pinned version with `npm pack`, checks the archive against the pinned
# SHA-256 and copies the text dictionaries the conversion uses, with their
# licence. The build reads only the copies in the repository, so it needs no
# network. To move to another version, change both pins and run this again.
set -euo pipefail

version=1.4.2
sha256=5b5e89fb0aeb98963892203f3665611816b4c2e22b1131ee74ccba2976de4515
files=(
  CJK_Compatibility_Ideographs STCharacters STPhrases TSCharacters TSPhrases
  TWPhrases TWPhrasesRev TWVariants TWVariantsPhrases TWVariantsRevPhrases
  HKPhrases HKVariants HKVariantsPhrases HKVariantsRevPhrases
)

here=$(cd "$(dirname "$0")/.." && pwd)
dest="$here/data/dictionaries"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && npm pack --silent "opencc@$version" >/dev/null)
archive="$work/opencc-$version.tgz"
echo "$sha256  $archive" | sha256sum --check --quiet
tar -xzf "$archive" -C "$work"

mkdir -p "$dest"
for f in "${files[@]}"; do
  cp "$work/package/data/dictionary/$f.txt" "$dest/$f.txt"
done
cp "$work/package/LICENSE" "$dest/LICENSE"
echo "opencc $version (npm, sha256 $sha256)" > "$dest/VERSION"
echo "data/dictionaries refreshed from opencc $version"
