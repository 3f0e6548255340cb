"""Where src/ can be mutated, and a sample of those places chosen by a fixed seed.

A mutant is one source line replaced by another: {"file", "line", "op",
"before", "after"}. The operators work on the text, with comments, string
literals and preprocessor lines blanked out first, so they are cheap and
predictable; a mutant that does not compile is reported as such, not avoided.
"""
import random
import re
from pathlib import Path

SWAPS = {
    "relational": (re.compile(r"(?<= )(<=|>=|<|>)(?= )"), {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}),
    "equality": (re.compile(r"(?<= )(==|!=)(?= )"), {"==": "!=", "!=": "=="}),
    "logical": (re.compile(r"(?<= )(&&|\|\|)(?= )"), {"&&": "||", "||": "&&"}),
}
CONSTANT = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F]+|\d+)(?=[uUlL]*(?![\w.']))")
BOOLEAN_EXPRESSION = re.compile(r"^!|(?<= )(==|!=|<=|>=|<|>|&&|\|\|)(?= )")
# An expression statement starts with an lvalue or a call and has no space
# before its first call, assignment or increment; a declaration has one
# (`int x = 0;`, `std::string name(text);`).
EXPRESSION_STATEMENT = re.compile(r"^(\+\+|--|\*?[\w:.\[\]()>-]+?\s*(\(|[-+*/%&|^]?=(?!=)|<<=|>>=|\+\+|--))")
NOT_STATEMENTS = {"return", "static_assert", "using", "typedef", "namespace", "case", "default", "goto",
                  "for", "while", "switch", "do", "else", "sizeof", "delete", "throw"}


def blank_non_code(text):
    """The lines of text with comments, literal contents and # lines as spaces."""
    lines, in_comment = [], False
    for line in text.split("\n"):
        chars, quote, i = list(line), None, 0
        if not in_comment and line.lstrip().startswith("#"):
            lines.append(" " * len(line))
            continue
        while i < len(line):
            if in_comment:
                if line.startswith("*/", i):
                    in_comment = False
                    chars[i:i + 2] = "  "
                    i += 2
                    continue
                chars[i] = " "
            elif quote:
                if line[i] == "\\":
                    chars[i:i + 2] = " " * len(chars[i:i + 2])
                    i += 2
                    continue
                if line[i] == quote:
                    quote = None
                else:
                    chars[i] = " "
            elif line.startswith("//", i):
                chars[i:] = " " * (len(line) - i)
                break
            elif line.startswith("/*", i):
                in_comment = True
                chars[i:i + 2] = "  "
                i += 2
                continue
            elif line[i] == '"' or (line[i] == "'" and not (i and line[i - 1].isalnum())):
                quote = line[i]
            i += 1
        lines.append("".join(chars))
    return lines


def _replace(line, start, end, text):
    return line[:start] + text + line[end:]


def _constant_edits(line, code):
    for m in CONSTANT.finditer(code):
        literal = m.group(1)
        if len(literal) > 1 and literal[0] == "0" and literal[1] not in "xX":
            continue  # octal: none in this code, not worth the special case
        value = int(literal, 0)
        for changed in (value + 1, value - 1) if value else (1,):
            if literal[:2] in ("0x", "0X"):
                text = literal[:2] + format(changed, "X" if literal[2:].isupper() else "x")
            else:
                text = str(changed)
            yield "constant", _replace(line, m.start(1), m.end(1), text)


def _return_edit(line, code):
    stripped = code.strip()
    if not (stripped.startswith("return ") and stripped.endswith(";")):
        return
    start = code.index("return ") + len("return ")
    end = code.rindex(";")
    expression = line[start:end]
    if expression in ("true", "false"):
        yield "negated return", _replace(line, start, end, "false" if expression == "true" else "true")
    elif "?" not in code and BOOLEAN_EXPRESSION.search(code[start:end].strip()):
        yield "negated return", _replace(line, start, end, f"!({expression})")


def _delete_edit(line, code, previous_code, next_code):
    stripped = code.strip()
    first_word = re.match(r"\w*", stripped).group(0)
    whole_line = previous_code.endswith((";", "{", "}", ")", ":")) or previous_code in ("else", "")
    if not stripped.endswith(";") or not whole_line or stripped.count("(") != stripped.count(")"):
        return
    if first_word in NOT_STATEMENTS or next_code.startswith("else") or stripped.endswith(("= delete;", "= default;")):
        return
    if first_word == "if" or EXPRESSION_STATEMENT.match(stripped):
        start = len(code) - len(code.lstrip())
        yield "deleted statement", _replace(line, start, code.rindex(";") + 1, "{}")


def sites_in(text):
    """Every (line number, operator, mutated line) of one source file."""
    lines, code = text.split("\n"), blank_non_code(text)
    previous = ""
    for index, (line, masked) in enumerate(zip(lines, code)):
        if not masked.strip():
            continue
        for op, (pattern, swaps) in SWAPS.items():
            for m in pattern.finditer(masked):
                yield index + 1, op, _replace(line, m.start(), m.end(), swaps[m.group(0)])
        yield from ((index + 1, op, after) for op, after in _constant_edits(line, masked))
        yield from ((index + 1, op, after) for op, after in _return_edit(line, masked))
        following = next((c.strip() for c in code[index + 1:] if c.strip()), "")
        yield from ((index + 1, op, after) for op, after in _delete_edit(line, masked, previous, following))
        previous = masked.strip()


def _quotas(sizes, count, floor):
    """count mutants over the folders: a floor each, the rest by size (largest remainder)."""
    floor = min(floor, count // len(sizes))
    rest, total = count - floor * len(sizes), sum(sizes.values())
    shares = {f: rest * s / total for f, s in sizes.items()}
    quotas = {f: floor + int(share) for f, share in shares.items()}
    by_remainder = sorted(sizes, key=lambda f: (-(shares[f] - int(shares[f])), f))
    for folder in by_remainder[:count - sum(quotas.values())]:
        quotas[folder] += 1
    return quotas


def sample(root, files, count, seed, floor):
    """A reproducible sample of mutants over the given src files (relative paths)."""
    rng = random.Random(seed)
    folders = {}
    for name in sorted(files):
        text = (Path(root) / name).read_text(encoding="utf-8")
        lines = text.split("\n")
        folder = folders.setdefault(name.split("/")[1], {"size": 0, "ops": {}})
        folder["size"] += sum(1 for line in lines if line.strip())
        for number, op, after in sites_in(text):
            folder["ops"].setdefault(op, []).append({"file": name, "line": number, "op": op,
                                                      "before": lines[number - 1], "after": after})
    chosen = []
    for folder, quota in sorted(_quotas({f: v["size"] for f, v in folders.items()}, count, floor).items()):
        ops = folders[folder]["ops"]
        picked = []
        # An operator first, then a place: each operator gets its share even
        # where one kind of place (constants) far outnumbers the others.
        while len(picked) < quota and any(ops.values()):
            op = rng.choice(sorted(o for o in ops if ops[o]))
            picked.append(ops[op].pop(rng.randrange(len(ops[op]))))
        chosen += sorted(picked, key=lambda m: (m["file"], m["line"]))
    for number, mutant in enumerate(chosen, 1):
        mutant["id"] = f"M{number:03d}"
    return chosen
