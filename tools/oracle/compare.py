#!/usr/bin/env python3
"""Compare the program against oracle.py, byte for byte (output file) and line
for line (console), over a list of input files and option sets.

Usage: compare.py [--halvex BIN] [--jobs N] [--every K] [--out DIR] SETNAME...|all -- FILE_OR_DIR...
Directories are expanded to their *.dat files (sorted); with --every K only
every K-th file of each directory (sorted) is used.
Differences are listed in DIR/diffs.txt with both outputs kept in DIR/diff_N/.
"""
import argparse
import multiprocessing as mp
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

TOOLS = os.path.dirname(HERE)


def shared(name):
    """A bash array of tools/comparison_inputs.sh, as a list of strings."""
    script = 'source "%s/comparison_inputs.sh" && printf "%%s\\n" "${%s[@]}"' % (TOOLS, name)
    out = subprocess.run(['bash', '-c', script], capture_output=True, text=True, check=True)
    return [line for line in out.stdout.splitlines() if line]


def named_sets(name):
    """Named option sets ("NAME: OPTIONS"); LIB and SPLITTER become @LIB and @SPL."""
    sets = {}
    for entry in shared(name):
        key, options = entry.split(':', 1)
        sets[key.strip()] = [{'LIB': '@LIB', 'SPLITTER': '@SPL'}.get(o, o) for o in options.split()]
    return sets


def write_inputs():
    """The shared splitter file, written once into a temporary folder."""
    folder = tempfile.mkdtemp(prefix='halvex-oracle-inputs-')
    subprocess.run(['bash', '-c', 'source "%s/comparison_inputs.sh" && write_comparison_inputs "%s"'
                    % (TOOLS, folder)], check=True)
    return os.path.join(folder, 'splitter.dat')


OPTION_SETS = named_sets('ORACLE_OPTION_SETS')
# Subfile expansion ("-s" sets; @LIB stands for "-l" with the --lib folder)
S_SETS = named_sets('ORACLE_EXPAND_OPTION_SETS')
# with the splitter file (the search still starts beside the input file)
S_EXTRA_SETS = named_sets('ORACLE_EXPAND_EXTRA_OPTION_SETS')
# More sets for hand-made inputs near the planes (the set name "extra")
EXTRA_SETS = named_sets('ORACLE_EXTRA_OPTION_SETS')
SPLITTER = [None]


LIB = [None]
TIMEOUT = [300]


def build_args(opts, infile):
    a = []
    for o in opts:
        if o == '@LIB':
            if LIB[0]:
                a += ['-l', LIB[0]]
        elif not o.startswith('@'):
            a.append(o)
    spl = [(SPLITTER[0] if o == '@SPL' else o[1:]) for o in opts if o.startswith('@') and o != '@LIB']
    files = [infile] + spl + ['out.dat']
    return a + files


def run_one(job):
    halvex, setname, infile, wdir = job
    import oracle
    args = build_args({**OPTION_SETS, **EXTRA_SETS, **S_SETS, **S_EXTRA_SETS}[setname], infile)
    hd = os.path.join(wdir, 'h')
    od = os.path.join(wdir, 'o')
    for d in (hd, od):
        os.makedirs(d, exist_ok=True)
        p = os.path.join(d, 'out.dat')
        if os.path.exists(p):
            os.remove(p)
    with open(os.devnull, 'rb') as dn:
        try:
            r = subprocess.run([halvex] + args, cwd=hd, stdin=dn, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, timeout=TIMEOUT[0])
        except subprocess.TimeoutExpired:
            return setname, infile, None, None   # skipped: the program ran too long
    hcons = r.stdout.decode('latin-1').split('\n')
    hrc = r.returncode
    cwd = os.getcwd()
    os.chdir(od)
    try:
        oracle.PREC[0] = 0.001
        out = []
        orc = oracle.run(args, out)
    except Exception as e:  # oracle crash is an oracle fault
        out, orc = ['ORACLE EXCEPTION %r' % e], -99
    finally:
        os.chdir(cwd)
    ocons = ('\n'.join(out) + '\n').split('\n')

    def rd(p):
        try:
            with open(p, 'rb') as f:
                return f.read()
        except OSError:
            return None
    hf = rd(os.path.join(hd, 'out.dat'))
    of = rd(os.path.join(od, 'out.dat'))
    same = (hcons == ocons and hrc == orc and hf == of)
    detail = None
    if not same:
        detail = dict(args=args, hrc=hrc, orc=orc, hcons=hcons, ocons=ocons, hf=hf, of=of)
    return setname, infile, same, detail


