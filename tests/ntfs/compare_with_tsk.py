#!/usr/bin/env python3
"""Compares ntfs-list's listing of an image with The Sleuth Kit's view of it:
every path and record number with `fls -r -p -u`, every file's size with
`ils`, and, for the records istat is asked about, directory flag, file
attributes, size, names with their parents and reparse tag with `istat` (and
`icat` for the tag).

usage: compare_with_tsk.py IMAGE LISTING COUNTS [--require-mft-runs N] [--require-extensions]
                           [--require-mft-attribute-list] [--istat-sample N]
LISTING is ntfs-list's stdout, COUNTS its stderr. Exits 1 on any difference.
istat is a process per record (some 50 ms each): with --istat-sample it sees
about N records, spread over the image, among them hard-linked, reparse,
hidden or system and short-named ones; without it, every listed record.
"""
import argparse
import concurrent.futures
import re
import subprocess
import sys
from collections import defaultdict

# istat's words for the $STANDARD_INFORMATION flags.
FLAG_BITS = {
    "Read Only": 0x1, "Hidden": 0x2, "System": 0x4, "Archive": 0x20, "Device": 0x40,
    "Normal": 0x80, "Temporary": 0x100, "Sparse": 0x200, "Reparse Point": 0x400,
    "Compressed": 0x800, "Offline": 0x1000, "Not Content Indexed": 0x2000, "Encrypted": 0x4000,
}
ROOT = 5
METAFILE_NAMES = {"$MFT", "$MFTMirr", "$LogFile", "$Volume", "$AttrDef", "$Bitmap", "$Boot", "$BadClus",
                  "$Secure", "$UpCase", "$Extend"}


def read_listing(path):
    entries = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            path_, record, kind, attributes, size, tag, short = line.rstrip("\n").split("\t")
            entries.append({
                "path": path_, "record": int(record), "dir": kind == "d", "attributes": int(attributes, 16),
                "size": int(size), "tag": None if tag == "-" else int(tag, 16), "short": None if short == "-" else short,
            })
    return entries


FLS_LINE = re.compile(r"^(\S)/(\S) (\* )?(\d+)(?:-\d+-\d+)?(\(realloc\))?:\t(.*)$")


def read_fls(image):
    """(path, record) -> is directory, for allocated user entries."""
    out = subprocess.run(["fls", "-r", "-p", "-u", image], check=True, capture_output=True).stdout.decode("utf-8")
    entries = {}
    for line in out.splitlines():
        m = FLS_LINE.match(line)
        if not m:
            raise SystemExit("unexpected fls line: %r" % line)
        _, meta_type, deleted, record, realloc, path = m.groups()
        record = int(record)
        # Metafiles, $Extend's contents, the virtual orphan folder and named streams (":") are not user
        # entries. When $MFT's $FILE_NAME has moved to an extension record, fls names that record "$MFT".
        if (deleted or realloc or record < 16 or path in METAFILE_NAMES or
                path.startswith(("$Extend/", "$OrphanFiles")) or ":" in path):
            continue
        entries[(path, record)] = meta_type == "d"
    return entries


def read_ils(image):
    """record -> size of its unnamed data stream, for every allocated record."""
    out = subprocess.run(["ils", "-a", image], check=True, capture_output=True).stdout.decode("utf-8")
    lines = out.splitlines()
    header = next(i for i, line in enumerate(lines) if line.startswith("st_ino|"))
    columns = lines[header].split("|")
    sizes = {}
    for line in lines[header + 1:]:
        fields = dict(zip(columns, line.split("|")))
        sizes[int(fields["st_ino"])] = int(fields["st_size"])
    return sizes


