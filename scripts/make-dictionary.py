#!/usr/bin/env python3
"""Builds the object dictionary object.txt from a UTF-8 text list.

Each list line is name|region|type|level; blank lines and lines starting with
"#" are skipped. Every line becomes one 547-byte record:

  ObjectName 200, RegionCode 6, ObjectType 6 (cp1251, blank-padded on the right),
  Level 1 byte unsigned, Reserved1 100 and Reserved2 10 (zero bytes: the program
  never sets them), then 224 zero filler bytes.

Usage: make-dictionary.py [LIST [OUTPUT]]
Defaults: data/object.list and data/object.txt of the project.
"""
import os
import sys

RECORD_SIZE = 547
FIELDS = (("name", 200), ("region", 6), ("type", 6))
RESERVED_SIZE = 100 + 10
FILLER_SIZE = RECORD_SIZE - 200 - 6 - 6 - 1 - RESERVED_SIZE


def TextField(text, width, what, line_number):
    data = text.encode("cp1251")
    # A longer text would be cut by the file format and then no longer match its
    # own description, so it is refused here instead.
    if len(data) > width:
        raise ValueError(f"line {line_number}: {what} longer than {width} bytes: {text}")
    return data + b" " * (width - len(data))


def ParseLine(line, line_number):
    parts = [part.strip() for part in line.split("|")]
    if len(parts) != 4:
        raise ValueError(f"line {line_number}: expected name|region|type|level: {line}")
    name, region, code, level_text = parts
    if not name:
        raise ValueError(f"line {line_number}: empty name")
    if not level_text.isdigit() or int(level_text) > 9:
        raise ValueError(f"line {line_number}: level must be 0 to 9: {level_text}")
    return name, region, code, int(level_text)


def BuildRecord(name, region, code, level, line_number):
    record = b"".join(
        TextField(value, width, what, line_number)
        for value, (what, width) in zip((name, region, code), FIELDS))
    record += bytes([level]) + bytes(RESERVED_SIZE) + bytes(FILLER_SIZE)
    assert len(record) == RECORD_SIZE
    return record


def ReadList(path):
    records = []
    names = set()
    with open(path, encoding="utf-8") as source:
        for line_number, raw in enumerate(source, 1):
            line = raw.rstrip("\r\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            name, region, code, level = ParseLine(line, line_number)
            # The conversion takes the first record of a name and the editor the
            # last one, so a repeated name would make them disagree.
            if name in names:
                raise ValueError(f"line {line_number}: name listed twice: {name}")
            names.add(name)
            records.append(BuildRecord(name, region, code, level, line_number))
    return records


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    list_path = argv[1] if len(argv) > 1 else os.path.join(root, "data", "object.list")
    output_path = argv[2] if len(argv) > 2 else os.path.join(root, "data", "object.txt")
    try:
        records = ReadList(list_path)
    except (OSError, ValueError, UnicodeError) as error:
        print(f"make-dictionary: {list_path}: {error}", file=sys.stderr)
        return 1
    temporary_path = output_path + ".tmp"
    with open(temporary_path, "wb") as output:
        output.write(b"".join(records))
    os.replace(temporary_path, output_path)
    print(f"{output_path}: {len(records)} records")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
