#!/usr/bin/env python3
"""Independent reference implementation of the split and of the subfile expansion (-s).

Usage: oracle.py [options] Infile [SplitterFile] Outfile
Prints the console output on stdout and writes Outfile like the program does.
Standard library only (ctypes is used to read numbers exactly as glibc's
sscanf "%lf" does when a token is not a plain decimal).
"""
import ctypes
import math
import os
import re
import sys

WS = b' \t\n\v\f\r'
PREC = [0.001]

_libc = ctypes.CDLL(None)
_sscanf = _libc.sscanf

PLAIN_FLOAT = re.compile(rb'[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?')
PLAIN_INT = re.compile(rb'[+-]?\d+')


def skip_ws(s, pos):
    n = len(s)
    while pos < n and s[pos] in WS:
        pos += 1
    return pos


def skip_token(s, pos):
    """Skip white space, then the following run of non-white-space."""
    pos = skip_ws(s, pos)
    n = len(s)
    while pos < n and s[pos] not in WS:
        pos += 1
    return pos


def wrap_int(v):
    # glibc %d: strtol (64-bit, saturating) then stored into a 32-bit int
    if v > 2**63 - 1:
        v = 2**63 - 1
    if v < -2**63:
        v = -2**63
    v &= 0xFFFFFFFF
    if v >= 2**31:
        v -= 2**32
    return v


def scan_int(s, pos):
    """%d at pos: returns value or None."""
    pos = skip_ws(s, pos)
    m = PLAIN_INT.match(s, pos)
    if not m:
        return None
    return wrap_int(int(m.group(0)))


def scan_double(s, pos):
    """%lf at pos: returns (status, value); status 'ok', 'eof', 'fail'."""
    pos = skip_ws(s, pos)
    if pos >= len(s):
        return 'eof', None
    m = PLAIN_FLOAT.match(s, pos)
    if m and (m.end() == len(s) or s[m.end()] in WS):
        return 'ok', float(m.group(0))
    # anything unusual: ask the C library itself
    d = ctypes.c_double(0.0)
    buf = ctypes.create_string_buffer(bytes(s[pos:]).split(b'\0')[0])
    r = _sscanf(buf, b"%lf", ctypes.byref(d))
    if r == 1:
        return 'ok', d.value
    return 'fail', None


def parse_points(s, pos, count):
    pts = [[0.0, 0.0, 0.0] for _ in range(count)]
    failed = False
    for p in pts:
        for k in range(3):
            if failed:
                break
            st, v = scan_double(s, pos)
            if st == 'fail':
                failed = True
                break
            if st == 'ok':
                p[k] = v
            pos = skip_token(s, pos)
    return pts, pos


def fmt_g(x):
    if math.isnan(x):
        return '-nan' if math.copysign(1.0, x) < 0 else 'nan'
    if math.isinf(x):
        return '-inf' if x < 0 else 'inf'
    t = '%g' % x
    m = re.search(r'e([+-])(\d+)$', t)
    if m:
        t = t[:m.start()] + 'e' + m.group(1) + m.group(2).rjust(3, '0')
    return t


def fmt_pt(p):
    return ' '.join(fmt_g(c) for c in p)


# ---------------------------------------------------------------- elements
class El:
    kind = 6
    colour = 0
    ctext = None

    def text(self):
        return b''

    def colour_text(self):
        return self.ctext if self.ctext is not None else str(self.colour).encode()

    def set_colour(self, c):
        pass


class Empty(El):
    kind = 6


class Meta(El):
    kind = 0

    def __init__(self, t):
        self.t = t

    def text(self):
        return b'0 ' + self.t


def read_colour(el, s, pos):
    pos = skip_token(s, pos)          # line type
    q = skip_ws(s, pos)
    if s[q:q + 2] in (b'0x', b'0X'):
        el.ctext = s[q:skip_token(s, q)]
        el.colour = 0
    else:
        v = scan_int(s, pos)
        el.colour = 0 if v is None else v
    return skip_token(s, pos)         # colour token


class Coloured(El):
    def set_colour(self, c):
        self.colour = c
        self.ctext = None


