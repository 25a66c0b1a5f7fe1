#!/usr/bin/env bash
# Checks that the README's first steps work on a fresh Debian 12 with exactly
# the packages the README names. In a minimal root made with debootstrap from
# the Debian mirror this machine's apt uses (or HALVEX_DEBIAN_MIRROR), with
# Debian's sources as this machine has them, in a copy of the working tree:
#
#  1. with the README's packages but zlib1g-dev, configuring names zlib1g-dev;
#  2. with the README's packages (installed without recommended ones, so
#     that none comes in unnamed), its first command builds the program and
#     nothing of the tests, and prints the example output the README shows;
#  3. cpack, for each tool it lacks, stops naming a package of the README's
#     list for the Debian package; with them, the package has a Depends line;
#  4. tools/build_web.sh stops with its advice, installing nothing, with no
#     Node and with Debian's Node 18;
#  5. the README's test command passes.
#
# No command may install a package (the scripts install what they lack as
# root): the list of installed packages is compared around each one.
#
#   bash tools/check_fresh_debian.sh [WORK_DIR]
#
# WORK_DIR (default build-fresh/) keeps the debootstrapped root and the
# downloaded packages for the next run; the root each run uses is a new copy.
# Needs root, debootstrap (installed when missing) and the Debian mirror.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
work="$(realpath -m "${1:-$repo/build-fresh}")"
if [[ $(id -u) -ne 0 ]]; then
  echo "check_fresh_debian.sh makes a root with debootstrap and chroot: run it as root" >&2
  exit 1
