#!/usr/bin/python3
"""Reads pixels of a private X display, or of a Wayland compositor named by its socket's full path
(through grim), for tests that check what is on the screen.

  screen_probe.py DISPLAY mean X Y W H
      prints the mean colour of the region as "R G B".
  screen_probe.py DISPLAY all TIMEOUT CLAUSE...
      waits for one screenshot in which every clause holds; a clause is either
      "mean X Y W H R G B TOL" or "count X Y W H R G B TOL MIN MAX".
  screen_probe.py DISPLAY save FILE
Exit status 0 when the condition held, 1 on timeout (printing what was last seen).
"""

import io
import os
import subprocess
import sys
import time

from PIL import Image, ImageGrab


def grab(display):
    if display.startswith("/"):
        # XWayland has no root window to read: the compositor's output is the screen.
        shot = subprocess.run(["grim", "-t", "ppm", "-"], capture_output=True, check=True,
                              env=dict(os.environ, WAYLAND_DISPLAY=display)).stdout
        return Image.open(io.BytesIO(shot)).convert("RGB")
    return ImageGrab.grab(xdisplay=display).convert("RGB")


def region(image, x, y, w, h):
    return image.crop((x, y, x + w, y + h))


def mean(image):
    pixels = list(image.getdata())
    n = max(1, len(pixels))
    return tuple(sum(p[i] for p in pixels) / n for i in range(3))


def near_count(image, rgb, tol):
    return sum(1 for p in image.getdata() if all(abs(p[i] - rgb[i]) <= tol for i in range(3)))


def check(image, clause):
    kind, rest = clause[0], clause[1:]
    x, y, w, h = (int(v) for v in rest[:4])
    rgb = tuple(float(v) for v in rest[4:7])
    tol = float(rest[7])
    part = region(image, x, y, w, h)
    if kind == "mean":
        seen = mean(part)
        ok = all(abs(seen[i] - rgb[i]) <= tol for i in range(3))
        return ok, "mean(%s) %.1f %.1f %.1f" % (" ".join(rest[:4]), *seen)
    n = near_count(part, rgb, tol)
    return int(rest[8]) <= n <= int(rest[9]), "count(%s) %d" % (" ".join(rest[:4]), n)


def wait_all(display, timeout, words):
    clauses = []
    while words:
        size = 9 if words[0] == "mean" else 11
        clauses.append(words[:size])
        words = words[size:]
    deadline = time.monotonic() + timeout
    announced = False
    while True:
        image = grab(display)
        if not announced:
            # A test that starts the probe before it acts waits for this line.
            print("watching", flush=True)
            announced = True
        results = [check(image, c) for c in clauses]
        if all(ok for ok, _ in results):
            return 0
        if time.monotonic() > deadline:
            print("; ".join(text for _, text in results))
            return 1
        time.sleep(0.005)


def main(argv):
    display, mode = argv[1], argv[2]
    if mode == "save":
        grab(display).save(argv[3])
        return 0
    if mode == "all":
        return wait_all(display, float(argv[3]), argv[4:])
    if mode == "mean":
        x, y, w, h = (int(v) for v in argv[3:7])
        print("%.1f %.1f %.1f" % mean(region(grab(display), x, y, w, h)))
        return 0
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
