#!/usr/bin/env python3
"""Writes seed inputs for capsift_fuzz into the folder given as argument.

Each seed is four seed bytes (sample cutting, times, resets) followed by a
small MPEG-2 video elementary stream with "GA94" caption user data: frame
pictures in a reordered group, field pictures, a stream without sequence
extension, and a damaged one.
"""
import os
import sys


def sc(value):
    return bytes([0, 0, 1, value])


def sequence(mpeg1=False):
    out = sc(0xB3) + bytes([0x0B, 0x00, 0x90, 0x24, 0x00, 0x7D, 0x23, 0x80])
    if not mpeg1:
        out += sc(0xB5) + bytes([0x14, 0x8A, 0x00, 0x01, 0x00, 0x00])
    return out


def group():
    return sc(0xB8) + bytes([0x00, 0x08, 0x00, 0x40])


def picture(kind, structure=3, pairs=(), coding_ext=True):
    header = {1: bytes([0x00, 0x0F, 0xFF, 0xF8]), 2: bytes([0x00, 0x17, 0xFF, 0xFF, 0x80]),
              3: bytes([0x00, 0x1F, 0xFF, 0xFF, 0xF8])}[kind]
    out = sc(0x00) + header
    if coding_ext:
        out += sc(0xB5) + bytes([0x8F, 0xFF, 0xF0 | structure, 0x80, 0x80])
    if pairs:
        out += sc(0xB2) + b"GA94" + bytes([0x03, 0xC0 | len(pairs), 0xFF])
        for a, b in pairs:
            out += bytes([0xFC, a, b])
        out += bytes([0xFF])
    out += sc(0x01) + bytes(range(0x10, 0x60))
    return out


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    gop = [(1, 0), (2, 3), (3, 1), (3, 2), (2, 6), (3, 4), (3, 5)]
    frames = b"".join(picture(t, pairs=[(0xC1 + n, 0x41 + n), (0x80, 0x80)]) for t, n in gop)
    fields = b"".join(picture(t, s, [(0x94, 0x20 + i)]) for i, (t, s) in
                      enumerate([(1, 1), (2, 2), (2, 1), (2, 2), (3, 1), (3, 2)]))
    mpeg1 = b"".join(picture(t, pairs=[(0x41, 0x42)], coding_ext=False) for t in (1, 2, 3, 3))
    seeds = {
        "frames": sequence() + group() + frames + sequence() + group() + frames + sc(0xB7),
        "fields": sequence() + group() + fields + sc(0xB7),
        "mpeg1": sequence(True) + group() + mpeg1 + sc(0xB7),
        "damaged": sequence() + group() + frames[:50] + sc(0x00) + bytes([0x00, 0x08]) + frames,
    }
    for name, stream in seeds.items():
        for i, prefix in enumerate((b"\x00\x00\x00\x00", b"\x5A\x13\x77\x01")):
            with open(os.path.join(folder, f"{name}-{i}"), "wb") as f:
                f.write(prefix + stream)


if __name__ == "__main__":
    main()
