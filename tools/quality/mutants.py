#!/usr/bin/env python3
"""Runs a reproducible sample of mutants of src/ against the test suite.

Each mutant is one edited line in a copy of the tree (build/mutants/tree),
rebuilt in a build of its own (build/mutants/build: -O0, no sanitizers) and run
against the ctest labels whose programs link the mutated src folder, the quick
labels before the slow ones, stopping at the first test that fails and fails
again on its own. The map from folder to labels comes from CMake itself: the
targets each test runs (ctest's list), the src folders those targets are built
from (CMake's file API, following target dependencies). The mutants and their
outcomes go to build/mutants/results.jsonl, which --list runs again later
against a changed suite.
"""
import argparse
import filecmp
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the worktree
import mutation_sites  # noqa: E402

TOP = Path(__file__).resolve().parents[2]
WORK = TOP / "build" / "mutants"
TREE, BUILD = WORK / "tree", WORK / "build"
KILLED = ("killed", "timeout")
# Labels that take less than this alone run first, together; the slow ones after.
QUICK_LABEL_SECONDS = 10


def sync_tree():
    """Brings the copy up to date with the worktree, touching only files that differ."""
    wanted = set()
    for folder, dirs, files in os.walk(TOP):
        here = Path(folder)
        if here == TOP:
            dirs[:] = [d for d in dirs if d != ".git" and not d.startswith("build")]
        for name in files:
            source = here / name
            relative = source.relative_to(TOP)
            target = TREE / relative
            wanted.add(relative)
            if not target.exists() or not filecmp.cmp(source, target, shallow=False):
                target.parent.mkdir(parents=True, exist_ok=True)
                shutil.copyfile(source, target)
                shutil.copymode(source, target)
    for path in [p for p in TREE.rglob("*") if p.is_file()]:
        if path.relative_to(TREE) not in wanted:
            path.unlink()


def run(command, limit, log):
    """Runs command in a process group of its own; returns its status, or None after limit seconds.
    Whatever of the group is still running afterwards (a hung test's peers) is killed."""
    with open(log, "a") as out:
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            return process.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            return None
        finally:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.wait()


def configure():
    query = BUILD / ".cmake/api/v1/query/codemodel-v2"
    query.parent.mkdir(parents=True, exist_ok=True)
    query.touch()
    # Built for a cheap rebuild: no optimisation or debug information, the gold
    # linker, and no relink of the programs that only load libcorvane32.so (they
    # pick up the rebuilt library at run time).
    subprocess.run(["cmake", "-S", TREE, "-B", BUILD, "-G", "Unix Makefiles", "-DCMAKE_BUILD_TYPE=",
                    "-DCMAKE_CXX_COMPILER=g++", "-DCMAKE_CXX_FLAGS=-O0", "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold",
                    "-DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=gold", "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON",
                    "-DCORVANE_BUILD_BENCH=OFF", "-DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON"],
                   check=True, stdout=subprocess.DEVNULL)


def folder_labels():
    """{src folder: labels of the tests whose programs are built from it}."""
    reply = BUILD / ".cmake/api/v1/reply"
    index = json.loads(max(reply.glob("index-*.json")).read_text())
    model = json.loads((reply / index["reply"]["codemodel-v2"]["jsonFile"]).read_text())
    targets = {t["id"]: json.loads((reply / t["jsonFile"]).read_text())
               for t in model["configurations"][0]["targets"]}

    def folders(target_id, seen):
        if target_id in seen:
            return set()
        seen.add(target_id)
        target = targets[target_id]
        found = {s["path"].split("/")[1] for s in target.get("sources", []) if s["path"].startswith("src/")}
        for dependency in target.get("dependencies", []):
            found |= folders(dependency["id"], seen)
        return found

    by_artifact = {str(BUILD / a["path"]): i for i, t in targets.items() for a in t.get("artifacts", [])}
    labels = {}
    for test in listed_tests():
        test_labels = next((p["value"] for p in test.get("properties", []) if p["name"] == "LABELS"), [])
        for word in test.get("command", []):
            # A shared library is named with its version (libcorvane32.so.0.1.0).
            for artifact in (a for a in by_artifact if word == a or word.startswith(a + ".")):
                for folder in folders(by_artifact[artifact], set()):
                    labels.setdefault(folder, set()).update(test_labels)
    return labels


