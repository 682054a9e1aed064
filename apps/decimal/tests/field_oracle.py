"""Independent per-field facts of a JSON, JSON Lines or CSV file, from the
standard json and csv modules with decimal.Decimal, for the inspector's tests.

Usage: field_oracle.py json|jsonl|csv FILE  -> one JSON object keyed by field
"""
import csv
import decimal
import json
import re
import sys

decimal.getcontext().prec = 1000
NUMBER = re.compile(r'^[+-]?\d+(\.\d+)?([eE][+-]?\d+)?$')
LIMITS = [(8, -2**7, 2**7 - 1), (16, -2**15, 2**15 - 1), (32, -2**31, 2**31 - 1), (64, -2**63, 2**63 - 1)]


def new_field():
    return {"numbers": 0, "text": 0, "empty": 0, "integers": 0, "leading_zeros": 0,
            "exact": 0, "rounded": 0, "overflowing": 0, "underflowing": 0,
            "scale": 0, "places": 0, "min": None, "max": None, "signed": 0, "unsigned": 0,
            "signed_none": False, "unsigned_none": False}


def add_number(f, d, text):
    f["numbers"] += 1
    if re.match(r'^[+-]?0\d', text):
        f["leading_zeros"] += 1
    x = float(d)
    if x in (float("inf"), float("-inf")):
        f["overflowing"] += 1
    elif x == 0 and d != 0:
        f["underflowing"] += 1
    elif decimal.Decimal(x) == d:
        f["exact"] += 1
    else:
        f["rounded"] += 1
    if d != 0:
        t = d.normalize().as_tuple()
        f["scale"] = max(f["scale"], -t.exponent if t.exponent < 0 else 0)
        f["places"] = max(f["places"], max(0, len(t.digits) + t.exponent))
    if d == d.to_integral_value():
        f["integers"] += 1
        n = int(d)
        bits = next((b for b, lo, hi in LIMITS if lo <= n <= hi), 0)
        ubits = next((b for b, lo, hi in LIMITS if 0 <= n <= 2 * hi + 1), 0)
        f["signed_none"] |= bits == 0
        f["unsigned_none"] |= ubits == 0
        f["signed"] = max(f["signed"], bits)
        f["unsigned"] = max(f["unsigned"], ubits)
    f["min"] = d if f["min"] is None or d < f["min"] else f["min"]
    f["max"] = d if f["max"] is None or d > f["max"] else f["max"]


def walk(fields, value, path):
    # An explicit stack: documents may nest deeply.
    stack = [(value, path)]
    while stack:
        v, p = stack.pop()
        if isinstance(v, dict):
            for k in reversed(list(v)):
                stack.append((v[k], p + "/" + k.replace("~", "~0").replace("/", "~1")))
        elif isinstance(v, list):
            for item in reversed(v):
                stack.append((item, p + "/*"))
        else:
            f = fields.setdefault(p, new_field())
            if v is None:
                f["empty"] += 1
            elif isinstance(v, decimal.Decimal):
                add_number(f, v, str(v))
            else:
                f["text"] += 1


def main():
    kind, path = sys.argv[1], sys.argv[2]
    fields = {}
    if kind in ("json", "jsonl"):
        with open(path, encoding="utf-8") as handle:
            docs = [handle.read()] if kind == "json" else [l for l in handle if l.strip()]
        for doc in docs:
            try:
                value = json.loads(doc, parse_float=decimal.Decimal, parse_int=decimal.Decimal)
            except ValueError:
                continue
            walk(fields, value, "")
    else:
        with open(path, newline="", encoding="utf-8") as handle:
            rows = list(csv.reader(handle))
        names = rows[0]
        for row in rows[1:]:
            for i, cell in enumerate(row):
                name = names[i] if i < len(names) and names[i] else "#%d" % (i + 1)
                f = fields.setdefault(name, new_field())
                if cell == "":
                    f["empty"] += 1
                elif NUMBER.match(cell):
                    add_number(f, decimal.Decimal(cell), cell)
                else:
                    f["text"] += 1
        for i, name in enumerate(names):
            fields.setdefault(name if name else "#%d" % (i + 1), new_field())
    for f in fields.values():
        for key in ("min", "max"):
            f[key] = None if f[key] is None else str(f[key])
    json.dump(fields, sys.stdout)


main()
