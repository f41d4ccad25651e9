"""What the describe_*.py scripts share: Excel cell addresses and their command line."""

import json
import sys


def column_name(column):
    """0 -> "A", 26 -> "AA"."""
    name = ""
    column += 1
    while column:
        column, rest = divmod(column - 1, 26)
        name = chr(ord("A") + rest) + name
    return name


def column_number(letters):
    number = 0
    for letter in letters:
        number = number * 26 + ord(letter) - ord("A") + 1
    return number - 1


def cell_ref(row, column):
    return "%s%d" % (column_name(column), row + 1)


def parse_ref(ref):
    """ "F7" -> (6, 5), zero-based."""
    letters = "".join(ch for ch in ref if ch.isalpha())
    return int(ref[len(letters):]) - 1, column_number(letters)


def run(describe, usage, takes_styles=True):
    """Prints describe(path[, wanted]) as JSON; "--styles A1:N11" names the wanted range."""
    args = sys.argv[1:]
    wanted = None
    if takes_styles and len(args) == 3 and args[1] == "--styles":
        first, last = args[2].split(":")
        (first_row, first_column), (last_row, last_column) = parse_ref(first), parse_ref(last)
        wanted = (first_row, last_row, first_column, last_column)
        args = args[:1]
    if len(args) != 1:
        sys.stderr.write("usage: %s\n" % usage)
        return 2
    result = describe(args[0], wanted) if takes_styles else describe(args[0])
    json.dump(result, sys.stdout, ensure_ascii=False, indent=1)
    sys.stdout.write("\n")
    return 0