def listed_tests():
    """ctest's own description of every test in the build."""
    listing = subprocess.run(["ctest", "--test-dir", BUILD, "--show-only=json-v1"],
                             check=True, capture_output=True, text=True).stdout
    return json.loads(listing)["tests"]


def ctest(selection, limit, log):
    """"passed", or "killed"/"timeout" and the first failing test."""
    status = run(["ctest", "--test-dir", BUILD, *selection, "--timeout", str(int(limit)), "--no-tests=error"],
                 2 * limit + 30, log)
    output = log.read_text(errors="replace")
    failed = re.findall(r"^\s*\d+ - (\S+) \([^)]*\)$", output, re.MULTILINE)
    if status is None or "***Timeout" in output:
        return "timeout", failed[-1] if failed else None
    return ("passed" if status == 0 else "killed"), failed[-1] if failed else None


def run_labels(labels, jobs, limit, log):
    """Runs the labels' tests, stopping at the first failure."""
    return confirmed(["-L", f"^({'|'.join(sorted(labels))})$", "-j", str(jobs), "--stop-on-failure"], limit, log)


def confirmed(selection, limit, log):
    """Runs the selected tests; a failure counts only if the test fails again on
    its own: the timed tests fail now and then beside others on a loaded machine.
    Two such load failures in a row give "flaky"."""
    for _ in range(2):
        outcome, test = ctest(selection, limit, log)
        if outcome != "killed":
            return outcome, test
        alone, _ = ctest(["--rerun-failed"], limit, log)
        if alone != "passed":
            return alone, test
    return "flaky", test


def baseline(labels, jobs):
    """Seconds per label on the unmutated tree; stops if the suite is not green."""
    seconds = {}
    for label in sorted(labels):
        start = time.monotonic()
        log = WORK / f"baseline-{label}.log"
        log.unlink(missing_ok=True)
        outcome, test = run_labels([label], jobs, 600, log)
        if outcome not in ("passed", "flaky"):
            sys.exit(f"mutants: {test} fails without a mutant; see {log}")
        seconds[label] = time.monotonic() - start
        print(f"baseline {label:<12} {seconds[label]:6.1f} s{' (flaky: ' + test + ')' if test else ''}", flush=True)
    return seconds


def locate(lines, mutant):
    """The index of the mutant's line: where it was, or the one line with its text."""
    if mutant["line"] <= len(lines) and lines[mutant["line"] - 1] == mutant["before"]:
        return mutant["line"] - 1
    return lines.index(mutant["before"]) if lines.count(mutant["before"]) == 1 else None


def time_limit(labels, seconds):
    """Long enough for the slowest of the labels three times over, on a loaded machine."""
    return 3 * max((seconds[label] for label in labels), default=60) + 30


def try_mutant(mutant, labels, seconds, jobs, known_tests):
    path = TREE / mutant["file"]
    original = path.read_text() if path.exists() else ""
    lines = original.split("\n")
    index = locate(lines, mutant)
    if index is None:
        return "gone", None
    lines[index] = mutant["after"]
    path.write_text("\n".join(lines))
    log = WORK / "logs" / f"{mutant['id']}.log"
    try:
        for old in (WORK / "build.log", log):
            old.unlink(missing_ok=True)
        if run(["cmake", "--build", BUILD, "-j", "2"], 900, WORK / "build.log") != 0:
            return "did not build", None
        if mutant.get("test") in known_tests:
            # A saved list names the test that killed the mutant before: it goes first.
            outcome, _ = confirmed(["-R", f"^{re.escape(mutant['test'])}$"], time_limit(labels, seconds), log)
            if outcome in KILLED:
                return outcome, mutant["test"]
        quick = [label for label in labels if seconds[label] < QUICK_LABEL_SECONDS]
        for stage in (quick, [label for label in labels if label not in quick]):
            if stage:
                outcome, test = run_labels(stage, jobs, time_limit(stage, seconds), log)
                if outcome != "passed":
                    return outcome, test
        return "survived", None
    finally:
        path.write_text(original)


