"""Writes registry hive files from the format's description, for the tests:
a minimal hive (base block, one bin, a root key with a security cell) that
hivex can then fill, and transaction logs (old and new format) made from the
pages in which two hives differ. Nothing here reads a hive's keys."""
import struct

PAGE = 4096
SECTOR = 512
LOG_SEED = 14219357686671994754


def checksum(block):
    value = 0
    for (word,) in struct.iter_unpack('<I', bytes(block[:508])):
        value ^= word
    if value == 0:
        return 1
    if value == 0xFFFFFFFF:
        return 0xFFFFFFFE
    return value


def seal(block):
    block[508:512] = struct.pack('<I', checksum(block))


def security_descriptor():
    owner = bytes([1, 2, 0, 0, 0, 0, 0, 5]) + struct.pack('<II', 32, 544)
    group = bytes([1, 1, 0, 0, 0, 0, 0, 5]) + struct.pack('<I', 18)
    everyone = bytes([1, 1, 0, 0, 0, 0, 0, 1]) + struct.pack('<I', 0)
    ace = struct.pack('<BBHI', 0, 2, 8 + len(everyone), 0x000F003F) + everyone
    acl = struct.pack('<BBHHH', 2, 0, 8 + len(ace), 1, 0) + ace
    header_size = 20
    return (struct.pack('<BBHIIII', 1, 0, 0x8004, header_size, header_size + len(owner), 0,
                        header_size + len(owner) + len(group)) + owner + group + acl)


def cell(payload):
    size = (len(payload) + 4 + 7) // 8 * 8
    return struct.pack('<i', -size) + payload + bytes(size - 4 - len(payload))


def minimal_hive(minor=5, sequence=1, timestamp=0x01D0000000000000):
    """Base block + one 4 KiB bin holding the root key and its security cell."""
    root_at, sk_at = 0x20, 0x20 + 0x58
    name = b'ROOT'
    nk = struct.pack('<2sHQIIIIIIIIIIIIIIIHH', b'nk', 0x2C, timestamp, 0, 0, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF,
                     0, 0xFFFFFFFF, sk_at, 0xFFFFFFFF, 0, 0, 0, 0, 0, len(name), 0) + name
    root = cell(nk)
    assert len(root) == sk_at - root_at
    descriptor = security_descriptor()
    sk = cell(struct.pack('<2sHIIII', b'sk', 0, sk_at, sk_at, 1, len(descriptor)) + descriptor)
    bin_ = bytearray(PAGE)
    bin_[0:32] = struct.pack('<4sIIQQI', b'hbin', 0, PAGE, 0, timestamp, 0)
    used = 32 + len(root) + len(sk)
    bin_[32:used] = root + sk
    bin_[used:used + 4] = struct.pack('<i', PAGE - used)  # the rest: one free cell
    base = bytearray(PAGE)
    base[0:48] = struct.pack('<4sIIQIIIIIII', b'regf', sequence, sequence, timestamp, 1, minor, 0, 1, root_at, PAGE, 1)
    base[48:48 + 8] = 'ROOT'.encode('utf-16-le')
    seal(base)
    return bytes(base + bin_)


def renamed_root(hive, name):
    """The minimal hive with its root key renamed (up to 8 ASCII characters: the
    root's cell has room for that many)."""
    assert len(name) <= 8
    hive = bytearray(hive)
    root = PAGE + 0x20 + 4
    struct.pack_into('<H', hive, root + 72, len(name))
    hive[root + 76:root + 84] = name.encode('ascii').ljust(8, b'\0')
    return bytes(hive)


def rotl(value, count):
    return ((value << count) | (value >> (32 - count))) & 0xFFFFFFFF


