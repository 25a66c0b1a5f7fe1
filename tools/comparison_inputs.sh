# The inputs and option sets that the comparison tools share, sourced by
# bash scripts and read by the Python ones (see tools/README.md).

# Option sets run on every part of the full library by compare_library.py:
# with and without expansion.
LIBRARY_OPTION_SETS=(
  "-s -x+ -ca"
  "-x+ -ca"
)
