#!/usr/bin/env python3
"""churn_writer.py FOLDER SECONDS [--prefix W] [--pool 300] [--seed N] [--started FILE] [--report FILE]

Churn on the Linux side of a read-write ntfs-3g mount, as fast as one process
can: creates (visible, hidden or system), renames (also between .DLL and .TMP),
deletes, hides and unhides files in FOLDER for SECONDS (or until SIGTERM). It
only ever touches files it created itself, all named PREFIX + hex digits in
8.3 upper case, so whatever else lies in FOLDER stays as it was. Hiding sets
both the NTFS attribute (what the volume's MFT holds) and Wine's own
user.DOSATTRIB (what the directory query and the Win32 search under Wine
report), one right after the other, as a program on Windows changes one.

The report (JSON) holds the operations done, by kind, the seconds spent, the
rate, the errors met, and every name the writer gave a file."""
import argparse
import json
import os
import random
import signal
import sys
import time

HIDDEN, SYSTEM, ARCHIVE = 0x2, 0x4, 0x20
NTFS_ATTRIB = "system.ntfs_attrib_be"
WINE_ATTRIB = "user.DOSATTRIB"


def set_attributes(path, attributes):
    """Gives the file `attributes` (hidden, system) in both views."""
    os.setxattr(path, NTFS_ATTRIB, (ARCHIVE | attributes).to_bytes(4, "big"))
    if attributes:
        os.setxattr(path, WINE_ATTRIB, b"0x%x" % attributes)
    else:
        # Wine itself removes the attribute when no DOS bit is left.
        try:
            os.removexattr(path, WINE_ATTRIB)
        except OSError:
            pass


class Writer:
    def __init__(self, folder, prefix, pool, rng):
        self.folder = folder
        self.prefix = prefix
        self.pool = pool
        self.rng = rng
        self.counter = 0
        self.live = []        # names that exist now
        self.where = {}       # name -> index in self.live
        self.attributes = {}  # name -> hidden/system bits it carries now
        self.touched = set()
        self.done = {"create": 0, "rename": 0, "delete": 0, "hide": 0, "unhide": 0}
        self.errors = {}

    def new_name(self):
        self.counter += 1
        digits = 8 - len(self.prefix)
        extension = "TMP" if self.rng.random() < 0.2 else "DLL"
        name = f"{self.prefix}{self.counter % 16**digits:0{digits}X}.{extension}"
        self.touched.add(name)
        return name

    def path(self, name):
        return os.path.join(self.folder, name)

    def add(self, name, attributes):
        self.where[name] = len(self.live)
        self.live.append(name)
        self.attributes[name] = attributes

    def remove(self, name):
        at = self.where.pop(name)
        last = self.live.pop()
        if last != name:
            self.live[at] = last
            self.where[last] = at
        del self.attributes[name]

    def pick(self, want_hidden=None):
        """A live name, hidden or not when asked; None when there is none soon."""
        for _ in range(8):
            name = self.live[self.rng.randrange(len(self.live))]
            if want_hidden is None or bool(self.attributes[name]) == want_hidden:
                return name
        return None

    def create(self):
        name = self.new_name()
        fd = os.open(self.path(name), os.O_CREAT | os.O_EXCL | os.O_WRONLY, 0o644)
        try:
            # ntfs-3g shows a system file of 0 or 1 bytes as a FIFO or a socket (Interix).
            os.write(fd, b"x" * self.rng.randrange(2, 64))
        finally:
            os.close(fd)
        attributes = self.rng.choice((0, 0, HIDDEN, SYSTEM))
        self.add(name, attributes)
        if attributes:
            set_attributes(self.path(name), attributes)
        return "create"

    def rename(self):
        old = self.pick()
        new = self.new_name()
        os.rename(self.path(old), self.path(new))
        attributes = self.attributes[old]
        self.remove(old)
        self.add(new, attributes)
        return "rename"

    def delete(self):
        name = self.pick()
        os.unlink(self.path(name))
        self.remove(name)
        return "delete"

    def hide(self):
        name = self.pick(want_hidden=False)
        if name is None:
            return None
        attributes = self.rng.choice((HIDDEN, HIDDEN, SYSTEM, HIDDEN | SYSTEM))
        set_attributes(self.path(name), attributes)
        self.attributes[name] = attributes
        return "hide"

    def unhide(self):
        name = self.pick(want_hidden=True)
        if name is None:
            return None
        set_attributes(self.path(name), 0)
        self.attributes[name] = 0
        return "unhide"

    def step(self):
        """One operation, chosen so that the folder holds about `pool` files."""
        count = len(self.live)
        if count < self.pool // 2:
            action = self.create
        elif count > self.pool:
            action = self.delete
        else:
            action = self.rng.choice((self.create, self.create, self.rename, self.rename, self.delete,
                                      self.delete, self.hide, self.unhide))
        try:
            kind = action()
        except OSError as error:
            key = f"{action.__name__}: {os.strerror(error.errno) if error.errno else error}"
            self.errors[key] = self.errors.get(key, 0) + 1
            return
        if kind:
            self.done[kind] += 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("seconds", type=float)
    parser.add_argument("--prefix", default="W")
    parser.add_argument("--pool", type=int, default=300)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--started", help="file made once the writer has written for a moment")
    parser.add_argument("--report", help="JSON report (default: standard output)")
    args = parser.parse_args()
    if not 1 <= len(args.prefix) <= 4 or not args.prefix.isalnum() or args.prefix != args.prefix.upper():
        parser.error("--prefix: one to four upper-case letters or digits")

    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(True))
    writer = Writer(args.folder, args.prefix, args.pool, random.Random(args.seed))
    os.makedirs(args.folder, exist_ok=True)
    start = time.monotonic()
    deadline = start + args.seconds
    announced = args.started is None
    steps = 0
    now = start
    while not stop and now < deadline:
        writer.step()
        steps += 1
        if steps % 32 == 0 or not announced:
            now = time.monotonic()
            if not announced and now - start >= 0.3:
                with open(args.started, "w", encoding="ascii") as f:
                    f.write(f"{steps}\n")
                announced = True
    seconds = time.monotonic() - start
    operations = sum(writer.done.values())
    report = {
        "folder": args.folder,
        "prefix": args.prefix,
        "seconds": round(seconds, 3),
        "operations": operations,
        "rate": round(operations / seconds, 1) if seconds > 0 else 0.0,
        "done": writer.done,
        "errors": writer.errors,
        "live": len(writer.live),
        "touched": sorted(writer.touched),
    }
    text = json.dumps(report)
    if args.report:
        with open(args.report, "w", encoding="ascii") as f:
            f.write(text + "\n")
    else:
        print(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
