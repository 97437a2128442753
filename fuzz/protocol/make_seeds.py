#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_protocol into the corpus folder beside it.

Each seed is the five bytes of line script and options that FuzzProtocol.cpp
reads (largest read, empty-read mask, stop after read, short write, options),
followed by what a camera sends: whole pictures in both encodings, with and
without check bytes and answers, and a few of the ways a transfer goes wrong.
Run it again after changing it and commit the seeds it writes.
"""

import os
import sys


def header(width, height, data_size, kind, block_size, check, ack):
    fields = [
        width >> 8, width & 0xFF, height >> 8, height & 0xFF,
        (data_size >> 24) & 0xFF, (data_size >> 16) & 0xFF, (data_size >> 8) & 0xFF,
        data_size & 0xFF, kind, 0, 0, 0, block_size >> 8, block_size & 0xFF, check,
        ack >> 8, ack & 0xFF,
    ]
    total = sum(fields) & 0xFF
    exclusive = 0
    for b in fields:
        exclusive ^= b
    return bytes(fields + [total, exclusive])


def xor_of(data):
    value = 0
    for b in data:
        value ^= b
    return value


def encode(data, hex_text, lower=False):
    if not hex_text:
        return bytes(data)
    text = "".join("%02X" % b for b in data)
    return (text.lower() if lower else text).encode("ascii")


def pattern(count, seed):
    out = []
    value = seed
    for _ in range(count):
        value = (value * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((value >> 16) & 0xFF)
    return out


def picture(data, block_size=64, check=1, ack=1, hex_text=False, kind=1, width=640,
            height=480, rejects=None, lower=False, break_xor=False):
    """The camera's side of one picture; rejects maps a block number to the
    number of times it is first sent with a wrong check byte."""
    rejects = rejects or {}
    head = bytearray(header(width, height, len(data), kind, block_size, check, ack))
    if break_xor:
        head[18] ^= 0x01
    out = bytearray(b"\xAA\x55" if hex_text else b"\x55\xAA")
    out += encode(head, hex_text, lower)
    if block_size == 0:
        for start in range(0, len(data), 100):
            out += encode(data[start:start + 100], hex_text, lower)
        if check:
            out += encode([xor_of(data)], hex_text, lower)
        return bytes(out)
    starts = list(range(0, len(data), block_size)) or [0]
    for number, start in enumerate(starts):
        block = data[start:start + block_size]
        for _ in range(rejects.get(number, 0)):
            wrong = (xor_of(block) ^ 0x5A) if check else 0
            out += encode(block + ([wrong] if check else []), hex_text, lower)
        out += encode(block + ([xor_of(block)] if check else []), hex_text, lower)
    return bytes(out)


def script(max_chunk=0, empty_mask=0, stop_after_read=0, short_write=0, short_takes=0,
           open_fails=False, file_before=False, calls=1):
    options = (1 if open_fails else 0) | (2 if file_before else 0) | ((calls - 1) << 2)
    return bytes([max_chunk, empty_mask, stop_after_read,
                  (short_write & 0x7F) | (0x80 if short_takes else 0), options])


SEEDS = {
    "binary-jpeg-checks-answers": script() + picture(pattern(300, 1)),
    "hex-jpeg-checks-answers": script() + picture(pattern(120, 2), block_size=32,
                                                  hex_text=True),
    "binary-jpeg-final-check": script() + picture(pattern(250, 3), block_size=0, ack=0),
    "hex-jpeg-lower-case-no-checks": script() + picture(
        pattern(130, 4), block_size=0, check=0, ack=0x0100, hex_text=True, lower=True),
    "binary-bitmap": script() + picture(pattern(32, 5), block_size=16, kind=0, width=8,
                                        height=4),
    "hex-bitmap-rejected-twice": script() + picture(
        pattern(15, 6), block_size=8, kind=0, width=5, height=3, hex_text=True,
        rejects={0: 2}),
    "binary-three-rejections": script() + picture(pattern(40, 7), block_size=16,
                                                  rejects={1: 3}),
    "binary-answers-without-checks": script() + picture(pattern(90, 8), block_size=40,
                                                        check=0),
    "junk-then-55-55-aa-in-pieces": script(max_chunk=3, empty_mask=0x12) + bytes(
        [0x00, 0x13, 0xAA, 0xAA, 0x01, 0x55, 0x55]) + picture(pattern(50, 9))[1:],
    "hex-junk-aa-aa-55": script(max_chunk=7) + b"\xAA" + picture(
        pattern(20, 10), block_size=8, hex_text=True),
    "two-pictures-two-calls": script(calls=2) + picture(pattern(60, 11), block_size=25) +
    picture(pattern(30, 12), block_size=0, hex_text=True),
    "hex-final-answer-short": script(short_write=2, short_takes=1) + picture(
        pattern(50, 13), block_size=0, check=1, hex_text=True),
    "hex-block-answer-short": script(short_write=3) + picture(
        pattern(50, 14), block_size=20, hex_text=True),
    "empty-pictures-three-forms": script(calls=3) + picture([], block_size=16) +
    picture([], block_size=0, check=1) + picture([], block_size=0, check=0, ack=0),
    "open-fails": script(open_fails=True) + picture(pattern(40, 15)),
    "file-before-stop-in-data": script(stop_after_read=5, file_before=True) + picture(
        pattern(80, 16), block_size=10),
    "wrong-header-then-good": script(calls=2) + picture(pattern(20, 17), break_xor=True)[:21] +
    picture(pattern(20, 18), block_size=0),
    "binary-pixels-beyond-bitmap": script() + picture(pattern(40, 19), block_size=0, check=0,
                                                      ack=0, kind=0, width=3, height=2),
    # Pixel memory the receiver refuses to allocate: the picture fails whole.
    "bitmap-too-large-for-memory": script(calls=2) + picture(
        pattern(10, 20), block_size=0, check=0, ack=1, kind=0, width=65535, height=2000) +
    picture([], block_size=0, check=0, ack=0, kind=0, width=40000, height=40000),
}


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(folder, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as seed:
            seed.write(data)
    print("%d seeds, %d bytes" % (len(SEEDS), sum(len(d) for d in SEEDS.values())),
          file=sys.stderr)


if __name__ == "__main__":
    main()