def spread(items, count):
    """`count` of `items`, evenly spaced; all of them when there are no more."""
    return items if len(items) <= count else [items[i * len(items) // count] for i in range(count)]


def istat_sample(records, by_record, limit):
    """About `limit` records: up to an eighth of it of each notable kind, the rest plain ones."""
    if not limit or len(records) <= limit:
        return records
    kinds = [
        lambda r: len(by_record[r]) > 1,
        lambda r: by_record[r][0]["tag"] is not None,
        lambda r: by_record[r][0]["attributes"] & 0x6,
        lambda r: by_record[r][0]["short"] is not None,
    ]
    picked = set()
    for kind in kinds:
        picked.update(spread([r for r in records if kind(r)], limit // 8))
    picked.update(spread([r for r in records if r not in picked], max(0, limit - len(picked))))
    return sorted(picked)


def istat(image, record):
    run = subprocess.run(["istat", image, str(record)], capture_output=True)
    if run.returncode != 0:
        return {"error": run.stderr.decode("utf-8", "replace").strip()}
    text = run.stdout.decode("utf-8")
    facts = {"dir": "Allocated Directory" in text, "names": set(), "attributes": None, "size": 0, "reparse": None}
    section = None
    for line in text.splitlines():
        if line.endswith("Attribute Values:"):
            section = line.split()[0]
        elif line.startswith("Flags: ") and section == "$STANDARD_INFORMATION":
            facts["attributes"] = sum(FLAG_BITS[w] for w in line[7:].split(", ") if w)
        elif line.startswith("Name: ") and section == "$FILE_NAME":
            name = line[6:]
        elif line.startswith("Parent MFT Entry: ") and section == "$FILE_NAME":
            m = re.match(r"Parent MFT Entry: (\d+) \tSequence: (\d+)", line)
            facts["names"].add((name, int(m.group(1))))
        elif line.startswith("Type: $DATA (") and "Name: N/A" in line:
            facts["size"] = int(re.search(r"size: (\d+)", line).group(1))
        elif line.startswith("Type: $REPARSE_POINT ("):
            facts["reparse"] = re.match(r"Type: \$REPARSE_POINT \((\d+-\d+)\)", line).group(1)
    return facts


def reparse_tag(image, record, type_id):
    data = subprocess.run(["icat", image, "%d-%s" % (record, type_id)], check=True, capture_output=True).stdout
    return int.from_bytes(data[:4], "little")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("image")
    parser.add_argument("listing")
    parser.add_argument("counts")
    parser.add_argument("--require-mft-runs", type=int, default=1)
    parser.add_argument("--require-extensions", action="store_true")
    parser.add_argument("--require-mft-attribute-list", action="store_true")
    parser.add_argument("--istat-sample", type=int, default=0)
    args = parser.parse_args()

    problems = []
    ours = read_listing(args.listing)
    theirs = read_fls(args.image)

    # 1. Paths and record numbers against fls.
    our_paths = {(e["path"], e["record"]): e["dir"] for e in ours}
    if len(our_paths) != len(ours):
        problems.append("ntfs-list printed a path twice")
    for key in sorted(set(theirs) - set(our_paths))[:20]:
        problems.append("fls lists %s (record %d); ntfs-list does not" % key)
    for key in sorted(set(our_paths) - set(theirs))[:20]:
        problems.append("ntfs-list lists %s (record %d); fls does not" % key)
    for key in set(theirs) & set(our_paths):
        if theirs[key] != our_paths[key]:
            problems.append("%s: folder for one reader, file for the other" % key[0])
    print("fls: %d paths, ntfs-list: %d paths, %d in both" % (len(theirs), len(our_paths), len(set(theirs) & set(our_paths))))

    # 2. Every record's facts against istat.
    by_record = defaultdict(list)
    for e in ours:
        by_record[e["record"]].append(e)
    # Every file's size against ils, in one pass over the MFT.
    sizes = read_ils(args.image)
    for record, links in sorted(by_record.items()):
        e = links[0]
        if record not in sizes:
            problems.append("record %d: not an allocated record for ils" % record)
        elif not e["dir"] and sizes[record] != e["size"]:
            problems.append("record %d: size %d, ils %d" % (record, e["size"], sizes[record]))
    print("ils: %d sizes compared" % len(by_record))
    records = istat_sample(sorted(by_record), by_record, args.istat_sample)
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        facts = dict(zip(records, pool.map(lambda r: istat(args.image, r), records)))
    path_record = {e["path"]: e["record"] for e in ours}
    seen = defaultdict(int)
    for record in records:
        mine, tsk = by_record[record], facts[record]
        e = mine[0]
        if "error" in tsk:
            problems.append("record %d: istat failed: %s" % (record, tsk["error"]))
            continue
        if tsk["dir"] != e["dir"]:
            problems.append("record %d: directory flag differs" % record)
        if tsk["attributes"] != e["attributes"]:
            problems.append("record %d: attributes %#x, istat %s" % (record, e["attributes"], tsk["attributes"]))
        if tsk["size"] != e["size"]:
            problems.append("record %d: size %d, istat %d" % (record, e["size"], tsk["size"]))
        names = set()
        for link in mine:
            parent_path, _, name = link["path"].rpartition("/")
            parent = path_record[parent_path] if parent_path else ROOT
            names.add((name, parent))
            if link["short"]:
                names.add((link["short"], parent))
                seen["short names"] += 1
        if names != tsk["names"]:
            problems.append("record %d: names %s, istat %s" % (record, sorted(names), sorted(tsk["names"])))
        if (tsk["reparse"] is None) != (e["tag"] is None):
            problems.append("record %d: reparse point for one reader only" % record)
        elif tsk["reparse"] is not None:
            seen["reparse points"] += 1
            if reparse_tag(args.image, record, tsk["reparse"]) != e["tag"]:
                problems.append("record %d: reparse tag %#x differs from icat's" % (record, e["tag"]))
        if len(mine) > 1:
            seen["hard-linked files"] += 1
        if e["attributes"] & 0x6:
            seen["hidden or system"] += 1
    print("istat: %d records compared (%s)" % (len(records), ", ".join("%d %s" % (n, k) for k, n in sorted(seen.items()))))

    # 3. The volume really had what the test is about.
    with open(args.counts) as f:
        counts = f.read()
    runs = int(re.search(r"records in (\d+) runs", counts).group(1))
    merged = int(re.search(r"extensions (\d+) merged", counts).group(1))
    print("ntfs-list: " + counts.strip().replace("\n", "; "))
    # A clean volume has nothing to skip: a count here is the reader's mistake.
    for what in ("bad", "orphans", "unclaimed", "missing", "stale", "dangling", "loops"):
        found = int(re.search(r"(\d+) " + what, counts).group(1))
        if found:
            problems.append("ntfs-list counted %d %s on a clean volume" % (found, what))
    if runs < args.require_mft_runs:
        problems.append("$MFT in %d runs, fewer than the %d this image should have" % (runs, args.require_mft_runs))
    if args.require_extensions and merged == 0:
        problems.append("no extension record was merged: the image has no $ATTRIBUTE_LIST to prove")
    if args.require_mft_attribute_list:
        record_zero = subprocess.run(["istat", args.image, "0"], check=True, capture_output=True).stdout.decode()
        if "$ATTRIBUTE_LIST" not in record_zero:
            problems.append("$MFT has no $ATTRIBUTE_LIST in this image")
        else:
            print("$MFT: its $DATA is described through an attribute list")
    for feature in ("short names", "reparse points", "hard-linked files", "hidden or system"):
        if seen[feature] == 0:
            problems.append("the image has no " + feature)
    for problem in problems:
        print("DIFFERENCE: " + problem)
    print("oracle: %s" % ("all matched" if not problems else "%d differences" % len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