class Ref(Coloured):
    kind = 1

    def __init__(self, s):
        pos = read_colour(self, s, 0)
        pts, pos = parse_points(s, pos, 4)
        self.pos = pts[0]
        self.mat = pts[1] + pts[2] + pts[3]
        pos = skip_ws(s, pos)
        self.name = s[pos:]

    def text(self):
        return (b'1 ' + self.colour_text() + b' ' + fmt_pt(self.pos).encode() + b' '
                + ' '.join(fmt_g(c) for c in self.mat).encode() + b' ' + self.name)


class Geo(Coloured):
    """Edge (2), triangle (3), quad (4), conditional line (5)."""
    NPTS = {2: 2, 3: 3, 4: 4, 5: 4}

    def __init__(self, kind, s=None, pts=None, colour=0, ctext=None):
        self.kind = kind
        self.ctext = ctext
        if s is not None:
            pos = read_colour(self, s, 0)
            self.pts, _ = parse_points(s, pos, self.NPTS[kind])
        else:
            self.colour = colour
            self.pts = [list(p) for p in pts]

    def text(self):
        return (str(self.kind).encode() + b' ' + self.colour_text() + b' '
                + ' '.join(fmt_pt(p) for p in self.pts).encode())

    def is_line(self):
        return self.kind in (2, 5)

    def is_poly(self):
        return self.kind in (3, 4)


# ---------------------------------------------------------------- splitter plane
def sub(a, b):
    return [a[0] - b[0], a[1] - b[1], a[2] - b[2]]


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(u, v):
    return [u[1] * v[2] - v[1] * u[2], v[0] * u[2] - u[0] * v[2], v[1] * u[0] - v[0] * u[1]]


def manhattan(a, b):
    return abs(a[0] - b[0]) + abs(a[1] - b[1]) + abs(a[2] - b[2])


class Plane:
    def __init__(self, pts):
        p1, p2, p3 = pts[0], pts[1], pts[2]
        n = cross(sub(p2, p1), sub(p3, p2))
        ln = math.sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2])
        if ln >= 0.001:
            n = [n[0] / ln, n[1] / ln, n[2] / ln]
        self.n = n
        self.p1 = list(p1)

    def sdist(self, p):
        n = self.n
        d = dot(sub(self.p1, p), n)
        q = [p[0] + n[0] * d, p[1] + n[1] * d, p[2] + n[2] * d]
        m = manhattan(p, q)
        return (-m if d > 0 else m), q

    def mirror_pair(self, a, b):
        n = self.n
        d = dot(sub(self.p1, a), n)
        d2 = 2 * d
        a2 = [a[0] + n[0] * d2, a[1] + n[1] * d2, a[2] + n[2] * d2]
        return manhattan(a2, b) < PREC[0]

    def intersect(self, a, b):
        """Returns (code, point or None)."""
        n = self.n
        den = dot(n, sub(a, b))
        num = dot(n, sub(a, self.p1))
        if abs(den) < 0.001:
            return (2 if num == 0 else 0), None
        t = num / den
        if 0 <= t <= 1:
            return 1, [a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2])]
        return 0, None

    def cut_point(self, a, b):
        """Crossing point for cutting; falls back to the nearest point of the
        segment on the plane when rounding hides the crossing."""
        code, c = self.intersect(a, b)
        if code == 1:
            return c
        return nearest_fallback(self, a, b)


def nearest_fallback(pl, a, b):
    """The point of segment a-b nearest to the plane: the crossing point when
    the segment does cross (t clamped to the segment), else the nearer end."""
    n = pl.n
    den = dot(n, sub(a, b))
    num = dot(n, sub(a, pl.p1))
    if den != 0 and math.isfinite(den):
        t = num / den
        if 0 <= t <= 1:
            return [a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1]), a[2] + t * (b[2] - a[2])]
        return list(a) if t < 0 else list(b)
    da = abs(num)
    db = abs(dot(n, sub(b, pl.p1)))
    return list(a) if da <= db else list(b)


