#!/usr/bin/env python3
"""Fills a mounted NTFS volume (ntfs-3g) with what a real volume has and a fresh
image lacks: folders several levels deep, long and 8.3 names, names outside
ASCII, hidden, system and read-only files, DOS short names, hard links, a file
whose names spill into extension records ($ATTRIBUTE_LIST), junctions and
symbolic links, sparse and large files, deleted files and reused records, and
a fragmented $MFT.

usage: fill_volume.py MOUNT_DIR FILES [SEED]
"""
import os
import random
import struct
import sys

ATTRIB = "system.ntfs_attrib_be"
DOS_NAME = "system.ntfs_dos_name"
REPARSE = "system.ntfs_reparse_data"


def set_attributes(path, bits):
    os.setxattr(path, ATTRIB, struct.pack(">I", bits))


def reparse_buffer(tag, target, symlink):
    substitute = ("\\??\\" + target).encode("utf-16-le")
    printed = target.encode("utf-16-le")
    if symlink:
        header = struct.pack("<HHHHI", 0, len(substitute), len(substitute), len(printed), 0)
        body = header + substitute + printed
    else:
        header = struct.pack("<HHHH", 0, len(substitute), len(substitute) + 2, len(printed))
        body = header + substitute + b"\0\0" + printed + b"\0\0"
    return struct.pack("<IHH", tag, len(body), 0) + body


class Filler:
    def __init__(self, root, rng):
        self.root = root
        self.rng = rng
        self.folders = [root]
        self.files = []
        self.serial = 0

    def name(self):
        self.serial += 1
        n = self.serial
        kind = self.rng.randrange(8)
        if kind == 0:
            return "F%06d.TXT" % n  # fits 8.3 as it is
        if kind == 1:
            return "f%d.dat" % n  # short but lower case
        if kind == 2:
            return "Long name %d with spaces.document" % n
        if kind == 3:
            return "Ünïcødé-%d.txt" % n
        if kind == 4:
            return "日本語のファイル%d" % n
        if kind == 5:
            return "emoji-\U0001F600-%d.bin" % n  # a surrogate pair in UTF-16
        if kind == 6:
            return "a.b.c.%d.tar.gz" % n
        return "plain%d" % n

    def folder(self, parent):
        path = os.path.join(parent, "dir " + self.name())
        os.mkdir(path)
        self.folders.append(path)
        if self.rng.random() < 0.05:
            set_attributes(path, 0x12)  # hidden folder
        return path

    def file(self, folder=None):
        folder = folder or self.rng.choice(self.folders)
        path = os.path.join(folder, self.name())
        roll = self.rng.random()
        with open(path, "wb") as f:
            if roll < 0.15:
                pass  # empty
            elif roll < 0.75:
                f.write(b"x" * self.rng.randrange(1, 600))  # resident data
            elif roll < 0.98:
                f.write(os.urandom(self.rng.randrange(1000, 6000)))  # non-resident
            else:
                f.truncate(self.rng.randrange(1, 8 << 20))  # sparse (TSK rejects a sparse run longer than the volume)
        roll = self.rng.random()
        if roll < 0.04:
            set_attributes(path, 0x22)  # hidden
        elif roll < 0.06:
            set_attributes(path, 0x26)  # hidden and system
        elif roll < 0.08:
            set_attributes(path, 0x21)  # read-only
        elif roll < 0.09:
            set_attributes(path, 0x04)  # system alone
        self.files.append(path)
        return path

    def tree(self, count):
        count = max(0, count)
        while len(self.folders) < max(4, count // 40):
            parent = self.rng.choice(self.folders)
            if parent.count(os.sep) - self.root.count(os.sep) < 5:
                self.folder(parent)
        for _ in range(count):
            self.file()

    def short_names(self, share):
        for i, path in enumerate(self.files):
            if self.rng.random() < share and len(os.path.basename(path)) > 12:
                try:
                    os.setxattr(path, DOS_NAME, ("S%05d~1.TXT" % i).encode())
                except OSError:
                    pass  # ntfs-3g refuses some names (a folder's or a hard-linked file's); fine

    def hard_links(self, share):
        for path in list(self.files):
            if self.rng.random() < share:
                link = os.path.join(self.rng.choice(self.folders), "link to " + self.name())
                os.link(path, link)

    def many_names(self, links, length):
        """A file with more names than one record holds: ntfs-3g moves them to extension records."""
        folder = self.folder(self.root)
        first = os.path.join(folder, "many names 0".ljust(length, "n"))
        with open(first, "wb") as f:
            f.write(b"many names")
        for i in range(1, links):
            os.link(first, os.path.join(folder, ("many names %d" % i).ljust(length, "n")))

    def reparse_points(self):
        for i in range(3):
            junction = os.path.join(self.rng.choice(self.folders), "junction %d" % i)
            os.mkdir(junction)
            os.setxattr(junction, REPARSE, reparse_buffer(0xA0000003, "C:\\Target%d" % i, False))
            link = os.path.join(self.rng.choice(self.folders), "symlink %d" % i)
            open(link, "wb").close()
            os.setxattr(link, REPARSE, reparse_buffer(0xA000000C, "C:\\file%d.txt" % i, True))

    def churn(self, share):
        """Deletes files, so that records are left not in use and later reused with a new sequence number."""
        keep = []
        for path in self.files:
            if self.rng.random() < share:
                os.unlink(path)
            else:
                keep.append(path)
        self.files = keep

    def fragment_mft(self, count):
        """Fills the volume with two files written in turns and deletes one of them,
        leaving free space in small holes; the MFT, grown past its reserved zone by
        the files created next, is scattered across them."""
        a_path, b_path = os.path.join(self.root, "A"), os.path.join(self.root, "B")
        block = b"\1" * 4096
        with open(a_path, "wb", buffering=0) as a, open(b_path, "wb", buffering=0) as b:
            try:
                while True:
                    a.write(block)
                    b.write(block)
            except OSError:
                pass  # full
        os.unlink(b_path)
        self.tree(count)
        os.unlink(a_path)


def main():
    root, count = sys.argv[1], int(sys.argv[2])
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    filler = Filler(root, rng)
    filler.tree(count // 2)
    filler.churn(0.2)
    filler.fragment_mft(count // 2)
    filler.churn(0.1)
    filler.tree(count // 10)
    filler.short_names(0.1)
    filler.hard_links(0.03)
    filler.many_names(40, 200)
    filler.reparse_points()
    filler.tree(count - len(filler.files))  # deletions above took some away: make up the count
    print("fill: %d files in %d folders" % (len(filler.files), len(filler.folders)))


if __name__ == "__main__":
    main()
