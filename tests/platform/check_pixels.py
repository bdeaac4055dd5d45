#!/usr/bin/python3
"""Compares pixels of a binary PPM screenshot with expectations, one a line:
x y red green blue tolerance label.  usage: check_pixels.py SHOT.ppm EXPECT.txt"""
import sys


def read_ppm(path):
    data = open(path, 'rb').read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b'#':
            at = data.index(b'\n', at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b'P6' or int(fields[3]) != 255:
        raise SystemExit('not an 8-bit binary PPM')
    return int(fields[1]), int(fields[2]), data[at + 1:]


def main():
    width, height, pixels = read_ppm(sys.argv[1])
    failures = 0
    for line in open(sys.argv[2]):
        parts = line.split()
        if len(parts) < 7:
            continue
        x, y, r, g, b, tol = map(int, parts[:6])
        at = (y * width + x) * 3
        got = tuple(pixels[at:at + 3])
        ok = all(abs(a - e) <= tol for a, e in zip(got, (r, g, b)))
        print('%s %s at (%d, %d): screen %s, skin %s' % ('ok  ' if ok else 'FAIL', parts[6], x, y, got, (r, g, b)))
        failures += 0 if ok else 1
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
