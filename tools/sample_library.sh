# Sourced by the comparison scripts: sets `lib` to the sample library beside
# the repository (`repo`) when it is there, as on CI, otherwise to the
# repository's own fixture library, and says so on standard error.
if ! lib="$(realpath -e "$repo/../shared/ldraw" 2>/dev/null)"; then
  lib="$repo/tests/data/library"
  echo "No sample library at $repo/../shared/ldraw: comparing with tests/data/library instead" >&2
fi