def summary(results):
    print(f"\n{'folder':<12} {'mutants':>7} {'killed':>7} {'timeout':>7} {'survived':>8} {'no build':>8}"
          f" {'flaky':>5} {'gone':>5} {'kill rate':>9}")
    folders = sorted({r["file"].split("/")[1] for r in results}) + ["total"]
    for folder in folders:
        rows = [r for r in results if folder == "total" or r["file"].split("/")[1] == folder]
        count = {o: sum(r["outcome"] == o for r in rows)
                 for o in ("killed", "timeout", "survived", "did not build", "flaky", "gone")}
        judged = count["killed"] + count["timeout"] + count["survived"]
        rate = f"{100.0 * (judged - count['survived']) / judged:7.1f} %" if judged else "        -"
        print(f"{folder:<12} {len(rows):>7} {count['killed']:>7} {count['timeout']:>7} {count['survived']:>8}"
              f" {count['did not build']:>8} {count['flaky']:>5} {count['gone']:>5} {rate:>9}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--count", type=int, default=160, help="mutants to sample")
    parser.add_argument("--seed", type=int, default=16, help="the sample's random seed")
    parser.add_argument("--floor", type=int, default=8, help="mutants at least per src folder")
    parser.add_argument("--list", type=Path, help="run this saved list instead of sampling")
    parser.add_argument("--jobs", type=int, default=12, help="tests run at once")
    args = parser.parse_args()

    before = [json.loads(line) for line in args.list.read_text().splitlines() if line.strip()] if args.list else None
    (WORK / "logs").mkdir(parents=True, exist_ok=True)
    sync_tree()
    configure()
    if run(["cmake", "--build", BUILD, "-j", "2"], 3600, WORK / "build.log") != 0:
        sys.exit(f"mutants: the unmutated tree does not build; see {WORK}/build.log")
    labels = folder_labels()
    commands = json.loads((BUILD / "compile_commands.json").read_text())
    compiled = {str(Path(c["file"]).relative_to(TREE)) for c in commands
                if Path(c["file"]).is_relative_to(TREE / "src") and c["file"].endswith(".cpp")}
    mutants = before or mutation_sites.sample(TREE, compiled, args.count, args.seed, args.floor)
    seconds = baseline(set().union(*labels.values()), args.jobs)
    known_tests = {test["name"] for test in listed_tests()} if before else set()

    results = []
    with open(WORK / "results.jsonl", "w") as out:
        for mutant in mutants:
            start = time.monotonic()
            folder = mutant["file"].split("/")[1]
            outcome, test = try_mutant(mutant, labels.get(folder, set()), seconds, args.jobs, known_tests)
            record = {k: mutant[k] for k in ("id", "file", "line", "op", "before", "after")}
            record.update(outcome=outcome, test=test, seconds=round(time.monotonic() - start, 1))
            results.append(record)
            out.write(json.dumps(record) + "\n")
            out.flush()
            print(f"{record['id']} {record['file']}:{record['line']} {record['op']:<17} {outcome}"
                  f"{f' by {test}' if test else ''} {record['seconds']} s", flush=True)
    summary(results)
    if before:
        was = {m["id"]: m.get("outcome") for m in before}
        lost = [r["id"] for r in results if was.get(r["id"]) in KILLED and r["outcome"] == "survived"]
        print(f"killed before, survived now: {', '.join(lost) or 'none'}")
    print(f"mutants and outcomes: {WORK / 'results.jsonl'}")


if __name__ == "__main__":
    main()