def collect(paths, every, offsets=(0,)):
    files = []
    for p in paths:
        if os.path.isdir(p):
            fs = sorted(f for f in os.listdir(p) if f.lower().endswith('.dat'))
            fs = [f for k, f in enumerate(fs) if k % every in offsets]
            files += [os.path.join(p, f) for f in fs]
        else:
            files.append(p)
    return files


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--halvex', default=os.path.join(HERE, '..', '..', 'build', 'halvex'))
    ap.add_argument('--jobs', type=int, default=2)
    ap.add_argument('--every', type=int, default=1)
    ap.add_argument('--offsets', default='0', help='comma list of offsets within each group of --every files')
    ap.add_argument('--out', default=os.path.join(tempfile.gettempdir(), 'halvex-oracle'))
    ap.add_argument('--lib', default=None, help='folder given to "-l" in the -s sets')
    ap.add_argument('--timeout', type=int, default=300,
                    help='skip an input (for that set) when the program runs longer (s)')
    ap.add_argument('sets', nargs='+')
    a = ap.parse_args()
    sets, paths = a.sets, []
    if '--' in sys.argv:
        k = sys.argv.index('--')
        paths = sys.argv[k + 1:]
        sets = [s for s in a.sets if s not in paths]
    if sets == ['all']:
        sets = list(OPTION_SETS)
    elif sets == ['extra']:
        sets = list(OPTION_SETS) + list(EXTRA_SETS)
    elif sets == ['expand']:
        sets = list(S_SETS)
    elif sets == ['expand-extra']:
        sets = list(S_SETS) + list(S_EXTRA_SETS)
    files = collect(paths, a.every, tuple(int(x) for x in a.offsets.split(',')))
    os.makedirs(a.out, exist_ok=True)
    # Set before the workers are forked, which inherit it.
    SPLITTER[0] = write_inputs()
    jobs = []
    for s in sets:
        for f in files:
            jobs.append((a.halvex, s, os.path.abspath(f), None))
    wdirs = [os.path.join(a.out, 'w%d' % i) for i in range(a.jobs)]
    jobs = [(h, s, f, wdirs[i % a.jobs]) for i, (h, s, f, _) in enumerate(jobs)]
    # Workers must not share a working folder: give each worker its own.
    n = same = 0
    diffs = []
    skipped = []
    with mp.Pool(a.jobs, initializer=_init, initargs=(wdirs, a.lib, a.timeout)) as pool:
        for setname, infile, ok, det in pool.imap_unordered(_run_in_own_dir, jobs, chunksize=4):
            if ok is None:
                skipped.append((setname, infile))
                continue
            n += 1
            same += ok
            if not ok:
                diffs.append((setname, infile, det))
                sys.stderr.write('DIFF %s %s\n' % (setname, infile))
            if n % 100 == 0:
                sys.stderr.write('%d runs, %d different\n' % (n, n - same))
                sys.stderr.flush()
    with open(os.path.join(a.out, 'skipped.txt'), 'w') as log:
        for s, f in skipped:
            log.write('%s\t%s\n' % (s, f))
    with open(os.path.join(a.out, 'diffs.txt'), 'w') as log:
        for i, (s, f, det) in enumerate(diffs):
            d = os.path.join(a.out, 'diff_%d' % i)
            os.makedirs(d, exist_ok=True)
            for k in ('hf', 'of'):
                if det[k] is not None:
                    with open(os.path.join(d, k + '.dat'), 'wb') as g:
                        g.write(det[k])
            with open(os.path.join(d, 'console.txt'), 'w') as g:
                g.write('args: %s\nrc halvex %s oracle %s\n--- halvex\n%s\n--- oracle\n%s\n' % (
                    ' '.join(det['args']), det['hrc'], det['orc'],
                    '\n'.join(det['hcons']), '\n'.join(det['ocons'])))
            what = []
            if det['hrc'] != det['orc']:
                what.append('rc')
            if det['hcons'] != det['ocons']:
                what.append('console')
            if det['hf'] != det['of']:
                what.append('file')
            log.write('%d\t%s\t%s\t%s\n' % (i, s, f, ','.join(what)))
    print('%d runs, %d identical, %d different (see %s), %d skipped (over %d s)' % (
        n, same, n - same, os.path.join(a.out, 'diffs.txt'), len(skipped), a.timeout))


_WDIR = None


def _init(wdirs, lib=None, timeout=300):
    global _WDIR
    LIB[0] = lib
    TIMEOUT[0] = timeout
    ident = mp.current_process()._identity
    idx = (ident[0] - 1) % len(wdirs) if ident else 0
    _WDIR = wdirs[idx]


def _run_in_own_dir(job):
    h, s, f, _ = job
    return run_one((h, s, f, _WDIR))


if __name__ == '__main__':
    main()
