#!/usr/bin/python3
"""big_hive.py OUT MEGABYTES: a hive of about MEGABYTES MB written with hivex,
shaped like a SOFTWARE hive (many keys, each with values of every common type
and of a few hundred bytes to a few KiB), for the speed comparison."""
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hivetools  # noqa: E402

import hivex  # noqa: E402


def main():
    out, megabytes = sys.argv[1], int(sys.argv[2])
    rng = random.Random(7)
    with open(out, 'wb') as f:
        f.write(hivetools.minimal_hive())
    h = hivex.Hivex(out, write=True)
    root = h.root()
    target = megabytes * 1024 * 1024 * 0.77  # the data; cells, lists and keys take the rest
    written = 0
    group = 0
    while written < target:
        parent = h.node_add_child(root, 'Group%04d' % group)
        group += 1
        for k in range(40):
            node = h.node_add_child(parent, 'Key%02d \u00e9' % k)
            values = []
            for v in range(24):
                kind = (1, 3, 4, 7, 2, 11)[v % 6]
                if kind == 4:
                    data = rng.randbytes(4)
                elif kind == 11:
                    data = rng.randbytes(8)
                elif kind in (1, 2, 7):
                    data = ('C:\\Program Files\\App%d\\bin\\tool%d.exe' % (v, k) * rng.randrange(1, 20) + '\0').encode('utf-16-le')
                else:
                    data = rng.randbytes(rng.randrange(100, 4000))
                values.append({'key': 'Value%02d' % v, 't': kind, 'value': data})
                written += len(data) + 64
            h.node_set_values(node, values)
    h.commit(out)
    print('%s: %d bytes, %d groups of 40 keys of 24 values' % (out, os.path.getsize(out), group))


if __name__ == '__main__':
    main()
