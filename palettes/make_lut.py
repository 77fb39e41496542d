#!/usr/bin/env python3
"""Writes a 256-entry LUT colour table from a published colour map given as text: one colour a
line, red, green and blue as fractions 0-1 separated by blanks or commas (the form in which the
sources named in README.md publish them). Not part of the build; kept to show how the shipped
tables were made and to remake them.

    palettes/make_lut.py NAME "DESCRIPTION" SOURCE.txt [--note "TEXT"]... > palettes/NAME.lut

Each component becomes the nearest integer to fraction x 255 (halves up). Notes become comment
lines at the top of the file (source, licence), which the LUT reader skips.
"""
import argparse
import math
import sys


def read_colours(path):
    colours = []
    with open(path, encoding="utf-8") as source:
        for line in source:
            fields = line.replace(",", " ").replace("[", " ").replace("]", " ").split()
            if not fields:
                continue
            if len(fields) != 3:
                sys.exit(f"{path}: expected three numbers a line: {line.strip()!r}")
            values = [float(f) for f in fields]
            if any(not 0.0 <= v <= 1.0 for v in values):
                sys.exit(f"{path}: a component outside 0-1: {line.strip()!r}")
            colours.append(values)
    if len(colours) != 256:
        sys.exit(f"{path}: {len(colours)} colours, expected 256")
    return colours


def to_byte(fraction):
    return int(math.floor(fraction * 255 + 0.5))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("name")
    parser.add_argument("description")
    parser.add_argument("source")
    parser.add_argument("--note", action="append", default=[])
    args = parser.parse_args()
    lines = [f"# {note}" for note in args.note]
    lines += [f'NAME "{args.name}"', f'DESCRIPTION "{args.description}"', "INTERPOLATION RGB",
              "SCALE BYTE", "LUT"]
    for index, colour in enumerate(read_colours(args.source)):
        red, green, blue = (to_byte(c) for c in colour)
        lines.append(f"{index:<4}{red:<4}{green:<4}{blue}")
    sys.stdout.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
