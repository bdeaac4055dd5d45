"""Questions the journey asks of the demo platform's records (JSON lines).

usage: journey_records.py FILE count EVENT [NAME=VALUE | NAME^=PREFIX ...]
       journey_records.py FILE field EVENT NAME [NAME=VALUE ...]   (last match)
       journey_records.py FILE summary

NAME is looked up in the record's details, then its query, then the record.
"""
import json
import sys


def load(path):
    records = []
    try:
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if line:
                    try:
                        records.append(json.loads(line))
                    except ValueError:
                        pass  # a line being written
    except OSError:
        pass
    return records


def value(record, name):
    for source in (record.get("details") or {}, record.get("query") or {}, record):
        if name in source:
            return str(source[name])
    return None


def matches(record, event, conditions):
    if record.get("event") != event:
        return False
    for condition in conditions:
        if "^=" in condition:
            name, prefix = condition.split("^=", 1)
            v = value(record, name)
            if v is None or not v.startswith(prefix):
                return False
        else:
            name, expected = condition.split("=", 1)
            if value(record, name) != expected:
                return False
    return True


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    records = load(argv[1])
    command = argv[2]
    if command == "count":
        print(sum(1 for r in records if matches(r, argv[3], argv[4:])))
        return 0
    if command == "field":
        found = [r for r in records if matches(r, argv[3], argv[5:])]
        if not found:
            return 1
        v = value(found[-1], argv[4])
        print("" if v is None else v)
        return 0
    if command == "summary":
        for r in records:
            print("%4d %-14s %-22s %s %s" % (r.get("seq", 0), r.get("role", ""), r.get("event", ""),
                                            r.get("status", ""), r.get("target", "")[:110]))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