fi
bash "$repo/tools/ensure_packages.sh" debootstrap

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# What the README says, read from its text.
readme="$(tr '\n' ' ' <"$repo/README.md")"
[[ $readme =~ with\ \`([^\`]+)\`\ +installed ]] ||
  fail "README: no 'with \`PACKAGES\` installed' before the first commands"
read -ra packages <<<"${BASH_REMATCH[1]}"
[[ $readme =~ Debian\ package,\ with\ \`([^\`]+)\`\ +installed ]] ||
  fail "README: no 'Debian package, with \`PACKAGES\` installed'"
read -ra package_tools <<<"${BASH_REMATCH[1]}"
# The first sh block holds the two commands; the first plain block after it
# (after the sh block's closing fence and its own opening one) is the end of
# the first command's output.
mapfile -t commands < <(awk '/^```sh$/ { n++; next } /^```/ && n == 1 { exit }
  n == 1 && NF && !/^#/' "$repo/README.md")
((${#commands[@]} == 2)) || fail "README: the first sh block holds ${#commands[@]} commands, not 2"
expected="$(awk '/^```sh$/ { seen = 1; next } seen && /^```$/ { n++; next } n == 2' "$repo/README.md")"
[[ -n $expected ]] || fail "README: no example output after the first commands"
echo "README packages: ${packages[*]}; for the Debian package: ${package_tools[*]}"

mirror="${HALVEX_DEBIAN_MIRROR:-$(apt-get indextargets --format '$(REPO_URI) $(CODENAME) $(ORIGIN)' |
  awk '$2 == "bookworm" && $3 == "Debian" { print $1; exit }')}"
[[ -n $mirror ]] || fail "no Debian bookworm mirror in this machine's apt sources: set HALVEX_DEBIAN_MIRROR"

base="$work/base"
root="$work/root"
mkdir -p "$work/apt-archives"
if [[ ! -e $work/base.done ]]; then
  rm -rf "$base"
  echo "== debootstrap --variant=minbase bookworm from $mirror"
  debootstrap --variant=minbase bookworm "$base" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    fail "debootstrap failed, see $work/debootstrap.log"
  touch "$work/base.done"
fi

cleanup() {
  umount "$root/var/cache/apt/archives" 2>/dev/null || true
  umount "$root/proc" 2>/dev/null || true
}
trap cleanup EXIT
cleanup
rm -rf --one-file-system "$root"
cp -a "$base" "$root"
apt-get indextargets --format 'deb $(REPO_URI) $(CODENAME) $(COMPONENT) $(ORIGIN)' |
  awk '$5 == "Debian" { print $1, $2, $3, $4 }' | sort -u >"$root/etc/apt/sources.list"
mount -t proc proc "$root/proc"
mount --bind "$work/apt-archives" "$root/var/cache/apt/archives"

# The working tree as git sees it (tracked and new files, not ignored ones).
mkdir -p "$root/root/halvex"
(cd "$repo" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [[ -e $f ]] && printf '%s\0' "$f"; done |
  tar --null -T - -cf -) | tar -xf - -C "$root/root/halvex"

# Runs a command in the tree in the root, with a clean environment; its
# output goes to the file $out and the terminal, its exit code to $rc.
in_root() {
  set +e
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd /root/halvex && $1" </dev/null 2>&1 | tee "$out"
  rc=${PIPESTATUS[0]}
  set -e
}
installed() { chroot "$root" dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }'; }
apt_install() {
  echo "== apt-get install --no-install-recommends $*"
  chroot "$root" /usr/bin/env -i DEBIAN_FRONTEND=noninteractive PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    apt-get install -y -qq -o Dpkg::Use-Pty=0 --no-install-recommends "$@" >"$work/apt.log" 2>&1 ||
    fail "apt-get install $* failed, see $work/apt.log"
}
# Runs a command (in_root) and fails when it installed a package.
run_installing_nothing() {
  local before
  before="$(installed)"
  echo "== $1"
  local start=$SECONDS
  in_root "$1"
  echo "== exit code $rc, $((SECONDS - start)) s"
  [[ $(installed) == "$before" ]] ||
    fail "it installed $(comm -13 <(echo "$before") <(installed) | tr '\n' ' ')"
}
out="$work/output.txt"

chroot "$root" apt-get update -qq >"$work/apt.log" 2>&1 || fail "apt-get update failed, see $work/apt.log"

# 1. zlib missing.
without_zlib=()
for p in "${packages[@]}"; do [[ $p == zlib1g-dev ]] || without_zlib+=("$p"); done
apt_install "${without_zlib[@]}"
run_installing_nothing "cmake -S . -B build-nozlib -DHALVEX_TESTS=OFF"
((rc != 0)) && grep -q 'zlib not found: install zlib1g-dev' "$out" ||
  fail "configuring without zlib1g-dev did not stop with \"zlib not found: install zlib1g-dev\""
rm -rf "$root/root/halvex/build-nozlib"

# 2. The first command.
apt_install "${packages[@]}"
run_installing_nothing "${commands[0]}"
((rc == 0)) || fail "the README's first command failed"
[[ "$(tail -n "$(wc -l <<<"$expected")" "$out" | tr -d '\r')" == "$expected" ]] ||
  fail "the first command's output does not end with the output the README shows"
[[ ! -e $root/root/halvex/build/tests ]] || fail "the first command configured the tests"

# 3. The Debian package: each missing tool named, then a package that depends
# on its libraries.
for ((i = 0; ; i++)); do
  run_installing_nothing "rm -rf build/_CPack_Packages build/halvex_*.deb && (cd build && cpack)"
  ((rc == 0)) && break
  [[ $(cat "$out") =~ not\ found:\ install\ ([a-z0-9.+-]+) ]] ||
    fail "cpack failed without naming a package to install"
  tool="${BASH_REMATCH[1]}"
  [[ " ${package_tools[*]} " == *" $tool "* ]] ||
    fail "cpack asks for $tool, which the README does not name for the Debian package"
  ((i < ${#package_tools[@]})) || fail "cpack still fails with the README's packages"
  apt_install "$tool"
done
depends="$(chroot "$root" dpkg-deb -f /root/halvex/build/halvex_1.0_amd64.deb Depends)"
[[ $depends == *libc6* ]] || fail "the Debian package has no Depends line naming libc6"
echo "== Depends: $depends"

# 4. The web page's build without Node 20.
for node in none nodejs; do
  [[ $node == none ]] || apt_install "$node"
  run_installing_nothing "bash tools/build_web.sh"
  ((rc != 0)) && grep -q 'needs Node 20.19 or later' "$out" && grep -q 'deb.nodesource.com' "$out" ||
    fail "tools/build_web.sh with Node: $node did not stop with its advice"
done

# 5. The test command.
run_installing_nothing "${commands[1]}"
((rc == 0)) || fail "the README's test command failed"
echo "The README's first steps work on a fresh Debian 12 with: ${packages[*]} (and ${package_tools[*]})"
