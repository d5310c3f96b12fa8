#!/usr/bin/env python3
"""Makes a seeded folder tree for the walk benchmark.

Files are sparse (their sizes cost no disk blocks), sizes come from a small
set so many are equal, and a few files and folders are hidden.

With --contents, makes instead about 1 GB of real bytes for the benchmark of
the search by contents: copies, same-size files one byte apart (first, middle
or last byte), big files, many small files of a few sizes, empty files, and
hard and symbolic links unless --no-links; a few names are hidden, many have
spaces. Links are made last, so a tree made with --no-links is the same tree
without its links.
"""
import argparse
import math
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


KIB, MIB = 1 << 10, 1 << 20
CONTENT_WORDS = ["photo", "rapport annuel", "facture", "notes", "été", "image", "copie",
                 "données", "zeta"]
SMALL_SIZES = [512, 1024, 4096, 8192]


class ContentTree:
    def __init__(self, root, rng, folders):
        self.rng = rng
        self.folders = [root]
        self.files = []
        self.bytes = 0
        self.names = 0
        while len(self.folders) < folders:
            parent = rng.choice(self.folders)
            if parent.count(os.sep) - root.count(os.sep) < 6:
                path = os.path.join(parent, f"{rng.choice(CONTENT_WORDS)} {len(self.folders)}")
                os.mkdir(path)
                self.folders.append(path)

    def name(self, folder):
        """A new path in folder; some names are hidden, some have spaces."""
        self.names += 1
        name = f"{self.rng.choice(CONTENT_WORDS)}_{self.names}{self.rng.choice(EXTENSIONS)}"
        return os.path.join(folder, "." + name if self.rng.random() < 0.02 else name)

    def log_size(self, low, high):
        return int(math.exp(self.rng.uniform(math.log(low), math.log(high))))

    def write(self, size, targets):
        """Writes one random content of size bytes to each path of targets, a
        list of (path, offset): the byte at offset, when not None, is flipped."""
        outputs = [(open(path, "wb"), offset) for path, offset in targets]
        try:
            for start in range(0, size, MIB):
                chunk = self.rng.randbytes(min(MIB, size - start))
                for output, offset in outputs:
                    if offset is not None and start <= offset < start + len(chunk):
                        changed = bytearray(chunk)
                        changed[offset - start] ^= 0xFF
                        output.write(changed)
                    else:
                        output.write(chunk)
        finally:
            for output, _ in outputs:
                output.close()
        self.files += [path for path, _ in targets]
        self.bytes += size * len(targets)

    def copies(self, size, count):
        """count copies of one content in different folders, sometimes one of
        them beside the first under another name."""
        folders = self.rng.sample(self.folders, count)
        paths = [self.name(folder) for folder in folders]
        if count > 2 and self.rng.random() < 0.25:
            paths[-1] = os.path.join(folders[0], "copie de " + os.path.basename(paths[0]))
        self.write(size, [(path, None) for path in paths])

    def one_byte_apart(self, size):
        """A file and its variants at the first, the middle and the last byte;
        half the time an exact copy too."""
        offsets = [None, 0, size // 2, size - 1]
        if self.rng.random() < 0.5:
            offsets.append(None)
        self.write(size, [(self.name(self.rng.choice(self.folders)), o) for o in offsets])

    def link(self, count, symbolic):
        for target in self.rng.sample(self.files, count):
            folder = self.rng.choice(self.folders)
            word = "raccourci" if symbolic else "lien"
            self.names += 1
            path = os.path.join(folder, f"{word} {self.names} {os.path.basename(target)}")
            if symbolic:
                os.symlink(os.path.relpath(target, folder), path)
            else:
                os.link(target, path)
            self.files.append(path)


def make_contents(root, seed, links):
    root = os.path.normpath(root)
    if os.path.exists(root) and os.listdir(root):
        raise SystemExit(f"{root} is not empty")
    os.makedirs(root, exist_ok=True)
    rng = random.Random(seed)
    tree = ContentTree(root, rng, 300)
    # Big files: an identical pair, and a pair one byte apart near the end.
    tree.copies(rng.randrange(128 * MIB, 160 * MIB), 2)
    size = rng.randrange(64 * MIB, 96 * MIB)
    tree.write(size, [(tree.name(f), o) for f, o in zip(rng.sample(tree.folders, 2),
                                                         [None, size - 5000])])
    budget = tree.bytes + 300 * MIB
    while tree.bytes < budget:
        tree.copies(tree.log_size(1, 8 * MIB), rng.randint(2, 5))
    budget = tree.bytes + 80 * MIB
    while tree.bytes < budget:
        tree.one_byte_apart(tree.log_size(4 * KIB, 4 * MIB))
    for _ in range(30_000):
        size = rng.choice(SMALL_SIZES)
        if rng.random() < 0.04:
            tree.copies(size, rng.randint(2, 3))
        else:
            tree.write(size, [(tree.name(rng.choice(tree.folders)), None)])
    for _ in range(60):
        tree.write(0, [(tree.name(rng.choice(tree.folders)), None)])
    regular = len(tree.files)
    if links:
        tree.link(40, symbolic=False)
        tree.link(40, symbolic=True)
    print(f"{regular} files of {tree.bytes} bytes, {len(tree.files) - regular} links, "
          f"{len(tree.folders)} folders under {root}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("target", help="folder to fill (created if missing)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--files", type=int, default=200_000)
    parser.add_argument("--folders", type=int, default=10_000)
    parser.add_argument("--depth", type=int, default=14)
    parser.add_argument("--contents", action="store_true",
                        help="about 1 GB of real contents for the search by contents")
    parser.add_argument("--no-links", action="store_true",
                        help="with --contents, no hard or symbolic links")
    args = parser.parse_args()
    if args.contents:
        make_contents(args.target, args.seed, not args.no_links)
        return

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