# ---------------------------------------------------------------- element plane ops
def classify(el, pl):
    prec = PREC[0]
    if el.kind == 1:
        d, q = pl.sdist(el.pos)
        if d > prec:
            return -1
        if d < -prec:
            return 1
        if all(map(math.isfinite, el.pos)):
            el.pos = q
        return 2
    if el.kind in (2, 3, 4, 5):
        pts = el.pts[:2] if el.kind in (2, 5) else el.pts
        pos = neg = 0
        for v in pts:
            d, q = pl.sdist(v)
            if d > prec:
                pos += 1
            elif d < -prec:
                neg += 1
            elif all(map(math.isfinite, v)):
                v[0], v[1], v[2] = q
        if neg > 0:
            return 0 if pos > 0 else 1
        return -1 if pos > 0 else 2
    return 1


def rotate(el):
    el.pts = el.pts[1:] + el.pts[:1]


def s_of(pl, v):
    return pl.sdist(v)[0]


def cut(el, pl):
    """Returns (first, second)."""
    if el.kind in (2, 5):
        p1, p2 = el.pts[0], el.pts[1]
        code, c = pl.intersect(p1, p2)
        if code != 1:
            c = nearest_fallback(pl, p1, p2)
        d = s_of(pl, p1)
        if d < 0:
            seg = [p1, c]
        else:
            seg = [c, p2]
        return Geo(el.kind, pts=seg + el.pts[2:], colour=el.colour, ctext=el.ctext), None
    if el.kind == 3:
        guard = 0
        while s_of(pl, el.pts[0]) < 0 and guard < 3:
            rotate(el); guard += 1
        rotate(el)
        guard = 0
        while not s_of(pl, el.pts[0]) < 0 and guard < 3:
            rotate(el); guard += 1
        p1, p2, p3 = el.pts
        i1 = pl.cut_point(p3, p1)
        if s_of(pl, p2) < 0:
            i2 = pl.cut_point(p3, p2)
            return Geo(4, pts=[i1, p1, p2, i2], colour=el.colour, ctext=el.ctext), None
        i2 = pl.cut_point(p2, p1)
        return Geo(3, pts=[i1, p1, i2], colour=el.colour, ctext=el.ctext), None
    if el.kind == 4:
        guard = 0
        while s_of(pl, el.pts[0]) < 0 and guard < 4:
            rotate(el); guard += 1
        rotate(el)
        guard = 0
        while not s_of(pl, el.pts[0]) < 0 and guard < 4:
            rotate(el); guard += 1
        p1, p2, p3, p4 = el.pts
        i1 = pl.cut_point(p4, p1)
        if s_of(pl, p2) >= 0:
            i2 = pl.cut_point(p2, p1)
            return Geo(3, pts=[i1, p1, i2], colour=el.colour, ctext=el.ctext), None
        if s_of(pl, p3) < 0:
            i2 = pl.cut_point(p3, p4)
            return (Geo(4, pts=[i1, p1, p2, p3], colour=el.colour, ctext=el.ctext),
                    Geo(3, pts=[p3, i2, i1], colour=el.colour, ctext=el.ctext))
        i2 = pl.cut_point(p3, p2)
        return Geo(4, pts=[i1, p1, p2, i2], colour=el.colour, ctext=el.ctext), None
    return None, None


def on_plane(pl, v):
    s = s_of(pl, v)
    return -PREC[0] < s < PREC[0]


def self_symmetric(el, pl):
    if el.kind in (2, 5):
        return pl.mirror_pair(el.pts[0], el.pts[1])
    if el.kind == 3:
        for _ in range(3):
            if on_plane(pl, el.pts[0]) and pl.mirror_pair(el.pts[1], el.pts[2]):
                return True
            rotate(el)
        return False
    if el.kind == 4:
        for _ in range(2):
            p = el.pts
            if on_plane(pl, p[0]) and on_plane(pl, p[2]) and pl.mirror_pair(p[1], p[3]):
                return True
            if pl.mirror_pair(p[0], p[1]) and pl.mirror_pair(p[2], p[3]):
                return True
            rotate(el)
        return False
    return True


