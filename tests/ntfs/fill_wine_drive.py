#!/usr/bin/env python3
"""Fills the test prefix's drive D: (an ntfs-3g mount) with what the scenarios
list: SCAN, where the ntdll hider's marked files lie beside ordinary ones,
TREE, a few hundred files in three levels for comparing the raw listing with the
NT query's, and HIVES, a registry hive whose last write sits in its log. Names fit 8.3 in upper case, so Wine invents no short names of its
own; hidden and system files get the NTFS attribute."""
import os
import sys

HIDDEN, SYSTEM = 0x2, 0x4


def make(path, size, attributes=0, for_wine_too=False):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"x" * size)
    if attributes:
        os.setxattr(path, "system.ntfs_attrib_be", attributes.to_bytes(4, "big"))
        # Wine keeps its own DOS attributes (a named stream on ntfs-3g): set for
        # files the Win32 search under Wine must also skip.
        if for_wine_too:
            os.setxattr(path, "user.DOSATTRIB", b"0x%x" % attributes)


def main(root):
    scan = os.path.join(root, "SCAN")
    make(os.path.join(scan, "QVROOT1.DLL"), 4)
    make(os.path.join(scan, "VISIBLE.DLL"), 1)
    make(os.path.join(scan, "SUB", "QVROOT2.DLL"), 5)
    make(os.path.join(scan, "SUB", "OTHER.DLL"), 2)

    tree = os.path.join(root, "TREE")
    for a in range(4):
        for b in range(3):
            folder = os.path.join(tree, f"A{a}", f"B{b}")
            for i in range(25):
                attributes = HIDDEN if i % 7 == 0 else SYSTEM if i % 11 == 0 else 0
                make(os.path.join(folder, f"F{i:03}.DAT"), (a * 100 + b * 10 + i) * 3, attributes)
        make(os.path.join(tree, f"A{a}", "TOP.TXT"), a)
    os.link(os.path.join(tree, "A0", "B0", "F001.DAT"), os.path.join(tree, "A1", "LINK.DAT"))
    os.makedirs(os.path.join(tree, "EMPTY"), exist_ok=True)

    # Names Windows refuses but a hostile volume can hold: a line break with a
    # path between, and the listing's own note on an unread folder.
    hostile = os.path.join(root, "HOSTILE")
    make(os.path.join(hostile, "A.DLL\r\nC:\\WINDOWS\\SYSTEM32\\\r\nB.DLL"), 3, HIDDEN)
    make(os.path.join(hostile, "FOLDER-NOT-READ:"), 1, HIDDEN)
    make(os.path.join(hostile, "HIDDEN.DLL"), 2, HIDDEN, True)
    make(os.path.join(hostile, "SEEN.DLL"), 2)

    # A volume without 8.3 names, as most non-system NTFS volumes are: ntfs-3g
    # writes none, so the raw view lists names and headings with blanks.
    blanks = os.path.join(root, "BLANKS")
    make(os.path.join(blanks, "My Folder", "My Hidden File.dll"), 5, HIDDEN, True)
    make(os.path.join(blanks, "My Folder", "My Visible File.dll"), 1)
    make(os.path.join(blanks, "Program"), 1)
    make(os.path.join(blanks, "Program Files.dll"), 1, HIDDEN, True)

    # A dirty hive: its root key is named LOGGED only once the .LOG1 is applied.
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "hive"))
    import hivetools
    hives = os.path.join(root, "HIVES")
    os.makedirs(hives, exist_ok=True)
    before = hivetools.minimal_hive()
    after = hivetools.renamed_root(before, "LOGGED")
    with open(os.path.join(hives, "SOFTWARE"), "wb") as f:
        f.write(hivetools.dirty_primary(before, 2))
    with open(os.path.join(hives, "SOFTWARE.LOG1"), "wb") as f:
        f.write(hivetools.new_format_logs(before, after, 2)[0])


if __name__ == "__main__":
    main(sys.argv[1])
