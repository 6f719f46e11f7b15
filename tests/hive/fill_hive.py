#!/usr/bin/python3
"""fill_hive.py OUT SEED KEYS [--lists] [--change BASE]

Fills a hive with hivex: values of every type and of sizes around each storage
boundary (inline, one cell, big data), names in ASCII, Latin-1 and outside it,
a key with KEYS subkeys and smaller lists, deleted keys and overwritten values
(free cells), keys merged by hivexregedit and added by hivexsh. Then reshapes
it (hivetools) so that big values sit in db cells and, with --lists, subkey
lists take the lf, li and ri forms (which hivex itself cannot change later).
With --change, starts from BASE (a hive this script made without --lists) and
changes it instead, as a later state of the same hive."""
import os
import random
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hivetools  # noqa: E402

import hivex  # noqa: E402

TYPES = [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x12345, 0xFFFF0001]
SIZES = [0, 1, 2, 3, 4, 5, 8, 100, 4000, 16344, 16345, 40000]
STRING_TYPES = {1, 2, 6, 7}


def text_bytes(rng, size, multi):
    """UTF-16 text of about `size` bytes, NUL-terminated (twice for REG_MULTI_SZ)."""
    alphabet = 'abcXYZ 019_-\u00e9\u00fc\u4e2d\u6587'
    chars = max(0, size // 2 - (2 if multi else 1))
    text = ''.join(rng.choice(alphabet) for _ in range(chars))
    if multi and chars > 4:
        text = text[:chars // 2] + '\0' + text[chars // 2 + 1:]
    return (text + ('\0\0' if multi else '\0')).encode('utf-16-le')


def child(h, parent, name):
    return h.node_get_child(parent, name) or h.node_add_child(parent, name)


def fill(h, rng, keys):
    root = h.root()
    types = child(h, root, 'Types')
    for t in TYPES:
        node = child(h, types, 'T%x' % t)
        values = []
        for size in SIZES:
            if t in STRING_TYPES:
                data = text_bytes(rng, size, t == 7) if size >= 4 else bytes(size)
            else:
                data = rng.randbytes(size)
            values.append({'key': 's%d' % size, 't': t, 'value': data})
        h.node_set_values(node, values)
    names = child(h, root, 'Names \u00c4\u00df')
    for wide in ['\u4e2d\u6587\u952e', 'Caf\u00e9', 'with space', 'a,b%c']:
        child(h, names, wide)
    h.node_set_values(names, [
        {'key': '', 't': 1, 'value': 'default\0'.encode('utf-16-le')},
        {'key': 'caf\u00e9', 't': 4, 'value': b'\x01\x02\x03\x04'},
        {'key': '\u65e5\u672c\u8a9e', 't': 1, 'value': '\u65e5\u672c\0'.encode('utf-16-le')},
        {'key': 'a,b%c|d', 't': 3, 'value': b'%,|/'},
        {'key': 'x' * 200, 't': 11, 'value': rng.randbytes(8)},
    ])
    many = child(h, root, 'Many')
    for i in range(keys):
        child(h, many, 'Sub%05d' % i)
    for count in (3, 7, 30, 100):
        node = child(h, root, 'List%d' % count)
        for i in range(count):
            leaf = child(h, node, 'K%03d' % rng.randrange(1000))
            h.node_set_value(leaf, {'key': 'v', 't': 4, 'value': rng.randbytes(4)})
    # Deleted keys and values leave free cells behind.
    gone = child(h, root, 'Deleted')
    for i in range(20):
        node = child(h, gone, 'Gone%02d' % i)
        h.node_set_value(node, {'key': 'big', 't': 3, 'value': rng.randbytes(5000)})
    for i in range(0, 20, 2):
        h.node_delete_child(h.node_get_child(gone, 'Gone%02d' % i))
    for i in range(5):
        h.node_set_value(gone, {'key': 'rewritten', 't': 3, 'value': rng.randbytes(300 + i)})


def change(h, rng):
    root = h.root()
    types = h.node_get_child(root, 'Types')
    node = h.node_get_child(types, 'T3')
    h.node_set_value(node, {'key': 's100', 't': 3, 'value': rng.randbytes(100)})
    h.node_set_value(node, {'key': 'added', 't': 3, 'value': rng.randbytes(30000)})
    h.node_delete_child(h.node_get_child(root, 'Deleted'))
    later = child(h, root, 'Later')
    for i in range(50):
        sub = child(h, later, 'New%02d' % i)
        h.node_set_value(sub, {'key': 'Run', 't': 1, 'value': ('c:\\p%d.exe\0' % i).encode('utf-16-le')})


def run(args, **kw):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, **kw)


def main():
    out, seed, keys = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    options = sys.argv[4:]
    base = options[options.index('--change') + 1] if '--change' in options else None
    rng = random.Random(seed)
    with tempfile.TemporaryDirectory() as work:
        stage = os.path.join(work, 'stage')
        if base:
            shutil.copyfile(base, stage)
        else:
            with open(stage, 'wb') as f:
                f.write(hivetools.minimal_hive())
        h = hivex.Hivex(stage, write=True)
        if base:
            change(h, rng)
        else:
            fill(h, rng, keys)
        h.commit(stage)
        del h
        if not base:
            reg = os.path.join(work, 'merge.reg')
            with open(reg, 'w') as f:
                f.write('Windows Registry Editor Version 5.00\n\n[\\Merged]\n"Str"="hello"\n'
                        '"Dw"=dword:00000010\n"Bin"=hex:01,02,03,04,05\n\n[\\Merged\\Sub]\n@="default"\n')
            run(['hivexregedit', '--merge', stage, reg])
            run(['hivexsh', '-w', stage], input=b'cd \\Merged\nadd FromShell\ncd FromShell\nsetval 1\n'
                b'ShellValue\nstring:from hivexsh\ncommit\n')
        with open(stage, 'rb') as f:
            hive = f.read()
    hive, big = hivetools.big_data(hive)
    made = {}
    if '--lists' in options:
        hive, made = hivetools.reshape_lists(hive)
    with open(out, 'wb') as f:
        f.write(hive)
    print('%s: %d bytes, %d big values, lists %s' % (out, len(hive), big, made))


if __name__ == '__main__':
    main()
