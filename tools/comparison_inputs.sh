# The inputs and option sets that the comparison tools share: sourced by the
# bash scripts, read through bash by the Python ones (see tools/README.md).
# In an option set, LIB stands for the library folder the tool compares with
# (given to -l); a set that begins with "+" is run a second time with the
# splitter file (and -ca) by the tools that take one.

# tools/compare_outputs.sh: two builds on the sample library and the inputs
# below.
OUTPUT_OPTION_SETS=(
  "+-x+ -ca"
  "+-s -x+ -ca -l LIB"
  "+-s -v -x+ -l LIB"
  "+-s -v -x+"
  "+-x++ 3 -c -y- -p 0.01"
  "+-z- -da -di"
  "+-y+ -dn -c"
  "+-x+ -d0 -c"
  "+-i -x-- -5 -ca -s -l LIB"
  "+-y++ -8 -z-- 4.5 -ca -v"
  "+-s -c -x+ -l LIB"
)

# tools/compare_windows.sh: the Linux and the Windows build on the same inputs.
WINDOWS_OPTION_SETS=(
  "+-x+ -ca"
  "+-s -v -x+ -l LIB"
  "-s -c -z- -l LIB"
  "-x++ 3 -c -y- -p 0.01 -da"
  "-i -x-- -5 -ca -s -l LIB"
  "+-s -x+ -ca -f -l LIB"
  "-e -z- -ca -ff 4 -a -l LIB"
)
# tools/compare_windows.sh only (the WASI build reads no archives): ZIP
# stands for the sample library packed as LDraw.org ships complete.zip.
WINDOWS_ZIP_OPTION_SETS=(
  "-s -v -x+ -l ZIP"
)

# tools/oracle/compare.py: named sets, "NAME: OPTIONS". SPLITTER stands for
# the splitter file; LIB is dropped when no --lib is given.
ORACLE_OPTION_SETS=(
  "xca: -x+ -ca" "xc: -x+ -c" "xv: -x+ -v" "y8ca: -y++ -8 -ca" "z10: -z-- 10 -i -ca -c"
  "xdadi: -x- -da -di" "xdn: -x+ -dn" "xd0c: -x+ -d0 -c" "pzv: -p 0.01 -z+ -ca -v"
  "splca: -ca SPLITTER" "splv: -v SPLITTER"
)
# With subfile expansion (the set name "expand").
ORACLE_EXPAND_OPTION_SETS=(
  "s_xca: -s -x+ -ca LIB" "s_vx: -s -v -x+ LIB" "s_xc: -s -x+ -c LIB"
  "s_z4ica: -s -z++ 4 -i -ca LIB" "s_d0x: -s -d0 -x+ LIB"
)
# Added by "expand-extra": with the splitter file, whose folder is not searched.
ORACLE_EXPAND_EXTRA_OPTION_SETS=(
  "s_splca: -s -ca LIB SPLITTER" "s_ymdn: -s -y- -dn -c LIB"
)
# Added by "extra": for hand-made inputs near the planes.
ORACLE_EXTRA_OPTION_SETS=(
  "x: -x+" "xi: -x+ -i" "zp: -z+" "zm: -z- -c" "ymca: -y- -ca" "p5: -p 1e-5 -x+ -ca"
  "xyca: -x+ -y+ -ca" "xvcca: -x+ -v -c -ca" "xdaca: -x+ -da -ca"
  "xd0dadica: -x+ -d0 -da -di -ca" "xpabc: -x++ abc -ca" "xcadn: -x+ -ca -dn"
)

# tools/library_sweep.py: every part of the full library, each run checked.
SWEEP_OPTION_SETS=(
  "-s -x+ -ca"
  "-s -v -x+"
  "-x+ -c"
  "-s -z++ 4 -i -ca"
)

# tools/library_sweep.py --partial: each set with -e, checked against -s.
# SPLITTER stands for the splitter file.
PARTIAL_OPTION_SETS=(
  "-x+ -ca"
  "-z- -ca"
  "-x+ -c"
  "-x+ -v"
  "-ca SPLITTER"
)

# tools/compare_library.py: two builds on every part of the full library,
# with and without expansion.
LIBRARY_OPTION_SETS=(
  "-s -x+ -ca"
  "-x+ -ca"
)

