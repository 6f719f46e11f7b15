#!/usr/bin/python3
"""compare_hive.py OURS HIVEX REGFEXPORT REGLOOKUP

Holds hive-dump's listing of a hive against the three other readers' outputs
of the same hive (hivexregedit --export, regfexport, reglookup): the same keys,
and per value the same name, type and bytes, as far as each output shows
them. Prints what differs; exits 1 on any difference."""
import re
import sys
import urllib.parse

TYPE_NAMES = {
    'REG_NONE': 0, 'REG_SZ': 1, 'REG_EXPAND_SZ': 2, 'REG_BINARY': 3, 'REG_DWORD_LITTLE_ENDIAN': 4,
    'REG_DWORD_BIG_ENDIAN': 5, 'REG_LINK': 6, 'REG_MULTI_SZ': 7, 'REG_RESOURCE_LIST': 8,
    'REG_FULL_RESOURCE_DESCRIPTOR': 9, 'REG_RESOURCE_REQUIREMENTS_LIST': 10, 'REG_QWORD_LITTLE_ENDIAN': 11,
}
LOOKUP_TYPES = {
    'NONE': 0, 'SZ': 1, 'EXPAND_SZ': 2, 'BINARY': 3, 'DWORD': 4, 'DWORD_BE': 5, 'LINK': 6, 'MULTI_SZ': 7,
    'RSRC_LIST': 8, 'RSRC_DESC': 9, 'RSRC_REQ_LIST': 10, 'QWORD': 11,
}


def unescape(name):
    return re.sub(r'\\x([0-9A-F]{4})', lambda m: chr(int(m.group(1), 16)), name)


def read_ours(path):
    keys, values = set(), {}
    with open(path, encoding='utf-8') as f:
        for line in f:
            fields = line.rstrip('\n').split('\t')
            key = tuple(unescape(p) for p in fields[1].split('\\')) if fields[1] else ()
            if fields[0] == 'K':
                keys.add(key)
            else:
                values[(key, unescape(fields[2]))] = (int(fields[3], 16), bytes.fromhex(fields[4]))
    return keys, values


def decode_name(raw):
    try:
        return raw.decode('utf-8')
    except UnicodeDecodeError:
        return raw.decode('latin-1')


def read_hivex(path):
    """hivexregedit --export: [\\path] sections; "name"=hex(t):.. or dword:...; long lines continue with \\."""
    keys, values = set(), {}
    with open(path, 'rb') as f:
        text = f.read().replace(b'\\\n  ', b'')
    key = None
    for line in text.split(b'\n'):
        if line.startswith(b'[\\'):
            key = tuple(decode_name(p) for p in line[2:-1].split(b'\\')) if line != b'[\\]' else ()
            keys.add(key)
            continue
        if line.startswith(b'@='):
            name, rest = '', line[2:]
        elif line.startswith(b'"'):
            end = line.index(b'"=')
            name, rest = decode_name(line[1:end].replace(b'\\"', b'"').replace(b'\\\\', b'\\')), line[end + 2:]
        else:
            continue
        if rest.startswith(b'dword:'):
            values[(key, name)] = (4, int(rest[6:], 16).to_bytes(4, 'little'))
            continue
        m = re.match(rb'hex(?:\(([0-9a-f]+)\))?:(.*)', rest)
        kind = int(m.group(1), 16) if m.group(1) else 3
        values[(key, name)] = (kind, bytes.fromhex(m.group(2).replace(b',', b'').decode()))
    return keys, values


def utf16_text(data):
    text = data.decode('utf-16-le', 'replace')
    return text.split('\0')[0]


def read_regfexport(path):
    """regfexport: 'Key path: ROOT\\a\\b', then per value Value/Type/Data size/Data
    (decoded text or a number on the Data line, or a hex dump below it)."""
    keys, values = set(), {}
    with open(path, encoding='utf-8', errors='surrogateescape') as f:
        lines = f.read().split('\n')
    key, i = None, 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if line.startswith('Key path: '):
            key = tuple(line[len('Key path: '):].split('\\')[1:])
            keys.add(key)
        elif line.startswith('Value: '):
            name = line.split(' ', 2)[2] if line.count(' ') >= 2 else ''
            name = '' if name == '(default)' else name
            kind_text = lines[i][len('Type: '):]
            m = re.search(r'\((REG_[A-Z_]+)\)$', kind_text)
            kind = TYPE_NAMES[m.group(1)] if m else int(kind_text.split('0x')[1], 16)
            size = int(lines[i + 1][len('Data size: '):])
            i += 2
            shown = None
            dump = b''
            while i < len(lines) and lines[i] and not lines[i].startswith('Value: '):
                if lines[i].startswith('Data: '):
                    shown = lines[i][len('Data: '):]
                elif re.match(r'^[0-9a-f]{8}: ', lines[i]):
                    dump += bytes.fromhex(lines[i][10:58].replace(' ', ''))
                i += 1
            values[(key, name)] = (kind, size, shown, dump)
    return keys, values


