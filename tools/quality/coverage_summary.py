#!/usr/bin/env python3
"""Prints line and branch coverage per src folder from gcovr's JSON summary."""
import json
import sys
from collections import defaultdict

KEYS = ("line_covered", "line_total", "branch_covered", "branch_total")


def percent(covered, total):
    return f"{100.0 * covered / total:5.1f} %" if total else "    - "


def main(path):
    with open(path, encoding="utf-8") as f:
        files = json.load(f)["files"]
    folders = defaultdict(lambda: dict.fromkeys(KEYS, 0))
    for entry in files:
        parts = entry["filename"].split("/")
        folder = "/".join(parts[:2]) if len(parts) > 2 else parts[0]
        for key in KEYS:
            folders[folder][key] += entry[key]
            folders["total"][key] += entry[key]
    print(f"{'folder':<16} {'lines':>15} {'':>7} {'branches':>15} {'':>7}")
    for name in sorted(folders, key=lambda n: (n == "total", n)):
        c = folders[name]
        print(f"{name:<16} {c['line_covered']:>7} / {c['line_total']:<5} {percent(c['line_covered'], c['line_total'])}"
              f" {c['branch_covered']:>7} / {c['branch_total']:<5} {percent(c['branch_covered'], c['branch_total'])}")


if __name__ == "__main__":
    main(sys.argv[1])
