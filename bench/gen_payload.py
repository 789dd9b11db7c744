#!/usr/bin/env python3
"""Generates an application-like payload: a few hundred files in nested folders and one
large file; about 60% of the bytes compress like text and code, 40% are incompressible
(images, archives). Deterministic for a given size and seed. With BIG_FILES, shaped like
a game or a large application instead: 60% of the bytes in that many files (each over
4 MB, below assets/), no single large file, the rest as before.

usage: gen_payload.py OUT_DIR TOTAL_MB [LARGE_MB [BIG_FILES]]
"""
import os
import random
import sys

def text_pool(rng, size):
    words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz_') for _ in range(rng.randint(2, 10)))
             for _ in range(3000)]
    words += ['int', 'return', 'if', 'for', '{', '}', '(', ')', ';', '\n', '    ', '=', '+', 'void']
    out = []
    n = 0
    while n < size:
        w = rng.choice(words)
        out.append(w)
        out.append(' ')
        n += len(w) + 1
    return ''.join(out).encode()[:size]

def content(rng, pool, size):
    """60% compressible slices, 40% random bytes, interleaved in blocks."""
    parts = []
    left = size
    while left > 0:
        block = min(left, rng.randint(16 << 10, 256 << 10))
        if rng.random() < 0.6:
            start = rng.randrange(0, len(pool) - block) if len(pool) > block else 0
            parts.append(pool[start:start + block])
        else:
            parts.append(rng.randbytes(block))
        left -= block
    return b''.join(parts)[:size]

def main():
    out, total_mb = sys.argv[1], int(sys.argv[2])
    large_mb = int(sys.argv[3]) if len(sys.argv) > 3 else total_mb // 4
    big_files = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    rng = random.Random(20261210)
    pool = text_pool(rng, 8 << 20)
    total = total_mb << 20
    large = large_mb << 20
    os.makedirs(out, exist_ok=True)
    if big_files:
        large = 0
        each = total * 6 // 10 // big_files
        os.makedirs(os.path.join(out, 'assets'), exist_ok=True)
        for b in range(big_files):
            with open(os.path.join(out, 'assets', 'pack%d.dat' % b), 'wb') as f:
                left = each
                while left > 0:
                    n = min(left, 8 << 20)
                    f.write(content(rng, pool, n))
                    left -= n
        large = each * big_files
    else:
        with open(os.path.join(out, 'app.dat'), 'wb') as f:
            left = large
            while left > 0:
                n = min(left, 8 << 20)
                f.write(content(rng, pool, n))
                left -= n
    left = total - large
    i = 0
    while left > 0:
        size = min(left, 8 << 20, int(rng.paretovariate(1.2) * (64 << 10)))
        folder = os.path.join(out, 'lib', 'part%d' % (i % 7), 'sub%d' % (i % 3))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, 'file%04d.bin' % i), 'wb') as f:
            f.write(content(rng, pool, size))
        left -= size
        i += 1
    print('%s: %d files, %d MB' % (out, i + 1, total_mb))

if __name__ == '__main__':
    main()