def marvin32(data, seed=LOG_SEED):
    lo, hi = seed & 0xFFFFFFFF, seed >> 32

    def mix(lo, hi):
        hi ^= lo
        lo = rotl(lo, 20)
        lo = (lo + hi) & 0xFFFFFFFF
        hi = rotl(hi, 9)
        hi ^= lo
        lo = rotl(lo, 27)
        lo = (lo + hi) & 0xFFFFFFFF
        hi = rotl(hi, 19)
        return lo, hi

    whole = len(data) // 4 * 4
    for (word,) in struct.iter_unpack('<I', bytes(data[:whole])):
        lo, hi = mix((lo + word) & 0xFFFFFFFF, hi)
    tail = data[whole:]
    last = int.from_bytes(bytes(tail), 'little') | (0x80 << (8 * len(tail)))
    lo, hi = mix((lo + last) & 0xFFFFFFFF, hi)
    lo, hi = mix(lo, hi)
    return (hi << 32) | lo


def bins_size(hive):
    return struct.unpack_from('<I', hive, 40)[0]


def differing(old, new, unit):
    """Offsets (in the bins) of the `unit`-byte pages of `new` that differ from `old`."""
    size = bins_size(new)
    pages = []
    for offset in range(0, size, unit):
        a = old[PAGE + offset:PAGE + offset + unit]
        b = new[PAGE + offset:PAGE + offset + unit]
        if a != b:
            pages.append(offset)
    return pages


def log_base_block(hive, file_type, sequence):
    """The log's first sector: the hive's base block as it stood in memory."""
    block = bytearray(hive[:SECTOR])
    struct.pack_into('<II', block, 4, sequence, sequence)
    struct.pack_into('<I', block, 28, file_type)
    seal(block)
    return block


def dirty_primary(old, sequence):
    """`old` as Windows leaves the primary while a write it logged is unfinished:
    the primary sequence number moved on, the secondary not."""
    hive = bytearray(old)
    struct.pack_into('<II', hive, 4, sequence, sequence - 1)
    seal(hive)
    return bytes(hive)


