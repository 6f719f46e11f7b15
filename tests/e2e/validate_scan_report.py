#!/usr/bin/env python3
"""validate_scan_report.py SCHEMA REPORT [VERDICT=COUNT ...]
Checks a quarvel-scan report with a real JSON Schema validator: every line one
object that the schema accepts, unseen lines first, exactly one summary last,
whose counts agree with the lines; then the verdict counts asked for."""
import json
import sys

import jsonschema


def main():
    schema_path, report_path, *expected = sys.argv[1:]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    with open(report_path, encoding="utf-8") as f:
        lines = [line for line in f.read().splitlines() if line.strip()]
    objects = [json.loads(line) for line in lines]
    for obj in objects:
        validator.validate(obj)
    assert objects and objects[-1]["type"] == "summary", "the summary comes last"
    unseen = [o for o in objects[:-1] if o["type"] == "unseen"]
    assert len(unseen) == len(objects) - 1, "one summary only"
    summary = objects[-1]
    assert summary["unseen_total"] == len(unseen)
    for verdict, count in summary["unseen"].items():
        assert count == sum(1 for o in unseen if o["verdict"] == verdict), verdict
    for item in expected:
        verdict, count = item.rsplit("=", 1)
        assert summary["unseen"][verdict] == int(count), f"{verdict}: {summary['unseen'][verdict]} != {count}"
    print(f"{report_path}: {len(objects)} lines valid; unseen {summary['unseen']}, vanished {summary['vanished']}")


if __name__ == "__main__":
    main()