def check_regfexport(kind, data, shown):
    """The other reader's view (kind, size, Data text, dump) against our bytes."""
    other_kind, size, text, dump = shown
    if other_kind == kind and 1 <= len(data) <= 3:
        # libregf 20201007 misreads data of 1-3 bytes kept in the value key
        # itself: the bytes from the far end of the 4-byte field, and strings
        # with a size rounded up. Only that exact misreading is let pass.
        if size == len(data) and dump[:len(data)] == data.ljust(4, b'\0')[4 - len(data):]:
            return True
        if kind in (1, 2) and size in (2, 4) and not text and utf16_text(data.ljust(4, b'\0')) == '':
            return True
    if other_kind != kind or size != len(data):
        return False
    if dump:
        return dump[:len(data)] == data
    if text is None or text == '':
        return len(data) == 0
    if kind in (1, 2, 6) and text == utf16_text(data):
        return True
    if kind == 4 and len(data) == 4:
        return text == str(int.from_bytes(data, 'little'))
    if kind == 5 and len(data) == 4:
        return text == str(int.from_bytes(data, 'big'))
    if kind == 11 and len(data) == 8:
        return text == str(int.from_bytes(data, 'little'))
    return False


def stored(name):
    """A name's stored bytes as hivex writes it: Latin-1 when it fits, else UTF-16."""
    try:
        return name.encode('latin-1')
    except UnicodeEncodeError:
        return name.encode('utf-16-le')


def read_reglookup(path):
    keys, rows = set(), []
    with open(path, 'rb') as f:
        for line in f.read().split(b'\n')[1:]:
            if not line:
                continue
            fields = line.split(b',')
            if fields[1] == b'KEY':
                keys.add(tuple(urllib.parse.unquote_to_bytes(p) for p in fields[0].split(b'/')[1:] if p))
            else:
                rows.append(fields)
    values = {}
    for fields in rows:
        path, _, name = fields[0].rpartition(b'/')
        key = tuple(urllib.parse.unquote_to_bytes(p) for p in path.split(b'/')[1:] if p)
        values[(key, urllib.parse.unquote_to_bytes(name))] = (fields[1].decode(), fields[2])
    return keys, values


def check_reglookup(kind, data, shown):
    kind_text, value = shown
    other_kind = LOOKUP_TYPES.get(kind_text)
    if other_kind is None:
        other_kind = int(kind_text, 16)
    if other_kind != kind:
        return False
    raw = urllib.parse.unquote_to_bytes(value)
    if raw == data or (raw == b'(null)' and not data):
        return True
    # Numbers are shown from their first 4 or 8 bytes, whatever the size.
    if kind == 4 and len(data) >= 4:
        return value == b'0x%08X' % int.from_bytes(data[:4], 'little')
    if kind == 5 and len(data) >= 4:
        return value == b'0x%08X' % int.from_bytes(data[:4], 'big')
    if kind == 11 and len(data) >= 8:
        return value == b'0x%016X' % int.from_bytes(data[:8], 'little')
    if kind in (1, 2, 6):
        return raw == utf16_text(data).encode('utf-8')
    if kind == 7:
        parts = data.decode('utf-16-le', 'replace').rstrip('\0').split('\0')
        return [urllib.parse.unquote_to_bytes(p) for p in value.split(b'|')] == [p.encode('utf-8') for p in parts]
    return False


def main():
    ours_keys, ours = read_ours(sys.argv[1])
    problems = []

    def compare(reader, keys, values, key_of, check):
        mine = {key_of(k) for k in ours_keys}
        if mine != keys:
            problems.append('%s: keys differ: only ours %s; only theirs %s' %
                            (reader, sorted(mine - keys)[:5], sorted(keys - mine)[:5]))
        seen = set()
        for (key, name), (kind, data) in ours.items():
            theirs = values.get((key_of(key), name if key_of is tuple_of_str else stored(name)))
            seen.add((key_of(key), name if key_of is tuple_of_str else stored(name)))
            if theirs is None:
                problems.append('%s: value %r\\%r missing' % (reader, key, name))
            elif not check(kind, data, theirs):
                problems.append('%s: value %r\\%r differs: ours %x %s, theirs %r' %
                                (reader, key, name, kind, data[:16].hex(), str(theirs)[:120]))
        for extra in set(values) - seen:
            problems.append('%s: value %r only theirs' % (reader, extra))
        print('%s: %d keys, %d values compared' % (reader, len(keys), len(values)))

    def tuple_of_str(key):
        return key

    def tuple_of_stored(key):
        return tuple(stored(p) for p in key)

    keys, values = read_hivex(sys.argv[2])
    compare('hivexregedit', keys, values, tuple_of_str,
            lambda kind, data, theirs: theirs == (kind, data))
    keys, values = read_regfexport(sys.argv[3])
    compare('regfexport', keys, values, tuple_of_str, check_regfexport)
    keys, values = read_reglookup(sys.argv[4])
    compare('reglookup', keys, values, tuple_of_stored, check_reglookup)
    for problem in problems[:40]:
        print(problem)
    if problems:
        print('%d differences' % len(problems))
        return 1
    print('all readers agree: %d keys, %d values' % (len(ours_keys), len(ours)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
