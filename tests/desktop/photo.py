#!/usr/bin/env python3
"""The photograph of a whole desktop output; exit status 0 = yes.
  photo.py SHOT.ppm IMG0.pam
Slide 0 fills the centred 4:3 area of the output (the output's height, or
its width on a taller screen), compared like screen.py's slide check on the
same grid scaled into that area; everything outside it is black."""
import os, sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import screen  # noqa: E402

# The bars may carry nothing but black; a compositor's dithering or a stale
# slice of a slide is far above this.
BAR_LEVEL = 8


def picture_area(w, h):
    """x, y, width, height of the centred 4:3 area of a w x h output."""
    if w * 3 >= h * 4:
        pw, ph = (h * 4 + 1) // 3, h
    else:
        pw, ph = w, (w * 3 + 2) // 4
    return (w - pw) // 2, (h - ph) // 2, pw, ph


def check(shot_path, image_path):
    w, h, d, px = screen.netpbm(shot_path)
    x0, y0, pw, ph = picture_area(w, h)
    at = lambda x, y: px[(y * w + x) * d:(y * w + x) * d + 3]
    seen = [at(x0 + int((x + 0.5) * pw / 1024), y0 + int((y + 0.5) * ph / 768)) for x, y in screen.POINTS]
    image = screen.netpbm(image_path)
    want = screen.difference(seen, screen.expected(image, *screen.QUADS[0]))
    black = screen.difference(seen, [(0, 0, 0)] * len(seen))
    # Every pixel outside the area, row by row.
    brightest = 0
    for y in range(h):
        row = px[y * w * d:(y + 1) * w * d]
        if y < y0 or y >= y0 + ph:
            brightest = max(brightest, max(row))
        else:
            brightest = max(brightest, max(row[:x0 * d], default=0), max(row[(x0 + pw) * d:], default=0))
    print(f"{w}x{h}, area {pw}x{ph}+{x0}+{y0}: slide 0 {want:.2f} from wanted, "
          f"black {black:.1f}; brightest outside the area {brightest}")
    return want <= 12 and black >= want + 10 and brightest <= BAR_LEVEL


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(0 if check(*sys.argv[1:]) else 1)
