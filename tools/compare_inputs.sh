# Sourced by the comparison scripts: the inputs and option sets they run.
# Needs `repo`, `lib` (tools/sample_library.sh) and `work`; writes a file of
# odd number forms and a splitter file into "$work/inputs" and sets `inputs`,
# `files` (every input file) and `option_sets`.
inputs="$work/inputs"
rm -rf "$inputs"
mkdir -p "$inputs"
{
  printf '0 BFC CERTIFY CW\r\n'
  printf '3 16 +1.5 -0 0.0 -0.0 1e-5 1E+5 9.9999995 0.00009999995 999999.5 1e400\r\n'
  printf '3 16 -1e400 1e-400 4.9e-324 2.2250738585072014e-308 inf -inf nan\r\n'
  printf '3 16 0x1p-3 -0X1.8P+1 .5 -.5 5. 1,5 2;3 4abc 1e 1e+ -- - +\r\n'
  printf '3 16 1.00000000000000011102230246251565404236316680908203126 -559E78 0x. -nan 1e-320 7 8 9 0\r\n'
  printf '4 0x2FF00FF 1.23456789012345678901234567890 123456789012345678901234 -1 2 3 4 5 6 7 8 9\r\n'
  printf '2 99999999999 1 2 3 4 5 6\r\n'
  printf '2 -16 1\t2\v3\f4 5 6\r'
  printf '5 4294967312 1 2 3 4 5 6 7 8 9 10 11 12\n'
  printf '5 -99999999999999999999 0.1 0.2 0.3 -0.4 -0.5 -0.6 7 8 9 10 11 12\n'
  printf '1 16 0.5 1 -2 1 0 0 0 1 0 0 0 -1 stud.dat\r\n'
  printf '3 16 123456.5 1234565 0.000123456 -1.5e-5 2.5e+6 1e100 -1e-100 3.5e-15 7\n'
  printf '3 16 1e300 1e-300 -1e200 1e19 1e-18 0x1p-1074 infinity -INF NaN\n'
  printf '3 16 0x1.fffffffffffff8p0 0x1.00000000000008p0 0x1.000000000000081p0 0x.8p-1074 0x.80001p-1074\n'
  printf '3 16 0x1.fffffffffffffp1023 0x1.fffffffffffff8p1023 0x123456789abcdef12p-70 0x.000000000000000001p+80\n'
  printf '3 16 1 2'
} >"$inputs/odd_numbers.dat"
printf '3 16 0 0 0 0 10 0 0 0 10\r\n4 16 0 2 0 10 2 0 10 2 10 0 2 10\r\n' >"$inputs/splitter.dat"

shopt -s nullglob
files=("$repo"/examples/*.dat "$repo"/tests/data/*.dat "$repo"/tests/data/cases/*/in/*.dat
       "$inputs/odd_numbers.dat"
       "$lib"/*.dat "$lib"/parts/*.dat "$lib"/parts/s/*.dat "$lib"/p/*.dat "$lib"/p/48/*.dat)
# LIB stands for the library folder; "+" marks a set that also runs with the
# splitter file.
option_sets=(
  "+-x+ -ca"
  "+-s -v -x+ -l LIB"
  "-s -c -z- -l LIB"
  "-x++ 3 -c -y- -p 0.01 -da"
  "-i -x-- -5 -ca -s -l LIB"
)

