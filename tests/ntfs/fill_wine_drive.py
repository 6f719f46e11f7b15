#!/usr/bin/env python3
"""Fills the test prefix's drive D: (an ntfs-3g mount) with what the scenarios
list: SCAN, where the ntdll hider's marked files lie beside ordinary ones,
TREE, a few hundred files in three levels for comparing the raw listing with the
NT query's, HIVES, a registry hive whose last write sits in its log, and
CONFIG\SOFTWARE, a SOFTWARE-like hive whose autostart keys the registry
scenarios also write into Wine's registry (tests/e2e/RegistryScene.cpp holds the
same), with CLEAN\SOFTWARE, the same without the value whose name holds a NUL
(which the Win32 API never returns whole), and INDEXEDIT, whose index is
edited on the image to leave one file out. Names fit 8.3 in upper case, so Wine invents no short names of its
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

    # A folder whose index loses GHOST.DLL once the image is unmounted
    # (wine-drive.sh, drop_index_entry.py): its record alone names the folder.
    make(os.path.join(root, "INDEXEDIT", "GHOST.DLL"), 6)
    make(os.path.join(root, "INDEXEDIT", "SEEN.DLL"), 1)

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

    software_hive(os.path.join(root, "CONFIG"), hivetools, True)
    software_hive(os.path.join(root, "CLEAN"), hivetools, False)


def utf16z(text):
    return (text + "\0").encode("utf-16-le")


# The autostart keys of CONFIG\SOFTWARE, as tests/e2e/RegistryScene.cpp writes
# them into Wine's registry: a REG_SZ each, but LoadAppInit_DLLs (REG_DWORD).
# QVROOT... and AppInit_DLLs are what the ntdll hider hides; "Nul?Named" gets a
# NUL for its "?" once hivex has written it (hivex takes no NUL in a name).
NT = "Microsoft\\Windows NT\\CurrentVersion\\"
RUN = "Microsoft\\Windows\\CurrentVersion\\"
SOFTWARE_KEYS = {
    NT + "Windows": [("AppInit_DLLs", 1, utf16z("C:\\windows\\qvinit.dll")),
                     ("LoadAppInit_DLLs", 4, (1).to_bytes(4, "little"))],
    NT + "Winlogon": [("Shell", 1, utf16z("explorer.exe"))],
    RUN + "Run": [("Shown", 1, utf16z("C:\\windows\\shown.exe")),
                  ("QVROOTRUN", 1, utf16z("C:\\windows\\qvroot.exe")),
                  ("Nul?Named", 1, utf16z("C:\\windows\\nulnamed.exe"))],
    RUN + "RunOnce": [],
}
# Image File Execution Options: one subkey shown, one the hider hides; Wine's
# 32-bit view of the key is a link to the 64-bit one, so WOW6432Node holds the same.
IFEO_SUBKEYS = {"SHOWN.EXE": "shown", "QVROOT.EXE": "hidden"}


def software_hive(folder, hivetools, nul_name):
    try:
        import hivex
    except ImportError:
        return  # without hivex's Python bindings the registry scenarios say they were skipped
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "SOFTWARE")
    with open(path, "wb") as f:
        f.write(hivetools.minimal_hive())
    h = hivex.Hivex(path, write=True)

    def key(path_below_root):
        node = h.root()
        for name in path_below_root.split("\\"):
            node = h.node_get_child(node, name) or h.node_add_child(node, name)
        return node

    for path_below_root, values in SOFTWARE_KEYS.items():
        h.node_set_values(key(path_below_root), [{"key": n.replace("?", "X"), "t": t, "value": v}
                                                 for n, t, v in values if nul_name or "?" not in n])
    for prefix in ("", "Wow6432Node\\"):
        ifeo = key(prefix + NT + "Image File Execution Options")
        for name, comment in IFEO_SUBKEYS.items():
            sub = h.node_get_child(ifeo, name) or h.node_add_child(ifeo, name)
            h.node_set_values(sub, [{"key": "Comment", "t": 1, "value": utf16z(comment)}])
    h.commit(path)
    del h
    if not nul_name:
        return
    with open(path, "rb") as f:
        data = bytearray(f.read())
    at = data.find(b"NulXNamed")
    assert at > 0 and data.find(b"NulXNamed", at + 1) < 0
    data[at + 3] = 0
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