# ---------------------------------------------------------------- model
def load(model, name, out):
    out.append('')
    out.append('Loading ' + name)
    try:
        with open(name, 'rb') as f:
            data = f.read()
    except OSError:
        return False
    if data.startswith(b'\xef\xbb\xbf'):
        data = data[3:]
    cnt = {2: 0, 5: 0, 3: 0, 4: 0, 1: 0}
    lines = data.split(b'\n')
    if lines and lines[-1] == b'':
        lines.pop()
    for line in lines:
        if line.endswith(b'\r'):
            line = line[:-1]
        if not line:
            continue
        t = scan_int(line, 0)
        if t is None:
            continue
        if t == 0:
            i = line.find(b'0')
            model.append(Meta(line[i + 2:]))
        elif t == 1:
            model.append(Ref(line)); cnt[1] += 1
        elif t in (2, 3, 4, 5):
            model.append(Geo(t, s=line)); cnt[t] += 1
    out.append('%d lines in file' % len(model))
    out.append('%d Edge lines' % cnt[2])
    out.append('%d Conditional lines' % cnt[5])
    out.append('%d Triangles' % cnt[3])
    out.append('%d Quads' % cnt[4])
    out.append('%d Subfiles' % cnt[1])
    return True


def save(model, name, out, normalise=False):
    try:
        f = open(name, 'wb')
    except OSError:
        return False
    cnt = {2: 0, 5: 0, 3: 0, 4: 0}
    written = 0
    buf = []
    first_bfc = 0
    reverse = 1
    for k in range(len(model)):
        el = model[k]
        if normalise:
            if el.kind == 0:
                mk = meta_kind(el.t)
                # only CERTIFY statements take part; an INVERTNEXT line is
                # written as it stands
                if mk in (2, 3):
                    if first_bfc == 0:
                        first_bfc = mk
                    else:
                        reverse = 1 if mk == first_bfc else -1
                        el = model[k] = Empty()
            elif el.kind in (3, 4) and reverse == -1:
                el.pts[0], el.pts[2] = el.pts[2], el.pts[0]
        if el.kind in cnt:
            cnt[el.kind] += 1
        t = el.text()
        if t:
            buf.append(t + b'\r\n')
            written += 1
    f.write(b''.join(buf))
    f.close()
    out.append('')
    out.append('Saving ' + name)
    out.append('%d lines in file' % written)
    out.append('%d Edge lines' % cnt[2])
    out.append('%d Conditional lines' % cnt[5])
    out.append('%d Triangles' % cnt[3])
    out.append('%d Quads' % cnt[4])
    return True


# ---------------------------------------------------------------- subfile expansion
MAX_DEPTH = 64


def meta_kind(t):
    u = t.upper()
    if b'BFC' not in u:
        return 0
    if b'INVERTNEXT' in u:
        return 1
    if b'CERTIFY' not in u:
        return 0
    if b'CCW' in u:
        return 2
    return 3 if b'CW' in u else 2


_dir_cache = {}


def _listdir(d):
    r = _dir_cache.get(d)
    if r is None:
        try:
            names = os.listdir(d if d else '.')
        except OSError:
            names = []
        r = {}
        for n in sorted(names):
            r.setdefault(n.lower(), n)
        r = (set(names), r)
        _dir_cache[d] = r
    return r


_resolve_cache = {}


def resolve(full):
    """Path of the file that the text full names, each folder and the file
    name matched without regard to case, '\\' and '/' both separators; None
    when there is no such readable file."""
    if full in _resolve_cache:
        return _resolve_cache[full]
    comps = [c for c in re.split(r'[\\/]', full) if c != '']
    cur = '/' if full[:1] in ('/', '\\') else ''
    res = None
    for k, c in enumerate(comps):
        if c in ('.', '..'):
            got = c
        else:
            exact, low = _listdir(cur)
            got = c if c in exact else low.get(c.lower())
            if got is None:
                break
        nxt = (cur + got) if (cur == '' or cur.endswith('/')) else (cur + '/' + got)
        if k == len(comps) - 1:
            if os.path.isfile(nxt) and os.access(nxt, os.R_OK):
                res = nxt
        else:
            if not os.path.isdir(nxt):
                break
            cur = nxt
    _resolve_cache[full] = res
    return res


def search(prefixes, name):
    for p in prefixes:
        r = resolve(p + name)
        if r is not None:
            return r
    return None


_file_cache = {}


