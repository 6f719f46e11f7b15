#!/usr/bin/env python3
"""churn_tree.py: the churn scenario's tree and how its scans are judged.

  churn_tree.py plant ROOT MANIFEST
      Makes the stable set under ROOT (a mounted NTFS image): visible, hidden
      and system .DLL files in a few folders and in the churn folder, some of
      them named for the ntdll hider (QVROOT...), and writes their list.
  churn_tree.py judge --scan N [--hider] [--schema FILE] MANIFEST REPORT EXIT RESULTS WRITER...
      Judges one scan's JSON report against the stable set and the names the
      writers touched (their reports), prints one line and appends its figures
      to RESULTS (one JSON object a line).
  churn_tree.py total [--guard] RESULTS WRITER...
      Prints the figures of every scan; with --guard, fails on any false
      accusation, miss or failed scan.

A false accusation is a record that tells the user a program hides the file
("seen only on the volume", or "kept from the Win32 search" with no named
cause) on a file nobody hides: one the writer touched, or a stable file no
hider runs against. Every other verdict (an attribute, "changed during the
scan", ...) accuses nobody. A miss is a stable hidden or system file, or one
the ntdll hider hides, that the scan does not report."""
import argparse
import json
import os
import sys

import jsonschema

HIDDEN, SYSTEM, ARCHIVE = 0x2, 0x4, 0x20
CHURN = "CHURN"
ACCUSING = "seen only on the volume"
KEPT = "kept from the Win32 search"
# The causes "kept from the Win32 search" names when it has one.
NAMED_CAUSES = ("device name", "longer than", "code page")


def make_file(path, size, attributes):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"s" * size)
    if attributes:
        # Both views: the NTFS attribute for the volume, Wine's own for the query.
        os.setxattr(path, "system.ntfs_attrib_be", (ARCHIVE | attributes).to_bytes(4, "big"))
        os.setxattr(path, "user.DOSATTRIB", b"0x%x" % attributes)


def plant(root, manifest):
    stable = []
    folders = ["STABLE\\A", "STABLE\\B\\SUB", CHURN]
    for number, folder in enumerate(folders, 1):
        files = [(f"VIS{number}{i}.DLL", 0, False) for i in range(1, 6)]
        files += [(f"HID{number}{i}.DLL", HIDDEN, False) for i in range(1, 4)]
        files += [(f"SYS{number}{i}.DLL", SYSTEM, False) for i in range(1, 4)]
        files += [(f"HSY{number}1.DLL", HIDDEN | SYSTEM, False)]
        # Named for the ntdll hider, which drops every name starting with QVROOT.
        files += [(f"QVROOT{number}V.DLL", 0, True), (f"QVROOT{number}H.DLL", HIDDEN, True)]
        for i, (name, attributes, marked) in enumerate(files):
            # Two bytes at least: ntfs-3g shows a system file of 0 or 1 byte as a FIFO or socket.
            make_file(os.path.join(root, *folder.split("\\"), name), 2 + i, attributes)
            stable.append({"path": f"{folder}\\{name}", "attributes": attributes, "marked": marked})
    with open(manifest, "w", encoding="ascii") as f:
        json.dump({"churn": CHURN, "stable": stable}, f, indent=1)


def relative(path):
    """The path below the drive's root, upper case: "D:\\CHURN\\X.DLL" -> "CHURN\\X.DLL"."""
    path = path.upper()
    return path[3:] if len(path) > 2 and path[1] == ":" and path[2] == "\\" else path


def accuses(record):
    verdict = record.get("verdict")
    if verdict == ACCUSING:
        return True
    if verdict == KEPT:
        reason = record.get("reason", "").lower()
        return not any(cause in reason for cause in NAMED_CAUSES)
    return False


def read_report(path, schema):
    records, summary = [], None
    if not os.path.exists(path):
        return records, summary, "no report"
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.strip():
                continue
            try:
                obj = json.loads(line)
            except ValueError:
                return records, summary, "a line that is not JSON"
            if schema is not None:
                error = jsonschema.exceptions.best_match(schema.iter_errors(obj))
                if error is not None:
                    return records, summary, f"a line its schema refuses: {error.message}"
            if obj.get("type") == "unseen":
                records.append(obj)
            elif obj.get("type") == "summary":
                summary = obj
    return records, summary, None if summary else "no summary"


