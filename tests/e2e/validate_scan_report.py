#!/usr/bin/env python3
"""validate_scan_report.py SCHEMA REPORT [--exit N] [--csv FILE] [CODE=COUNT ...]
Checks a quarvel-scan report with a real JSON Schema validator: every line one
ASCII object that the schema accepts, unseen lines first, exactly one summary
last, whose counts agree with the lines; the exit code the program returned;
the CSV written beside it, read by Python's csv module (UTF-8 with a byte-order
mark, CR LF, the same records as the JSON); then the verdict counts asked for.
A /REGISTRY report the same way: difference lines first, one registry_summary
last whose counts agree with them, and no view called read that was not."""
import csv
import io
import json
import sys

import jsonschema


def check_csv(path, unseen):
    with open(path, "rb") as f:
        data = f.read()
    assert data.startswith(b"\xef\xbb\xbf"), "the CSV begins with a byte-order mark"
    assert b"\n" not in data.replace(b"\r\n", b""), "every CSV record ends in CR LF"
    rows = list(csv.reader(io.StringIO(data[3:].decode("utf-8"), newline=""), strict=True))
    header, records = rows[0], rows[1:]
    assert header[:6] == ["path", "entry", "size", "code", "verdict", "reason"], header
    assert len(records) == len(unseen), f"{len(records)} CSV records for {len(unseen)} unseen files"
    for record, obj in zip(records, unseen):
        fields = dict(zip(header, record))
        for key in ("path", "entry", "code", "verdict", "reason"):
            assert fields[key] == obj[key], f"{key}: {fields[key]!r} != {obj[key]!r}"
        assert fields["size"] == ("" if obj["size"] is None else str(obj["size"]))
        assert fields["points_at_hider"] == ("true" if obj["points_at_hider"] else "false")
        assert fields["views"] == ", ".join(obj["views"])
    return len(records)


def check_registry(objects, report_path, exit_code, expected):
    differences, summary = objects[:-1], objects[-1]
    assert all(o["type"] in ("value", "key") for o in differences), "one registry summary only, last"
    assert summary["differences_total"] == len(differences)
    assert summary["pointing_at_hider"] == sum(1 for o in differences if o["points_at_hider"])
    for code, count in summary["differences"].items():
        assert count == sum(1 for o in differences if o["code"] == code), code
    for obj in differences:
        # A name that holds a NUL carries its UTF-16 units too, and they spell the name.
        if "\0" in obj["name"]:
            units = bytes.fromhex(obj["name_utf16"])
            assert "".join(chr(int.from_bytes(units[i:i + 2], "big")) for i in range(0, len(units), 2)) == obj["name"]
    if exit_code is not None:
        assert summary["exit_code"] == exit_code, f"summary says exit {summary['exit_code']}, the program gave {exit_code}"
    for item in expected:
        key, value = item.rsplit("=", 1)
        actual = summary["differences"][key] if key in summary["differences"] else summary[key]
        assert str(actual) == value, f"{key}: {actual} != {value}"
    views = {v["view"]: v["read"] for v in summary["views"]}
    print(f"{report_path}: {len(objects)} lines valid; differences {summary['differences']}, views read {views}")


def main():
    schema_path, report_path, *rest = sys.argv[1:]
    exit_code = csv_path = None
    expected = []
    while rest:
        item = rest.pop(0)
        if item == "--exit":
            exit_code = int(rest.pop(0))
        elif item == "--csv":
            csv_path = rest.pop(0)
        else:
            expected.append(item)
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    with open(report_path, "rb") as f:
        data = f.read()
    assert data.isascii(), "the report is ASCII: what lies outside it is written as \\u escapes"
    lines = [line for line in data.decode("ascii").splitlines() if line.strip()]
    objects = [json.loads(line) for line in lines]
    for obj in objects:
        validator.validate(obj)
    if objects and objects[-1]["type"] == "registry_summary":
        return check_registry(objects, report_path, exit_code, expected)
    assert objects and objects[-1]["type"] == "summary", "the summary comes last"
    unseen = [o for o in objects[:-1] if o["type"] == "unseen"]
    assert len(unseen) == len(objects) - 1, "one summary only"
    summary = objects[-1]
    assert summary["unseen_total"] == len(unseen)
    assert summary["pointing_at_hider"] == sum(1 for o in unseen if o["points_at_hider"])
    for code, count in summary["unseen"].items():
        assert count == sum(1 for o in unseen if o["code"] == code), code
    if exit_code is not None:
        assert summary["exit_code"] == exit_code, f"summary says exit {summary['exit_code']}, the program gave {exit_code}"
    for item in expected:
        key, value = item.rsplit("=", 1)
        actual = summary["unseen"][key] if key in summary["unseen"] else summary[key]
        assert str(actual) == value, f"{key}: {actual} != {value}"
    note = ""
    if csv_path:
        note = f"; CSV {check_csv(csv_path, unseen)} records"
    print(f"{report_path}: {len(objects)} lines valid; unseen {summary['unseen']}, vanished {summary['vanished']}{note}")


if __name__ == "__main__":
    main()