def read_subfile(path):
    """The file's lines as element templates (parsed once per file)."""
    t = _file_cache.get(path)
    if t is not None:
        return t
    if len(_file_cache) > 3000:
        _file_cache.clear()
    with open(path, 'rb') as f:
        data = f.read()
    if data.startswith(b'\xef\xbb\xbf'):
        data = data[3:]
    t = []
    for line in re.split(rb'\r\n|\n|\r', data):
        if not line:
            continue
        k = scan_int(line, 0)
        if k is None:
            continue
        if k == 0:
            i = line.find(b'0')
            txt = line[i + 2:]
            t.append((0, txt, meta_kind(txt)))
        elif k == 1:
            t.append((1, Ref(line)))
        elif k in (2, 3, 4, 5):
            t.append((k, Geo(k, s=line)))
    _file_cache[path] = t
    return t


def det3(m):
    a, b, c, d, e, f, g, h, i = m
    return a * e * i + b * f * g + c * d * h - c * e * g - a * f * h - b * d * i


def place_point(m, t, p):
    x, y, z = p
    return [m[0] * x + m[1] * y + m[2] * z + t[0],
            m[3] * x + m[4] * y + m[5] * z + t[1],
            m[6] * x + m[7] * y + m[8] * z + t[2]]


def mat_mul(m, n):
    return [m[r * 3] * n[c] + m[r * 3 + 1] * n[3 + c] + m[r * 3 + 2] * n[6 + c]
            for r in range(3) for c in range(3)]


def expand(model, prefixes, out):
    cnt = {2: 0, 5: 0, 3: 0, 4: 0}
    for el in model:
        if el.kind == 1:
            el.winding = 1
            el.chain = ()
    i = 0
    while i < len(model):
        ref = model[i]
        if ref.kind != 1:
            i += 1
            continue
        name = ref.name.decode('latin-1')
        path = search(prefixes, name)
        if path is None:
            i += 1
            continue
        if path in ref.chain:
            out.append('Circular reference to ' + name)
            i += 1
            continue
        if len(ref.chain) + 1 > MAX_DEPTH:
            out.append('Nesting too deep at ' + name)
            i += 1
            continue
        marked = i > 0 and model[i - 1].kind == 0 and meta_kind(model[i - 1].t) == 1
        inv = -ref.winding if marked else ref.winding
        flip = -inv if det3(ref.mat) < 0.0 else inv
        m, t = ref.mat, ref.pos
        recolour = not (ref.ctext is None and ref.colour == 16)
        chain = ref.chain + (path,)
        for item in read_subfile(path):
            k = item[0]
            if k == 0:
                if item[2] == 0:
                    model.append(Empty())   # comments of subfiles are dropped
                else:
                    model.append(Meta(item[1]))
                continue
            src_el = item[1]
            if k == 1:
                e = Ref.__new__(Ref)
                e.pos = place_point(m, t, src_el.pos)
                e.mat = mat_mul(m, src_el.mat)
                e.name = src_el.name
                e.winding = inv
                e.chain = chain
            else:
                cnt[k] += 1
                e = Geo.__new__(Geo)
                e.kind = k
                pts = src_el.pts
                if k == 2:
                    e.pts = [place_point(m, t, pts[0]), place_point(m, t, pts[1])]
                else:
                    e.pts = [place_point(m, t, p) for p in pts]
                if k in (3, 4) and flip == -1:
                    e.pts[0], e.pts[2] = e.pts[2], e.pts[0]
            if recolour and src_el.ctext is None and src_el.colour == 16:
                e.colour, e.ctext = ref.colour, ref.ctext
            else:
                e.colour, e.ctext = src_el.colour, src_el.ctext
            model.append(e)
        model[i] = Empty()
        if marked:
            model[i - 1] = Empty()
        i += 1
    out.append('')
    out.append('Inlined from subfiles:')
    out.append('%d Edge lines' % cnt[2])
    out.append('%d Conditional lines' % cnt[5])
    out.append('%d Triangles' % cnt[3])
    out.append('%d Quads' % cnt[4])


BFC_KEYWORDS = {b'CERTIFY', b'NOCERTIFY', b'CW', b'CCW', b'CLIP', b'NOCLIP', b'INVERTNEXT'}