def judge(args):
    with open(args.manifest, encoding="ascii") as f:
        manifest = json.load(f)
    churn = manifest["churn"].upper() + "\\"
    stable = {item["path"].upper(): item for item in manifest["stable"]}
    touched = set()
    for writer in args.writers:
        with open(writer, encoding="ascii") as f:
            report = json.load(f)
        touched.update(churn + name.upper() for name in report["touched"])
    schema = None
    if args.schema:
        with open(args.schema, encoding="utf-8") as f:
            schema = jsonschema.Draft202012Validator(json.load(f))
    records, summary, broken = read_report(args.report, schema)
    if broken is None and args.exit not in (0, 1):
        broken = f"exit code {args.exit}"

    reported = {}
    false_touched, false_stable, unknown, touched_verdicts = [], [], [], {}
    for record in records:
        path = relative(record.get("path", ""))
        reported[path] = record["verdict"]
        if path in touched:
            touched_verdicts[record["verdict"]] = touched_verdicts.get(record["verdict"], 0) + 1
            if accuses(record):
                false_touched.append({"path": path, "verdict": record["verdict"]})
        elif path in stable:
            item = stable[path]
            if accuses(record) and not (args.hider and item["marked"]):
                false_stable.append({"path": path, "verdict": record["verdict"]})
        else:
            unknown.append(f"{path} ({record['verdict']})")
            # Nothing outside the stable set and the writer's names lies on the volume.
            if accuses(record):
                false_stable.append({"path": path, "verdict": record["verdict"]})
    misses = [path for path, item in stable.items()
              if (item["attributes"] or (args.hider and item["marked"])) and path not in reported]

    result = {
        "scan": args.scan,
        "hider": args.hider,
        "exit": args.exit,
        "broken": broken,
        "files": summary["files"] if summary else None,
        "unseen": len(records),
        "vanished": summary["vanished"] if summary else None,
        "duration_ms": summary["duration_ms"] if summary else None,
        "touched_reported": sum(touched_verdicts.values()),
        "touched_verdicts": touched_verdicts,
        "false_touched": false_touched,
        "false_stable": false_stable,
        "misses": misses,
        "hider_misses": [path for path in misses if stable[path]["marked"]],
        "unknown": unknown,
    }
    with open(args.results, "a", encoding="ascii") as f:
        f.write(json.dumps(result) + "\n")
    kind = "with the ntdll hider" if args.hider else "no hider"
    line = (f"scan {args.scan} ({kind}): exit {args.exit}, {result['files']} files, {len(records)} unseen, "
            f"{result['touched_reported']} of them touched by the writer "
            f"{json.dumps(touched_verdicts, sort_keys=True)}; "
            f"false accusations {len(false_touched) + len(false_stable)}, misses {len(misses)}, "
            f"{result['duration_ms']} ms")
    print(line + (f"; FAILED: {broken}" if broken else ""))
    accusations = [f"{item['path']} ({item['verdict']})" for item in false_touched + false_stable]
    for label, items in (("false accusation", accusations), ("miss", misses),
                         ("not a name of the tree", unknown)):
        for item in items[:5]:
            print(f"  {label}: {item}")
        if len(items) > 5:
            print(f"  ... and {len(items) - 5} more")
    return 0


def total(args):
    with open(args.results, encoding="ascii") as f:
        results = [json.loads(line) for line in f if line.strip()]
    writers = []
    for path in args.writers:
        with open(path, encoding="ascii") as f:
            writers.append(json.load(f))
    plain = [r for r in results if not r["hider"]]
    hooked = [r for r in results if r["hider"]]
    false_count = sum(len(r["false_touched"]) + len(r["false_stable"]) for r in results)
    by_verdict = {}
    for r in results:
        for item in r["false_touched"] + r["false_stable"]:
            by_verdict[item["verdict"]] = by_verdict.get(item["verdict"], 0) + 1
    misses = sum(len(r["misses"]) for r in results)
    hider_misses = sum(len(r["hider_misses"]) for r in hooked)
    broken = [r for r in results if r["broken"]]
    operations = sum(w["operations"] for w in writers)
    seconds = sum(w["seconds"] for w in writers)
    rates = sorted(w["rate"] for w in writers)
    errors = {}
    for w in writers:
        for key, count in w["errors"].items():
            errors[key] = errors.get(key, 0) + count
    print(f"writer rate: {operations / seconds if seconds else 0:,.0f} ops/s "
          f"({operations:,} operations in {seconds:.1f} s; runs {rates[0]:,.0f} to {rates[-1]:,.0f} ops/s; "
          f"goal: at least 1,000)"
          if writers else "writer rate: no writer ran")
    if errors:
        print(f"writer errors: {json.dumps(errors, sort_keys=True)}")
    print(f"scans: {len(results)} ({len(plain)} with no hider, {len(hooked)} with the ntdll hider); "
          f"failed scans: {len(broken)}")
    print(f"false accusations: {false_count} {json.dumps(by_verdict, sort_keys=True)}; "
          f"on touched files {sum(len(r['false_touched']) for r in results)}, "
          f"on other files {sum(len(r['false_stable']) for r in results)}")
    print(f"misses: {misses} (of them hidden by the ntdll hider: {hider_misses})")
    if args.guard and (false_count or misses or broken or not results):
        print("churn guard: FAILED (any false accusation, miss or failed scan fails it)")
        return 1
    return 0


def main():
    parser = argparse.ArgumentParser()
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("plant")
    p.add_argument("root")
    p.add_argument("manifest")
    j = commands.add_parser("judge")
    j.add_argument("manifest")
    j.add_argument("report")
    j.add_argument("exit", type=int)
    j.add_argument("results")
    j.add_argument("--scan", type=int, required=True)
    j.add_argument("--hider", action="store_true")
    j.add_argument("--schema", help="the report's JSON Schema, which every line must meet")
    j.add_argument("writers", nargs="*")
    t = commands.add_parser("total")
    t.add_argument("results")
    t.add_argument("--guard", action="store_true")
    t.add_argument("writers", nargs="*")
    args = parser.parse_args()
    if args.command == "plant":
        plant(args.root, args.manifest)
        return 0
    return judge(args) if args.command == "judge" else total(args)


if __name__ == "__main__":
    sys.exit(main())
