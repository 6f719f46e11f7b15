#!/usr/bin/env python3
"""Takes one file out of its folder's index on an unmounted NTFS image, as a
tool that edits the volume to hide a file would: the file's own MFT record
still names the folder, but the folder's $INDEX_ROOT no longer lists it, so no
directory query finds it. The folder must keep its whole index in its record
(a few small files).

usage: drop_index_entry.py IMAGE FOLDER_NAME FILE_NAME   (both below the root)
"""
import struct
import sys

ROOT_RECORD = 5


def parse_boot(data):
    bytes_per_sector = struct.unpack_from("<H", data, 0x0B)[0]
    cluster = bytes_per_sector * data[0x0D]
    per_record = struct.unpack_from("<b", data, 0x40)[0]
    record_size = cluster * per_record if per_record > 0 else 1 << -per_record
    return bytes_per_sector, record_size


def records(data, record_size):
    """Every in-use MFT record on the image, wherever the MFT's pieces lie."""
    for at in range(0, len(data) - record_size + 1, record_size):
        if data[at:at + 4] == b"FILE" and struct.unpack_from("<H", data, at + 0x16)[0] & 1:
            yield at


def fixups(data, at, sector, restore):
    """Undoes (restore) or applies the update sequence of the record at `at`."""
    offset, count = struct.unpack_from("<HH", data, at + 4)
    usn = data[at + offset:at + offset + 2]
    for i in range(1, count):
        end = at + i * sector - 2
        saved = at + offset + 2 * i
        if restore:
            data[end:end + 2] = data[saved:saved + 2]
        else:
            data[saved:saved + 2] = data[end:end + 2]
            data[end:end + 2] = usn


def attributes(data, at):
    """(offset, type, name) of each attribute of the record at `at`."""
    pos = at + struct.unpack_from("<H", data, at + 0x14)[0]
    while True:
        kind, length = struct.unpack_from("<II", data, pos)
        if kind == 0xFFFFFFFF or length == 0:
            return
        name_length, name_offset = data[pos + 9], struct.unpack_from("<H", data, pos + 10)[0]
        name = data[pos + name_offset:pos + name_offset + 2 * name_length].decode("utf-16-le")
        yield pos, kind, name
        pos += length


def file_names(data, at):
    """(parent record, name) of each $FILE_NAME of the record at `at`."""
    for pos, kind, _ in attributes(data, at):
        if kind == 0x30:
            value = pos + struct.unpack_from("<H", data, pos + 0x14)[0]
            parent = struct.unpack_from("<Q", data, value)[0] & 0xFFFFFFFFFFFF
            length = data[value + 0x40]
            yield parent, data[value + 0x42:value + 0x42 + 2 * length].decode("utf-16-le")


def record_number(data, at):
    return struct.unpack_from("<I", data, at + 0x2C)[0]


def main():
    image, folder_name, file_name = sys.argv[1:4]
    with open(image, "r+b") as f:
        data = bytearray(f.read())
        sector, record_size = parse_boot(data)
        found = list(records(data, record_size))
        for at in found:
            fixups(data, at, sector, restore=True)
        folder = next(at for at in found if (ROOT_RECORD, folder_name) in file_names(data, at))
        target = record_number(data, next(at for at in found
                                           if (record_number(data, folder), file_name) in file_names(data, at)))
        root = next(pos for pos, kind, name in attributes(data, folder) if kind == 0x90 and name == "$I30")
        value = root + struct.unpack_from("<H", data, root + 0x14)[0]
        header = value + 0x10
        entries_offset, used, allocated = struct.unpack_from("<III", data, header)
        pos, end, dropped = header + entries_offset, header + used, 0
        while pos < end:
            length, flags = struct.unpack_from("<H", data, pos + 8)[0], struct.unpack_from("<I", data, pos + 12)[0]
            if flags & 2:  # the last entry, which names no file
                break
            if struct.unpack_from("<Q", data, pos)[0] & 0xFFFFFFFFFFFF == target:
                data[pos:end] = data[pos + length:end] + bytes(length)
                end -= length
                dropped += length
                continue
            pos += length
        if not dropped:
            raise SystemExit("%s is not in the index of %s" % (file_name, folder_name))
        struct.pack_into("<II", data, header + 4, used - dropped, allocated - dropped)
        value_length = struct.unpack_from("<I", data, root + 0x10)[0]
        struct.pack_into("<I", data, root + 0x10, value_length - dropped)
        for at in found:
            fixups(data, at, sector, restore=False)
        f.seek(0)
        f.write(data)


if __name__ == "__main__":
    main()