def is_invertnext(el):
    # a BFC statement (first word BFC, every other word a BFC keyword, in any
    # case) that says INVERTNEXT; a comment that holds the words is none
    if el.kind != 0:
        return False
    words = el.t.upper().split()
    return (len(words) > 1 and words[0] == b'BFC' and all(w in BFC_KEYWORDS for w in words[1:])
            and b'INVERTNEXT' in words)


def erase(model, i):
    if model[i].kind == 1:
        # the markers that belong to the reference: every INVERTNEXT statement
        # after the reference before it (those of an erased one went with it)
        k = i - 1
        while k >= 0 and model[k].kind != 1:
            if is_invertnext(model[k]):
                model[k] = Empty()
            k -= 1
    model[i] = Empty()


def split_by(model, pl, S):
    k = 0
    while k < len(model):
        el = model[k]
        if el.kind == 1 and any(x in el.text() for x in (b'stud.dat', b'stud2.dat', b'stug')):
            c = 0
        else:
            c = classify(el, pl)
        if c == 0:
            if S['c']:
                if el.kind in (2, 5):
                    el.set_colour(4)
                if el.kind in (3, 4, 1):
                    el.set_colour(14)
            if S['v'] and not self_symmetric(el, pl):
                if el.kind in (2, 5):
                    el.set_colour(10)
                if el.kind in (3, 4):
                    el.set_colour(5)
            if S['da'] and not S['d0']:
                erase(model, k)
            if S['ca']:
                first, second = cut(model[k], pl)
                if first is None and model[k].kind == 1:
                    erase(model, k)   # a removed reference takes its marker along
                model[k] = first if first is not None else Empty()
                if second is not None:
                    model.append(second)
        elif c == -1:
            if not S['d0']:
                erase(model, k)
        elif c == 1:
            if S['dn'] and el.kind != 0 and not S['d0']:
                erase(model, k)
        elif c == 2:
            if S['c']:
                if el.kind in (2, 5, 1):
                    el.set_colour(1)
                if el.kind in (3, 4):
                    el.set_colour(9)
            if S['di'] and not S['d0']:
                erase(model, k)
        k += 1


USAGE = """Halvex [options] Infile [SplitterFile] Outfile
-p <val>: precision (default 0.001)
-x+: split by plane x=0, keep elements x>0
-x++ <val>: split by plane x=val, keep elements x>val
-x-: split by plane x=0, keep elements x<0
-x-- <val>: split by plane x=val, keep elements x<val
-y+, -y++, -y-, -y--,  -z+, -z++, -z--: ditto for y or z
-da: delete elements across splitter plane
-di: delete elements completely In splitter plane
-dn: delete elements not in or across splitter plane
-d0: no elements deleted, only snaps to splitter plane
-i: invert split direction
-c: color elements across or along splitter plane
-ca: cut elements across splitting plane
-v: verify self-symmetry of elements across splitter plane
-s: expand subfiles
-l "path": define ldraw search path
-e: expand subfiles only where the split changes them
-k: check by LDraw.org's library rules: Outfile, or Infile alone (exit code 3 on errors)""".split('\n')


def corners(axis, sign, v):
    if axis == 'x':
        return [(v, 0, 0), (v, 10, 0), (v, 0, 10)] if sign == '-' else [(v, 0, 0), (v, 0, 10), (v, 10, 0)]
    if axis == 'y':
        return [(10, v, 0), (0, v, 0), (0, v, 10)] if sign == '-' else [(10, v, 0), (0, v, 10), (0, v, 0)]
    # z: the program keeps the side the option names (-z+ keeps z > v)
    return [(0, 10, v), (0, 0, v), (10, 0, v)] if sign == '-' else [(0, 10, v), (10, 0, v), (0, 0, v)]


def arg_double(a):
    st, v = scan_double(a.encode('latin-1'), 0)
    return v if st == 'ok' else None


