#!/usr/bin/env python3
"""Makes a seeded folder tree for the walk benchmark.

Files are sparse (their sizes cost no disk blocks), sizes come from a small
set so many are equal, and a few files and folders are hidden.
"""
import argparse
import os
import random

SIZES = [0, 1, 100, 512, 4096, 65536, 1_000_000, 123_456_789]
WORDS = ["photo", "rapport", "facture", "notes", "été", "image", "copie", "data", "zeta"]
EXTENSIONS = [".jpg", ".txt", ".pdf", ".doc", ".png", ""]


def make_file(path, size):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        os.ftruncate(fd, size)
    finally:
        os.close(fd)


def file_name(rng, index):
    name = f"{rng.choice(WORDS)}_{index}{rng.choice(EXTENSIONS)}"
    return "." + name if rng.random() < 0.02 else name


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("target", help="folder to fill (created if missing)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--files", type=int, default=200_000)
    parser.add_argument("--folders", type=int, default=10_000)
    parser.add_argument("--depth", type=int, default=14)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    os.makedirs(args.target, exist_ok=True)
    folders = [(args.target, 0)]
    while len(folders) < args.folders:
        parent, depth = rng.choice(folders)
        if depth >= args.depth:
            continue
        name = f"{rng.choice(WORDS)}_{len(folders)}"
        if rng.random() < 0.01:
            name = "." + name
        path = os.path.join(parent, name)
        os.mkdir(path)
        folders.append((path, depth + 1))
    for index in range(args.files):
        folder, _ = rng.choice(folders)
        make_file(os.path.join(folder, file_name(rng, index)), rng.choice(SIZES))
    print(f"{args.files} files in {len(folders)} folders under {args.target}")


if __name__ == "__main__":
    main()
