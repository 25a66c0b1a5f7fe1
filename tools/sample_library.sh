# Sourced by the comparison scripts: sets `lib` to the LDraw library that
# HALVEX_LDRAW_LIBRARY names, else to the sample library beside the repository
# (`repo`) when it is there, as on CI, otherwise to the repository's own
# fixture library, and says so on standard error.
if [[ -n "${HALVEX_LDRAW_LIBRARY:-}" ]]; then
  if ! lib="$(realpath -e "$HALVEX_LDRAW_LIBRARY")"; then
    echo "HALVEX_LDRAW_LIBRARY=$HALVEX_LDRAW_LIBRARY does not exist" >&2
    exit 2
  fi
elif ! lib="$(realpath -e "$repo/../shared/ldraw" 2>/dev/null)"; then
  lib="$repo/tests/data/library"
  echo "No sample library at $repo/../shared/ldraw: comparing with tests/data/library instead" >&2
fi