# Writes the shared input files into the folder $1: splitter.dat, a triangle
# and a quadrilateral, each its own plane; and odd_numbers.dat, number forms
# that fast paths must hand to the C library or read alike, colours that wrap,
# odd white space and line ends, lines of no known type, and a last line cut
# short without a line end. No name ends in a blank: Windows finds such a file
# by the name without it, other systems do not.
write_comparison_inputs() {
  local dir="$1"
  mkdir -p "$dir"
  printf '3 16 0 0 0 0 10 0 0 0 10\r\n4 16 0 2 0 10 2 0 10 2 10 0 2 10\r\n' >"$dir/splitter.dat"
  {
    printf '0 BFC CERTIFY CW\r\n'
    printf '3 16 +1.5 -0 0.0 -0.0 1e-5 1E+5 9.9999995 0.00009999995 999999.5 1e400\r\n'
    printf '3 16 -1e400 1e-400 4.9e-324 2.2250738585072014e-308 inf -inf nan\r\n'
    printf '3 16 0x1p-3 -0X1.8P+1 .5 -.5 5. 1,5 2;3 4abc 1e 1e+ -- - +\r\n'
    printf '3 16 1.00000000000000011102230246251565404236316680908203126 -559E78 0x. -nan 1e-320 7 8 9 0\r\n'
    printf '4 0x2FF00FF 1.23456789012345678901234567890 123456789012345678901234 -1 2 3 4 5 6 7 8 9\r\n'
    printf '2 +16 1 2 3 4 5 6\r\n'
    printf '2 99999999999 1 2 3 4 5 6\r\n'
    printf '2 -16 1\t2\v3\f4 5 6\r'
    printf '5 4294967312 1 2 3 4 5 6 7 8 9 10 11 12\n'
    printf '5 99999999999999999999 0.1 0.2 0.3 -0.4 -0.5 -0.6 7 8 9 10 11 12\n'
    printf '5 -99999999999999999999 0.1 0.2 0.3 -0.4 -0.5 -0.6 7 8 9 10 11 12\n'
    printf '1 16 0.5 1 -2 1 0 0 0 1 0 0 0 -1 stud.dat\r\n'
    printf '1 16 1e-7 0 0 0.707107 0 0.707107 0 1 0 -0.707107 0 0.707107  s\\3001s01.dat\r\n'
    printf '3 16 123456.5 1234565 0.000123456 -1.5e-5 2.5e+6 1e100 -1e-100 3.5e-15 7\n'
    printf '3 16 1e300 1e-300 -1e200 1e19 1e-18 0x1p-1074 infinity -INF NaN\n'
    printf '3 16 0x1.fffffffffffff8p0 0x1.00000000000008p0 0x1.000000000000081p0 0x.8p-1074 0x.80001p-1074\n'
    printf '3 16 0x1.fffffffffffffp1023 0x1.fffffffffffff8p1023 0x123456789abcdef12p-70 0x.000000000000000001p+80\n'
    printf '4 16 1 1 1 -1 1 1 -1 -1 1 1 -1 1\n'
    printf '3 16 0.0005 1 1 -0.0005 2 2 0.002 3 -1\n'
    printf '   0   spaced comment\n0\n0x\n7 16 1 2 3\n-1 16 1 2 3\nword 16 1\n\n'
    printf '3 16 1 2'
  } >"$dir/odd_numbers.dat"
}

# Sets `files` to every input of the Windows and WASI comparisons: the
# examples, the test fixtures, the odd-numbers file written into "$1" and
# every file of the sample library "$2".
comparison_files() {
  local inputs="$1" lib="$2"
  shopt -s nullglob
  files=("$repo"/examples/*.dat "$repo"/tests/data/*.dat "$repo"/tests/data/cases/*/in/*.dat
         "$inputs/odd_numbers.dat"
         "$lib"/*.dat "$lib"/parts/*.dat "$lib"/parts/s/*.dat "$lib"/p/*.dat "$lib"/p/48/*.dat)
}

# Packs the library folder $1 into the zip archive $2, every file under
# "ldraw/" as in LDraw.org's complete.zip.
write_library_zip() {
  python3 - "$1" "$2" <<'PY'
import os, sys, zipfile
folder, archive = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    for top, dirs, names in os.walk(folder):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(top, name)
            z.write(path, "ldraw/" + os.path.relpath(path, folder))
PY
}