def run(argv, out):
    out.append('Halvex 1.0 - split LDraw files by a plane')
    S = dict(s=False, p=0.001, i=False, d0=False, da=False, di=False, dn=False, c=False, ca=False, v=False)

    def usage():
        out.extend(USAGE)
        out.append('Press <Enter> to quit')
        return 1

    if len(argv) < 3:
        return usage()
    planes = []
    split_spec = False
    libs = []
    i = 0
    while i < len(argv) and argv[i].startswith('-'):
        a = argv[i]
        c2 = a[1:2]
        if c2 == 'p':
            if i + 1 < len(argv):
                v = arg_double(argv[i + 1])
                if v is not None:
                    S['p'] = v
            i += 2
            continue
        if c2 in ('x', 'y', 'z'):
            if len(a) < 3 or a[2] not in '+-' or (len(a) > 3 and a[3] not in '+-'):
                return usage()
            v = 0.0
            if len(a) > 3:
                if i + 1 < len(argv):
                    r = arg_double(argv[i + 1])
                    if r is not None:
                        v = r
                i += 1
            planes.append(corners(c2, a[2], float(v)))
            split_spec = True
            i += 1
            continue
        if c2 == 'd':
            m = {'a': ('da', 'Elements across splitter plane deleted'),
                 'i': ('di', 'Elements completely in splitter plane deleted'),
                 'n': ('dn', 'Elements not across or in splitter plane deleted'),
                 '0': ('d0', 'No elements deleted, only snaps to splitter plane')}.get(a[2:3])
            if not m:
                return usage()
            S[m[0]] = True
            out.append(m[1])
        elif c2 == 'i':
            S['i'] = True
        elif c2 == 'c':
            if a == '-c':
                S['c'] = True
            elif a[2:3] == 'a':
                S['ca'] = True
                out.append('Cut elements by splitter plane')
            else:
                return usage()
        elif c2 == 'v':
            S['v'] = True
        elif c2 == 's':
            S['s'] = True
        elif c2 == 'l':
            if i + 1 < len(argv):
                libs.append(argv[i + 1])
            i += 2
            continue
        else:
            return usage()
        i += 1
    if S['v']:
        S['c'] = False
    files = argv[i:]
    if len(files) > 3 or len(files) < 2:
        out.append('Wrong number of arguments')
        return usage()
    if len(files) == 2 and not split_spec:
        out.append('No split specified')
        return usage()
    PREC[0] = S['p']
    out.append('Precision ' + fmt_g(S['p']))
    out.append('')
    splitter = [Geo(3, pts=[list(map(float, c)) for c in cs], colour=16) for cs in planes]
    if S['i']:
        for t in splitter:
            t.pts[0], t.pts[2] = t.pts[2], t.pts[0]
    model = []
    if not load(model, files[0], out):
        out.append(files[0] + ' not found')
        out.append('Press <Enter> to quit')
        return 2
    if len(files) == 3:
        if not load(splitter, files[1], out):
            out.append(files[1] + ' not found')
            out.append('Press <Enter> to quit')
            return 2
    if S['s']:
        # the search starts in the input file's folder, also with a splitter file
        base = files[0]
        cut_at = max(base.rfind('\\'), base.rfind('/'))
        folder = base[:cut_at + 1] if cut_at >= 0 else '.\\'
        prefixes = [folder, folder + 'p\\', folder + 's\\']
        for P in libs:
            if not P.endswith('\\') and not P.endswith('/'):
                P += '\\'
            prefixes += [P + 'p\\', P + 'parts\\', P + 'parts\\s\\', P + 'Unofficial\\p\\',
                         P + 'Unofficial\\parts\\', P + 'Unofficial\\parts\\s\\']
        out.append('')
        out.append('Expanding subfiles')
        out.append('LDraw subfiles search locations:')
        out.append(', '.join(prefixes))
        expand(model, prefixes, out)
        out.append('')
    for S_el in list(splitter):
        if getattr(S_el, 'kind', 0) in (3, 4):
            split_by(model, Plane(S_el.pts), S)
    if not save(model, files[-1], out, S['s']):
        out.append(files[-1] + " Can't create")
        out.append('Press <Enter> to quit')
        return 2
    out.append('Press <Enter> to quit')
    return 0


def main():
    out = []
    rc = run(sys.argv[1:], out)
    sys.stdout.write('\n'.join(out) + '\n')
    sys.exit(rc)


if __name__ == '__main__':
    main()
