#!/usr/bin/env python3
"""Writes a reproducible corpus of installable files: text-like, binary-like, incompressible and
duplicate files in nested folders, sized like a real application (about SIZE_MB in COUNT files)."""
import os
import random
import sys

def main():
    out = sys.argv[1]
    size_mb = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 3000
    rng = random.Random(20261210)
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10))) for _ in range(4000)]
    target = size_mb * 1024 * 1024
    # Sizes from a skewed distribution: many small files, a few large ones.
    sizes = [int(rng.paretovariate(1.2) * 4096) for _ in range(count)]
    scale = target / sum(sizes)
    sizes = [max(0, int(s * scale)) for s in sizes]
    made = []
    for i, size in enumerate(sizes):
        folder = os.path.join(out, "dir%02d" % (i % 17), "sub%d" % (i % 5))
        os.makedirs(folder, exist_ok=True)
        kind = i % 10
        if kind < 5:    # text: source, logs, documentation
            parts, n = [], 0
            while n < size:
                w = rng.choice(words)
                parts.append(w)
                n += len(w) + 1
            data = b" ".join(parts)[:size]
        elif kind < 8:  # binary-like: structured records with some noise
            rec = bytes(rng.getrandbits(8) for _ in range(64))
            data = bytearray(rec * (size // 64 + 1))[:size]
            for j in range(0, size, 97):
                data[j] = rng.getrandbits(8)
            data = bytes(data)
        elif kind < 9:  # already compressed
            data = rng.randbytes(size)
        else:           # a copy of an earlier file: installers ship duplicates
            data = made[rng.randrange(len(made))] if made else b""
        made.append(data if len(data) < 4 << 20 else data[: 1 << 20])
        name = "file %d%s" % (i, [".txt", ".log", ".dll", ".bin", ".dat"][i % 5])
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)

if __name__ == "__main__":
    main()
