#!/usr/bin/env python3
"""Writes COUNT files of SIZE_MB megabytes each into OUT_DIR (big01.bin, ...): the big
payload of the long-install tests. Each file repeats a 16 KB block of pseudo-random bytes
of its own, so that it packs small and fast but unpacks to its whole size."""
import os
import random
import sys


def main():
    out_dir, count, size_mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    os.makedirs(out_dir, exist_ok=True)
    for i in range(1, count + 1):
        block = random.Random(i).randbytes(16 * 1024)
        chunk = block * 64  # 1 MB
        path = os.path.join(out_dir, "big%02d.bin" % i)
        with open(path + ".tmp", "wb") as f:
            for _ in range(size_mb):
                f.write(chunk)
        os.replace(path + ".tmp", path)


if __name__ == "__main__":
    main()
