#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""pixolan-export's --binary bytes of every panel format, read by Pillow's own raw decoders,
hold the codes of the --preview that pixolan-export writes beside them.

    formats_read_by_pillow.py PIXOLAN-EXPORT
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image

WIDTH, HEIGHT = 13, 11  # odd: rows padded to whole bytes, a last page of three rows


def pages(data, width, height):
    """mono-pages: each byte a column of 8 rows, the top in bit 0. Read as LSB-first rows of
    8 pixels, a page is its columns one under the other: Pillow turns it back."""
    shown = Image.new("1", (width, height))
    stack = Image.frombytes("1", (8, len(data)), data, "raw", "1;R")
    for page in range(len(data) // width):
        block = stack.crop((0, page * width, 8, (page + 1) * width))
        shown.paste(block.transpose(Image.Transpose.TRANSPOSE), (0, page * 8))
    return shown


def swapped(data):
    return bytes(b for pair in zip(data[1::2], data[0::2]) for b in pair)


# format: (how Pillow reads the bytes, bits kept of each channel for comparing, bytes in all)
READERS = {
    "rgb565": (lambda d: Image.frombytes("RGB", (WIDTH, HEIGHT), d, "raw", "BGR;16"), (5, 6, 5), 2 * WIDTH * HEIGHT),
    "rgb565be": (lambda d: Image.frombytes("RGB", (WIDTH, HEIGHT), swapped(d), "raw", "BGR;16"), (5, 6, 5), 2 * WIDTH * HEIGHT),
    "rgb666": (lambda d: Image.frombytes("RGB", (WIDTH, HEIGHT), d), (6, 6, 6), 3 * WIDTH * HEIGHT),
    "rgb888": (lambda d: Image.frombytes("RGB", (WIDTH, HEIGHT), d), (8, 8, 8), 3 * WIDTH * HEIGHT),
    "gray8": (lambda d: Image.frombytes("L", (WIDTH, HEIGHT), d), (8,), WIDTH * HEIGHT),
    "gray4": (lambda d: Image.frombytes("L", (WIDTH, HEIGHT), d, "raw", "L;4"), (4,), 7 * HEIGHT),
    "mono": (lambda d: Image.frombytes("1", (WIDTH, HEIGHT), d), (1,), 2 * HEIGHT),
    "mono-lsb": (lambda d: Image.frombytes("1", (WIDTH, HEIGHT), d, "raw", "1;R"), (1,), 2 * HEIGHT),
    "mono-pages": (lambda d: pages(d, WIDTH, HEIGHT), (1,), WIDTH * 2),
}


def codes(image, bits):
    """Each pixel's channels cut to the format's bits: Pillow and the preview widen codes to
    8 bits each in their own way, and both keep the code in the top bits."""
    mode = "RGB" if len(bits) == 3 else "L"
    pixels = image.convert(mode).getdata()
    if mode == "L":
        pixels = ((p,) for p in pixels)
    return [tuple(c >> (8 - n) for c, n in zip(p, bits)) for p in pixels]


def main():
    export = sys.argv[1]
    passed = failures = 0
    with tempfile.TemporaryDirectory() as folder:
        picture = os.path.join(folder, "picture.png")
        Image.frombytes("RGB", (WIDTH, HEIGHT), bytes(
            (x * 37 + y * 91 + c * 80) % 256 for y in range(HEIGHT) for x in range(WIDTH) for c in range(3)
        )).save(picture)
        for name, (read, bits, size) in READERS.items():
            for dither in ("none", "ordered", "atkinson"):
                if dither != "none" and bits[0] == 8:
                    continue
                binary = os.path.join(folder, "array.bin")
                preview = os.path.join(folder, "shown.png")
                subprocess.run([export, "--format", name, "--dither", dither, "--binary",
                                "--preview", preview, picture, binary], check=True)
                with open(binary, "rb") as file:
                    data = file.read()
                row = f"{name} --dither {dither}"
                if len(data) != size:
                    print(f"{row}: {len(data)} bytes, not {size}")
                    failures += 1
                    continue
                read_codes = codes(read(data), bits)
                shown_codes = codes(Image.open(preview), bits)
                if len(set(shown_codes)) < 2:
                    print(f"{row}: the preview is flat, nothing is compared")
                    failures += 1
                wrong = [i for i, (a, b) in enumerate(zip(read_codes, shown_codes)) if a != b]
                if wrong:
                    i = wrong[0]
                    print(f"{row}: {len(wrong)} pixels differ, first at {i % WIDTH}, {i // WIDTH}: "
                          f"read {read_codes[i]}, shown {shown_codes[i]}")
                    failures += 1
                else:
                    print(f"{row}: {WIDTH * HEIGHT} pixels agree")
                    passed += 1
    print(f"{passed} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
