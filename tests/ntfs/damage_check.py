#!/usr/bin/env python3
"""Damages a copy of a checked image and checks what ntfs-list makes of it: a
torn record is skipped, counted and named while every other path stays; a boot
sector that is not NTFS fails the whole read with that reason.

usage: damage_check.py NTFS_LIST IMAGE LISTING WORK_DIR
"""
import shutil
import struct
import subprocess
import sys


def find_record(data, number):
    for at in range(0, len(data) - 1024, 1024):
        if data[at:at + 4] == b"FILE" and struct.unpack_from("<I", data, at + 0x2C)[0] == number:
            return at
    raise SystemExit("record %d not found" % number)


def main():
    ntfs_list, image, listing, work = sys.argv[1:5]
    with open(listing, encoding="utf-8") as f:
        lines = f.read().splitlines()
    # A file with one name, deep in the tree.
    victim = next(l for l in reversed(lines) if l.split("\t")[2] == "f" and "/" in l.split("\t")[0])
    record = int(victim.split("\t")[1])
    torn = work + "/torn.img"
    shutil.copyfile(image, torn)
    with open(torn, "r+b") as f:
        data = bytearray(f.read())
        at = find_record(data, record)
        data[at + 1022] ^= 0xFF  # the second stride no longer ends in the update sequence number
        f.seek(0)
        f.write(data)
    run = subprocess.run([ntfs_list, torn], capture_output=True, text=True)
    problems = []
    expected = [l for l in lines if int(l.split("\t")[1]) != record]
    if run.returncode != 0:
        problems.append("ntfs-list failed on a volume with one torn record: " + run.stderr)
    if run.stdout.splitlines() != expected:
        problems.append("the listing of the torn volume is not the listing without record %d" % record)
    if " 1 bad" not in run.stderr or "bad: MFT record %d: bad fixup" % record not in run.stderr:
        problems.append("the torn record was not counted and named: " + run.stderr)

    with open(torn, "r+b") as f:
        f.seek(3)
        f.write(b"EXFAT   ")
    run = subprocess.run([ntfs_list, torn], capture_output=True, text=True)
    if run.returncode != 1 or run.stderr.strip() != "ntfs-list: boot sector: not NTFS":
        problems.append("a volume that is not NTFS gave %d, %r" % (run.returncode, run.stderr))
    for problem in problems:
        print("DIFFERENCE: " + problem)
    print("damage: record %d torn: %s" % (record, "skipped, counted and named; every other path kept" if not problems else "FAILED"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