def old_format_log(old, new, sequence):
    """A log of the 512-byte pages in which `new` differs from `old` (dirty vector).
    Its base block carries `old`'s timestamp, which names the primary it belongs to."""
    size = bins_size(new)
    bits = size // SECTOR
    bitmap = bytearray((bits + 7) // 8)
    pages = differing(old, new, SECTOR)
    for offset in pages:
        bit = offset // SECTOR
        bitmap[bit // 8] |= 1 << (bit % 8)
    vector = b'DIRT' + bytes(bitmap)
    vector += bytes(-len(vector) % SECTOR)
    data = b''.join(new[PAGE + offset:PAGE + offset + SECTOR] for offset in pages)
    base = log_base_block(new, 1, sequence)
    base[12:20] = old[12:20]
    seal(base)
    return bytes(base + vector + data)


def log_entry(new, pages, sequence):
    refs = b''.join(struct.pack('<II', offset, PAGE) for offset in pages)
    data = b''.join(new[PAGE + offset:PAGE + offset + PAGE] for offset in pages)
    size = 40 + len(refs) + len(data)
    size += -size % SECTOR
    body = refs + data + bytes(size - 40 - len(refs) - len(data))
    head = bytearray(struct.pack('<4sIIIII', b'HvLE', size, 0, sequence, bins_size(new), len(pages)))
    head += struct.pack('<Q', marvin32(body))
    head += struct.pack('<Q', marvin32(head[:32]))
    return bytes(head + body)


def new_format_logs(old, new, sequence, split=False):
    """LOG1 (and LOG2 when `split`): entries holding the 4 KiB pages in which `new`
    differs from `old`, one entry per run of pages, numbered from `sequence` on."""
    pages = differing(old, new, PAGE)
    runs = []
    for offset in pages:
        if runs and runs[-1][-1] + PAGE == offset:
            runs[-1].append(offset)
        else:
            runs.append([offset])
    entries = [log_entry(new, run, sequence + i) for i, run in enumerate(runs)]
    base = log_base_block(new, 6, sequence)
    if not split:
        return bytes(base + b''.join(entries)), b''
    half = (len(entries) + 1) // 2
    return bytes(base + b''.join(entries[:half])), bytes(base + b''.join(entries[half:]))


# Reshaping a hive hivex wrote into the forms hivex never writes: values over
# 16,344 bytes as big data (db) and subkey lists as li, lf and ri, so that the
# other readers can be held against those forms too.

BIG = 16344


def _cells(hive):
    """(offset in the bins, cell size, allocated) of every cell, bin by bin."""
    size = bins_size(hive)
    at = 0
    while at < size:
        assert hive[PAGE + at:PAGE + at + 4] == b'hbin', at
        bin_size = struct.unpack_from('<I', hive, PAGE + at + 8)[0]
        cell = at + 32
        while cell < at + bin_size:
            raw = struct.unpack_from('<i', hive, PAGE + cell)[0]
            yield cell, abs(raw), raw < 0
            cell += abs(raw)
        at += bin_size


def _append_bin(hive, payloads, room=0):
    """Appends one bin holding `payloads` as allocated cells (each with `room`
    spare bytes at its end); their offsets."""
    body = b''
    offsets = []
    start = bins_size(hive)
    assert len(hive) == PAGE + start
    for payload in payloads:
        offsets.append(start + 32 + len(body))
        body += cell(payload + bytes(room))
    size = (32 + len(body) + PAGE - 1) // PAGE * PAGE
    rest = size - 32 - len(body)
    if rest:
        body += struct.pack('<i', rest) + bytes(rest - 4)
    hive += struct.pack('<4sIIQQI', b'hbin', start, size, 0, 0, 0) + body
    struct.pack_into('<I', hive, 40, start + size)
    return offsets


def _free(hive, offset):
    raw = struct.unpack_from('<i', hive, PAGE + offset)[0]
    struct.pack_into('<i', hive, PAGE + offset, abs(raw))


def big_data(hive):
    """Moves every allocated value over 16,344 bytes into db segments; frees the old cell."""
    hive = bytearray(hive)
    moved = 0
    for offset, size, allocated in list(_cells(hive)):
        if not allocated or hive[PAGE + offset + 4:PAGE + offset + 6] != b'vk':
            continue
        data_size, data_at = struct.unpack_from('<II', hive, PAGE + offset + 8)
        if data_size & 0x80000000 or data_size <= BIG:
            continue
        if abs(struct.unpack_from('<i', hive, PAGE + data_at)[0]) - 4 < data_size:
            continue  # already big data: its cell is far smaller than the data
        data = bytes(hive[PAGE + data_at + 4:PAGE + data_at + 4 + data_size])
        pieces = [data[i:i + BIG] for i in range(0, len(data), BIG)]
        # As Windows sizes them (16,344 bytes in a 16,352-byte cell): the other
        # readers take a segment as its cell's size less 8 bytes.
        segments = _append_bin(hive, pieces, room=4)
        (segment_list,) = _append_bin(hive, [b''.join(struct.pack('<I', s) for s in segments)])
        (db,) = _append_bin(hive, [struct.pack('<2sHI', b'db', len(segments), segment_list)])
        _free(hive, data_at)
        struct.pack_into('<I', hive, PAGE + offset + 12, db)
        moved += 1
    seal(hive)
    return bytes(hive), moved


def _name_hint(hive, key):
    flags = struct.unpack_from('<H', hive, PAGE + key + 6)[0]
    length = struct.unpack_from('<H', hive, PAGE + key + 4 + 72)[0]
    name = bytes(hive[PAGE + key + 4 + 76:PAGE + key + 4 + 76 + length])
    text = name.decode('latin-1') if flags & 0x20 else name.decode('utf-16-le', 'replace')
    hint = text[:4].encode('latin-1', 'replace') if flags & 0x20 else name[:4]
    return hint.ljust(4, b'\0')


def reshape_lists(hive):
    """Every allocated lh list of 3+ keys becomes, in turn, an lf, an li, or an ri
    over an lh and an li (the last for the longest list). Counts of each."""
    hive = bytearray(hive)
    lists = []
    for offset, size, allocated in list(_cells(hive)):
        if allocated and hive[PAGE + offset + 4:PAGE + offset + 6] == b'lh':
            count = struct.unpack_from('<H', hive, PAGE + offset + 6)[0]
            if count >= 3:
                lists.append((count, offset))
    # Only lists a key names now (hivex leaves old ones allocated? keep to live ones).
    live = set()
    for offset, size, allocated in _cells(hive):
        if allocated and hive[PAGE + offset + 4:PAGE + offset + 6] == b'nk':
            live.add(struct.unpack_from('<I', hive, PAGE + offset + 4 + 28)[0])
    lists = sorted((c, o) for c, o in lists if o in live)
    made = {'lf': 0, 'li': 0, 'ri': 0}
    if not lists:
        return bytes(hive), made
    longest = lists.pop()
    for i, (count, offset) in enumerate(lists):
        keys = [struct.unpack_from('<I', hive, PAGE + offset + 8 + 8 * k)[0] for k in range(count)]
        at = PAGE + offset + 4
        if i % 2 == 0:
            hive[at:at + 2] = b'lf'
            for k, key in enumerate(keys):
                hive[at + 8 + 8 * k:at + 12 + 8 * k] = _name_hint(hive, key)
            made['lf'] += 1
        else:
            hive[at:at + 4 + 8 * count] = (struct.pack('<2sH', b'li', count) + b''.join(struct.pack('<I', k) for k in keys)
                                           + bytes(4 * count))
            made['li'] += 1
    count, offset = longest
    keys = [struct.unpack_from('<I', hive, PAGE + offset + 8 + 8 * k)[0] for k in range(count)]
    hashes = [struct.unpack_from('<I', hive, PAGE + offset + 12 + 8 * k)[0] for k in range(count)]
    half = count // 2
    first = struct.pack('<2sH', b'lh', half) + b''.join(struct.pack('<II', k, h) for k, h in zip(keys[:half], hashes[:half]))
    second = struct.pack('<2sH', b'li', count - half) + b''.join(struct.pack('<I', k) for k in keys[half:])
    leaves = _append_bin(hive, [first, second])
    (root,) = _append_bin(hive, [struct.pack('<2sH', b'ri', 2) + b''.join(struct.pack('<I', l) for l in leaves)])
    for cell_at, size, allocated in list(_cells(hive)):
        if allocated and hive[PAGE + cell_at + 4:PAGE + cell_at + 6] == b'nk' and \
                struct.unpack_from('<I', hive, PAGE + cell_at + 4 + 28)[0] == offset:
            struct.pack_into('<I', hive, PAGE + cell_at + 4 + 28, root)
    _free(hive, offset)
    made['ri'] += 1
    seal(hive)
    return bytes(hive), made


def write_logs(h0_path, h1_path, out):
    """The primary and logs of each case the oracle test holds against H1 (or H0)."""
    import os
    old = open(h0_path, 'rb').read()
    new = open(h1_path, 'rb').read()
    sequence = struct.unpack_from('<I', old, 8)[0] + 1
    primary = dirty_primary(old, sequence)
    cases = {
        'new': new_format_logs(old, new, sequence),
        'new-split': new_format_logs(old, new, sequence, split=True),
        'old': (old_format_log(old, new, sequence), b''),
        # Numbered from past the primary's next write: not applied.
        'new-ahead': new_format_logs(old, new, sequence + 2),
        'old-behind': (old_format_log(old, new, sequence - 1), b''),
    }
    for name, (log1, log2) in cases.items():
        folder = os.path.join(out, name)
        os.makedirs(folder, exist_ok=True)
        for file, data in (('HIVE', primary), ('HIVE.LOG1', log1), ('HIVE.LOG2', log2)):
            with open(os.path.join(folder, file), 'wb') as f:
                f.write(data)


if __name__ == '__main__':
    import sys
    if sys.argv[1] == 'minimal':
        with open(sys.argv[2], 'wb') as f:
            f.write(minimal_hive())
    elif sys.argv[1] == 'logs':
        write_logs(sys.argv[2], sys.argv[3], sys.argv[4])
