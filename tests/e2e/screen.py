#!/usr/bin/env python3
"""Picture and sound checks of the end-to-end runs; exit status 0 = yes.
  screen.py watch N IMG0.pam IMG1.pam IMG2.pam IMG3.pam  ('-': no image; one
      SHOT.ppm a line on stdin, "yes" or "no" a line back)
  screen.py slide SHOT.ppm N IMG0.pam IMG1.pam IMG2.pam IMG3.pam  (one of them)
  screen.py flat SHOT.ppm
  screen.py loud RAW"""
import array, io, re, statistics, sys

# Screen points sampled: a 64 x 48 grid on the 1024 x 768 screen.
POINTS = [(8 + 16 * i, 8 + 16 * j) for j in range(48) for i in range(64)]
# Where each slide puts the image's first and last row (view y runs from
# -0.75 at the bottom to 0.75 at the top); slides 0, 1, 3 put the first row
# at the bottom, slide 2 at the top.
QUADS = {0: (-0.75, 0.75), 1: (-1.0, 1.0), 2: (1.0, -1.0), 3: (-1.0, 1.0)}


def netpbm(path):
    data = open(path, "rb").read()
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    if m:
        return int(m[1]), int(m[2]), 3, data[m.end():]
    head, _, raster = data.partition(b"ENDHDR\n")
    f = dict(line.split(None, 1) for line in head.decode().splitlines()[1:])
    return int(f["WIDTH"]), int(f["HEIGHT"]), int(f["DEPTH"]), raster


def seen(shot):
    w, _, d, px = shot
    return [px[(y * w + x) * d:(y * w + x) * d + 3] for x, y in POINTS]


def expected(image, first, last):
    """The screen at each point: the image mapped through the quad, sampled
    bilinearly like GL's linear filter; black outside the quad."""
    w, h, d, px = image
    out = []
    for x, y in POINTS:
        t = (0.75 - 1.5 * (y + 0.5) / 768 - first) / (last - first)
        if not 0 <= t <= 1:
            out.append((0, 0, 0))
            continue
        u = min(max((x + 0.5) / 1024 * w - 0.5, 0), w - 1)
        v = min(max(t * h - 0.5, 0), h - 1)
        u0, v0 = int(u), int(v)
        u1, v1, fu, fv = min(u0 + 1, w - 1), min(v0 + 1, h - 1), u - u0, v - v0
        at = lambda a, b, c: px[(b * w + a) * d + (c if d >= 3 else 0)]
        out.append(tuple((at(u0, v0, c) * (1 - fu) + at(u1, v0, c) * fu) * (1 - fv) +
                         (at(u0, v1, c) * (1 - fu) + at(u1, v1, c) * fu) * fv for c in range(3)))
    return out


def difference(a, b):
    return sum(abs(p - q) for s, t in zip(a, b) for p, q in zip(s, t)) / (3 * len(a))


def candidates(n, paths):
    """What slide n must look like, and every other picture it must not."""
    images = [None if p == "-" else netpbm(p) for p in paths]
    wanted = expected(images[n], *QUADS[n])
    others = [expected(images[i], *QUADS[i]) for i in range(4) if i != n and images[i]]
    others += [expected(images[n], a, b) for a, b in {(-0.75, 0.75), (0.75, -0.75), (-1.0, 1.0),
                                                       (1.0, -1.0)} if (a, b) != QUADS[n]]
    others.append([(0, 0, 0)] * len(POINTS))
    return wanted, others


def watch(n, *paths):
    """For each screenshot named on stdin, "yes" on stdout when it shows slide
    n: within 12 levels of it on average, and every other slide, slide n's
    image with another slide's corners and a black screen at least 10 further
    away; "no" otherwise."""
    wanted, others = candidates(int(n), paths)
    yes = False
    for line in sys.stdin:
        screen = seen(netpbm(line.rstrip("\n")))
        want, rest = difference(screen, wanted), [difference(screen, o) for o in others]
        print(f"slide {n}: {want:.2f} from wanted, others {' '.join(f'{r:.1f}' for r in rest)}",
              file=sys.stderr)
        yes = want <= 12 and min(rest) >= want + 10
        print("yes" if yes else "no", flush=True)
    return yes


def slide(shot, n, *paths):
    sys.stdin = io.StringIO(shot + "\n")
    return watch(n, *paths)


def flat(shot):
    screen = seen(netpbm(shot))
    spread = max(statistics.pstdev(p[c] for p in screen) for c in range(3))
    print(f"largest channel spread {spread:.2f}")
    return spread <= 3


def loud(raw):
    data = open(raw, "rb").read(1 << 24)
    samples = array.array("h", data[: len(data) & ~1])[::7]
    rms = (sum(s * s for s in samples) / max(len(samples), 1)) ** 0.5
    print(f"{len(samples)} samples looked at, rms {rms:.0f}")
    return rms >= 64


if __name__ == "__main__":
    check = {"slide": slide, "watch": watch, "flat": flat, "loud": loud}.get(sys.argv[1] if len(sys.argv) > 1 else "")
    if not check:
        sys.exit(__doc__)
    sys.exit(0 if check(*sys.argv[2:]) else 1)
