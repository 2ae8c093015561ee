#!/usr/bin/env python3
"""Mutation check: which tests catch which faults.

Copies the tracked files of a checkout into a scratch directory (reused between runs),
builds the asan preset there, checks that the unmutated suite passes, then applies each
mutant of mutants.txt in turn: rebuild, run ctest, record killed / survived / timeout /
build-error / not-applicable and the tests that failed, restore the file.

Standard library only. See README.md beside this script.
"""

import argparse
import datetime
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_MUTANTS = os.path.join(HERE, "mutants.txt")
DEFAULT_WORKDIR = "/tmp/tarnwick-mutation"
BUILD_DIR = "build-test"  # the binaryDir of the asan preset, inside the copied tree
MANIFEST = ".mutation-manifest"  # files copied by the last sync, relative to the copy

RESULT_ORDER = ["killed", "timeout", "survived", "build-error", "not-applicable"]
RAN = ("killed", "timeout", "survived")  # results that --resume keeps


class MutantFileError(Exception):
    pass


# ---- mutants.txt ---------------------------------------------------------------------------


class Mutant:
    def __init__(self, ident, line):
        self.id = ident
        self.line = line  # where the block starts in mutants.txt
        self.file = None
        self.kind = None
        self.description = None
        self.original = None
        self.replacement = None

    @property
    def folder(self):
        return self.file.split("/", 1)[0] if self.file else ""


def parse_mutants(path):
    """Reads the block format described at the top of mutants.txt."""
    mutants = []
    current = None
    section = None  # None, "original" or "replacement" while reading a snippet
    snippet = []

    def fail(number, message):
        raise MutantFileError("%s:%d: %s" % (path, number, message))

    def finish(number):
        if current is None:
            return
        if current.original is None:
            fail(current.line, "mutant %s has no '--- original' snippet" % current.id)
        if current.replacement is None:
            fail(number, "mutant %s: its replacement is not closed by '--- end'" % current.id)
        missing = [n for n in ("file", "kind", "description") if not getattr(current, n)]
        if missing:
            fail(current.line, "mutant %s lacks %s" % (current.id, ", ".join(missing)))
        if not current.original.strip():
            fail(current.line, "mutant %s has an empty original snippet" % current.id)
        if current.original == current.replacement:
            fail(current.line, "mutant %s changes nothing" % current.id)
        mutants.append(current)

    number = 0
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if section == "original":
                if line == "--- replacement":
                    current.original = "\n".join(snippet)
                    section, snippet = "replacement", []
                elif line.startswith("=== ") or line == "--- end":
                    fail(number, "mutant %s: '--- replacement' expected" % current.id)
                else:
                    snippet.append(line)
                continue
            if section == "replacement":
                if line == "--- end":
                    current.replacement = "\n".join(snippet)
                    section, snippet = None, []
                elif line.startswith("=== ") or line.startswith("--- "):
                    fail(number, "mutant %s: '--- end' expected" % current.id)
                else:
                    snippet.append(line)
                continue
            if line.startswith("=== "):
                finish(number)
                ident = line[4:].strip()
                if not re.fullmatch(r"[A-Za-z0-9_.-]+", ident):
                    fail(number, "bad mutant id %r" % ident)
                current = Mutant(ident, number)
                continue
            if line.strip() == "" or line.startswith("#"):
                continue
            if current is None:
                fail(number, "unexpected line before the first mutant: %r" % line)
            if line == "--- original":
                if current.original is not None:
                    fail(number, "mutant %s has a second original snippet" % current.id)
                section, snippet = "original", []
                continue
            match = re.fullmatch(r"(file|kind|description):\s*(.*)", line)
            if not match:
                fail(number, "unexpected line %r" % line)
            setattr(current, match.group(1), match.group(2).strip())
    if section is not None:
        fail(number, "mutant %s: the file ends inside a snippet" % current.id)
    finish(number)

    seen = set()
    for mutant in mutants:
        if mutant.id in seen:
            raise MutantFileError("%s: mutant id %s is used twice" % (path, mutant.id))
        seen.add(mutant.id)
    return mutants


def applicability(mutant, root):
    """'ok', or the reason the mutant does not apply to the tree at `root`.

    A snippet that occurs more than once is an error in mutants.txt and raises."""
    path = os.path.join(root, mutant.file)
    if not os.path.isfile(path):
        return "file %s does not exist" % mutant.file
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read()
    count = text.count(mutant.original)
    if count > 1:
        raise MutantFileError(
            "mutant %s: its original snippet occurs %d times in %s; it must occur exactly once"
            % (mutant.id, count, mutant.file)
        )
    if count == 0:
        return "original snippet not found in %s" % mutant.file
    return "ok"


# ---- the scratch copy ----------------------------------------------------------------------


def tracked_files(source):
    out = subprocess.run(
        ["git", "-C", source, "ls-files", "-z", "--cached"],
        check=True,
        stdout=subprocess.PIPE,
    ).stdout
    return [name for name in out.decode("utf-8", "surrogateescape").split("\0") if name]


def same_content(a, b):
    if os.path.getsize(a) != os.path.getsize(b):
        return False
    with open(a, "rb") as fa, open(b, "rb") as fb:
        return fa.read() == fb.read()


def sync_tree(source, copy):
    """Mirrors the tracked files of `source` (their working-tree content) into `copy`.

    Files whose bytes are unchanged keep their time stamps, so the build stays incremental;
    tracked files that disappeared since the last sync are removed."""
    os.makedirs(copy, exist_ok=True)
    files = tracked_files(source)
    changed = 0
    for name in files:
        src = os.path.join(source, name)
        dst = os.path.join(copy, name)
        if not os.path.isfile(src) or os.path.islink(src):
            continue  # deleted in the working tree, or a link: not part of the build
        if os.path.isfile(dst) and same_content(src, dst):
            continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        shutil.copyfile(src, dst)
        shutil.copymode(src, dst)
        changed += 1
    manifest = os.path.join(copy, MANIFEST)
    removed = 0
    if os.path.isfile(manifest):
        with open(manifest, encoding="utf-8", errors="surrogateescape") as f:
            previous = set(f.read().split("\0")) - {""}
        for name in previous - set(files):
            path = os.path.join(copy, name)
            if os.path.isfile(path):
                os.remove(path)
                removed += 1
    with open(manifest, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write("\0".join(files))
    return changed, removed


# ---- running the build and the tests -------------------------------------------------------


def log(message):
    stamp = datetime.datetime.now().strftime("%H:%M:%S")
    print("[%s] %s" % (stamp, message), flush=True)


class Interrupted(Exception):
    pass


def _interrupt(signum, frame):
    raise Interrupted("signal %d" % signum)


def run(command, cwd, timeout, log_path):
    """Runs `command` under nice in its own process group; returns (code, output, timed_out).

    The output goes to `log_path` as well. A run over `timeout` seconds is killed whole."""
    full = ["nice", "-n", "10"] + command
    with open(log_path, "w", encoding="utf-8", errors="replace") as out:
        out.write("$ %s\n" % " ".join(full))
        out.flush()
        process = subprocess.Popen(
            full,
            cwd=cwd,
            stdout=out,
            stderr=subprocess.STDOUT,
            start_new_session=True,
        )
        timed_out = False
        try:
            code = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            timed_out = True
            os.killpg(process.pid, signal.SIGKILL)
            code = process.wait()
        except BaseException:
            # Interrupted: the build or the tests must not outlive the run.
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise
    with open(log_path, encoding="utf-8", errors="replace") as f:
        output = f.read()
    return code, output, timed_out


def configure(copy, logs):
    code, output, _ = run(
        ["cmake", "--preset", "asan"], copy, 1800, os.path.join(logs, "configure.log")
    )
    if code != 0:
        sys.exit("configuring the asan preset failed:\n" + output[-4000:])


def build(copy, jobs, timeout, log_path):
    return run(
        ["cmake", "--build", BUILD_DIR, "-j", str(jobs)], copy, timeout, log_path
    )


FAILED_LINE = re.compile(r"^\s*\d+\s+-\s+(\S.*?)\s+\(([^()]*)\)\s*$")


def run_tests(copy, jobs, test_timeout, total_timeout, log_path):
    """Runs ctest; returns (failed: {test: status}, total tests, whole-run timed out)."""
    code, output, timed_out = run(
        [
            "ctest",
            "--test-dir",
            BUILD_DIR,
            "-j",
            str(jobs),
            "--timeout",
            str(test_timeout),
            "--no-tests=error",
            # The install tests build two release trees: minutes per mutant, to run the tool
            # on the example that the end-to-end tests already run.
            "--label-exclude",
            "install",
        ],
        copy,
        total_timeout,
        log_path,
    )
    failed = {}
    section = False
    for line in output.splitlines():
        if line.startswith("The following tests FAILED"):
            section = True
            continue
        if section:
            match = FAILED_LINE.match(line)
            if match:
                failed[match.group(1)] = match.group(2)
            elif line.strip() and not line.startswith("\t") and not line.startswith(" "):
                section = False
    total = 0
    match = re.search(r"tests passed, (\d+) tests failed out of (\d+)", output)
    if match:
        total = int(match.group(2))
    if code != 0 and not failed and not timed_out:
        # ctest failed without naming a test (no tests found, a crash of ctest itself).
        failed["<ctest exit status %d>" % code] = "Failed"
    return failed, total, timed_out


COMPILER_ERROR = re.compile(r": (fatal )?error: |undefined reference|ld returned")
MAKE_ERROR = re.compile(r"\*\*\* \[[^\]]*?([^:\] ]+)\] Error")


def failed_build_steps(output):
    """The steps that failed in a build whose compiling and linking succeeded: programs run
    during the build (the table compiler, the listing of a test program's tests). Empty
    when a compiler or the linker reported an error."""
    if COMPILER_ERROR.search(output):
        return []
    names = set()
    for match in re.finditer(r"Error running test executable\.\s*\n\s*Path: '([^']+)'", output):
        names.add("<test discovery: %s>" % os.path.basename(match.group(1)))
    if not names:
        # Make names every target on the way up; the first is the step that failed.
        match = MAKE_ERROR.search(output)
        if match:
            names.add("<build step: %s>" % os.path.basename(match.group(1)))
    return sorted(names)


def compile_errors(output, limit=12):
    lines = [l for l in output.splitlines() if "error" in l.lower()]
    return lines[:limit]


# ---- one mutant ----------------------------------------------------------------------------


def read_text(path):
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        return f.read()


def write_text(path, text):
    with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write(text)


def run_mutant(mutant, copy, args, logs):
    record = {
        "id": mutant.id,
        "file": mutant.file,
        "folder": mutant.folder,
        "kind": mutant.kind,
        "description": mutant.description,
        "result": None,
        "killed_by": {},
        "seconds": 0.0,
    }
    reason = applicability(mutant, copy)
    if reason != "ok":
        record["result"] = "not-applicable"
        record["note"] = reason
        return record

    path = os.path.join(copy, mutant.file)
    original = read_text(path)
    started = time.monotonic()
    try:
        write_text(path, original.replace(mutant.original, mutant.replacement, 1))
        code, output, timed_out = build(
            copy, args.jobs, args.build_timeout, os.path.join(logs, mutant.id + ".build.log")
        )
        if code != 0 or timed_out:
            steps = failed_build_steps(output)
            if steps and not timed_out:
                # The mutant compiled, but a program run by the build failed: the table
                # compiler, or a test program listing its tests.
                record["result"] = "killed"
                record["killed_by"] = {name: "BuildStep" for name in steps}
            else:
                record["result"] = "build-error"
                record["note"] = "build timed out" if timed_out else "\n".join(
                    compile_errors(output)
                )
            return record
        failed, total, whole_timeout = run_tests(
            copy,
            args.jobs,
            args.timeout,
            args.suite_timeout,
            os.path.join(logs, mutant.id + ".ctest.log"),
        )
        record["tests_run"] = total
        record["killed_by"] = dict(sorted(failed.items()))
        if any(status != "Timeout" for status in failed.values()):
            record["result"] = "killed"
        elif failed or whole_timeout:
            record["result"] = "timeout"
            if whole_timeout:
                record["note"] = "the whole suite ran past %d s" % args.suite_timeout
        else:
            record["result"] = "survived"
        return record
    finally:
        # Restored with a fresh time stamp: the next build recompiles the original.
        write_text(path, original)
        record["seconds"] = round(time.monotonic() - started, 1)


# ---- reports -------------------------------------------------------------------------------


def counts_of(results):
    counts = {name: 0 for name in RESULT_ORDER}
    for record in results:
        counts[record["result"]] = counts.get(record["result"], 0) + 1
    return counts


def kill_rate(results):
    """Killed and timed-out mutants over all that built and ran."""
    counts = counts_of(results)
    ran = counts["killed"] + counts["timeout"] + counts["survived"]
    detected = counts["killed"] + counts["timeout"]
    return detected, ran


def suite_of(test):
    # "Suite.Case", "Prefix/Suite.Case/3": the suite is the part before the first '.'.
    name = test.split("/", 1)[1] if "/" in test.split(".", 1)[0] else test
    return name.split(".", 1)[0]


def describe_killers(killed_by, limit=6):
    if not killed_by:
        return ""
    by_suite = {}
    for test in sorted(killed_by):
        by_suite.setdefault(suite_of(test), []).append(test)
    parts = []
    for suite, tests in sorted(by_suite.items()):
        shown = [t.split(".", 1)[1] if "." in t else t for t in tests[:limit]]
        for i, test in enumerate(tests[:limit]):
            status = killed_by[test]
            if status not in ("Failed",):
                shown[i] += " (%s)" % status
        more = " +%d more" % (len(tests) - limit) if len(tests) > limit else ""
        parts.append("%s: %s%s" % (suite, ", ".join(shown), more))
    return "%d: " % len(killed_by) + "; ".join(parts)


def md_escape(text):
    return text.replace("|", "\\|").replace("\n", " ")


def write_markdown(data, path):
    results = data["mutants"]
    detected, ran = kill_rate(results)
    counts = counts_of(results)
    lines = []
    lines.append("# Mutation check results")
    lines.append("")
    meta = data.get("run", {})
    if meta:
        seconds = sorted(r.get("seconds", 0) for r in results)
        median = seconds[len(seconds) // 2] if seconds else 0
        lines.append(
            "Source: `%s` (commit %s), run %s with ctest -j %s and %s s per test. The mutants "
            "took %d min in all (%d s each at the median: an incremental build and the whole "
            "suite); the baseline build and suite %d s."
            % (
                meta.get("source", "?"),
                meta.get("commit", "?"),
                meta.get("started", "?"),
                meta.get("jobs", "?"),
                meta.get("test_timeout", "?"),
                round(sum(seconds) / 60),
                median,
                meta.get("baseline_seconds", 0),
            )
        )
        if meta.get("resumed"):
            lines.append("")
            lines.append(
                "Taken over from an earlier run of the same list (--resume): %s."
                % ", ".join(meta["resumed"])
            )
        if meta.get("baseline_tests"):
            lines.append("")
            lines.append("The unmutated suite: %d tests, all passing." % meta["baseline_tests"])
        lines.append("")
    rate = 100.0 * detected / ran if ran else 0.0
    lines.append(
        "**Kill rate: %d of %d mutants (%.1f %%)** that built and ran were detected "
        "(killed or timed out)." % (detected, ran, rate)
    )
    lines.append("")
    lines.append("| result | mutants |")
    lines.append("|---|---|")
    for name in RESULT_ORDER:
        lines.append("| %s | %d |" % (name, counts.get(name, 0)))
    lines.append("")

    by_folder = {}
    for record in results:
        entry = by_folder.setdefault(record["folder"], [0, 0])
        if record["result"] in ("killed", "timeout", "survived"):
            entry[1] += 1
            if record["result"] != "survived":
                entry[0] += 1
    lines.append("| folder | detected / ran |")
    lines.append("|---|---|")
    for folder, (det, total) in sorted(by_folder.items()):
        lines.append("| %s | %d / %d |" % (folder, det, total))
    lines.append("")

    survivors = [r for r in results if r["result"] == "survived"]
    lines.append("## Survivors")
    lines.append("")
    if not survivors:
        lines.append("None.")
    for record in survivors:
        lines.append(
            "- **%s** `%s` (%s): %s"
            % (record["id"], record["file"], record["kind"], md_escape(record["description"]))
        )
    lines.append("")

    others = [r for r in results if r["result"] in ("build-error", "not-applicable")]
    if others:
        lines.append("## Not run")
        lines.append("")
        for record in others:
            lines.append(
                "- **%s** `%s`: %s (%s)"
                % (
                    record["id"],
                    record["file"],
                    record["result"],
                    md_escape(record.get("note", "")[:200]),
                )
            )
        lines.append("")

    lines.append("## Every mutant")
    lines.append("")
    lines.append("| id | folder | kind | result | s | what it changes | caught by |")
    lines.append("|---|---|---|---|---|---|---|")
    for record in results:
        lines.append(
            "| %s | %s | %s | %s | %s | %s | %s |"
            % (
                record["id"],
                record["folder"],
                record["kind"],
                record["result"],
                int(record.get("seconds", 0)),
                md_escape(record["description"]),
                md_escape(describe_killers(record.get("killed_by", {}))),
            )
        )
    lines.append("")

    # Which tests carry the weight: the mutants each suite detects, and the mutants that only
    # one test detects.
    suite_kills = {}
    for record in results:
        if record["result"] not in ("killed", "timeout"):
            continue
        for suite in {suite_of(t) for t in record.get("killed_by", {})}:
            suite_kills.setdefault(suite, []).append(record["id"])
    lines.append("## Mutants detected per test suite")
    lines.append("")
    lines.append("| suite | mutants | ids |")
    lines.append("|---|---|---|")
    for suite, ids in sorted(suite_kills.items(), key=lambda item: (-len(item[1]), item[0])):
        lines.append("| %s | %d | %s |" % (suite, len(ids), ", ".join(ids)))
    lines.append("")
    single = [
        (r["id"], next(iter(r["killed_by"])))
        for r in results
        if r["result"] in ("killed", "timeout") and len(r.get("killed_by", {})) == 1
    ]
    lines.append("## Mutants caught by one test only")
    lines.append("")
    if not single:
        lines.append("None.")
    for ident, test in single:
        lines.append("- %s: `%s`" % (ident, test))
    lines.append("")
    all_tests = data.get("run", {}).get("baseline_test_names", [])
    if all_tests:
        killers = set()
        for record in results:
            killers.update(record.get("killed_by", {}))
        idle = [t for t in all_tests if t not in killers]
        lines.append("## Tests that caught no mutant")
        lines.append("")
        lines.append(
            "%d of %d tests caught none of these mutants (by suite; a hint, not a verdict: "
            "the list of mutants is a sample)." % (len(idle), len(all_tests))
        )
        lines.append("")
        idle_by_suite = {}
        for test in idle:
            idle_by_suite.setdefault(suite_of(test), 0)
            idle_by_suite[suite_of(test)] += 1
        total_by_suite = {}
        for test in all_tests:
            total_by_suite.setdefault(suite_of(test), 0)
            total_by_suite[suite_of(test)] += 1
        lines.append("| suite | idle / tests |")
        lines.append("|---|---|")
        for suite in sorted(total_by_suite):
            lines.append(
                "| %s | %d / %d |" % (suite, idle_by_suite.get(suite, 0), total_by_suite[suite])
            )
        lines.append("")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def save(data, path):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        json.dump(data, f, indent=1, sort_keys=False)
        f.write("\n")
    os.replace(tmp, path)


def list_test_names(copy):
    output = subprocess.run(
        ["ctest", "--test-dir", BUILD_DIR, "-N", "--label-exclude", "install"],
        cwd=copy,
        stdout=subprocess.PIPE,
        stderr=subprocess.STDOUT,
        text=True,
    ).stdout
    names = []
    for line in output.splitlines():
        match = re.match(r"^\s*Test\s+#\d+:\s+(\S.*?)\s*$", line)
        if match:
            names.append(match.group(1))
    return names


# ---- main ----------------------------------------------------------------------------------


def git_commit(source):
    result = subprocess.run(
        ["git", "-C", source, "rev-parse", "--short", "HEAD"],
        stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL,
        text=True,
    )
    commit = result.stdout.strip() or "?"
    dirty = subprocess.run(
        ["git", "-C", source, "status", "--porcelain", "--untracked-files=no"],
        stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL,
        text=True,
    ).stdout.strip()
    return commit + ("+changes" if dirty else "")


def default_source():
    result = subprocess.run(
        ["git", "-C", HERE, "rev-parse", "--show-toplevel"],
        stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL,
        text=True,
    )
    return result.stdout.strip() or os.path.dirname(os.path.dirname(HERE))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--source", help="checkout to mutate (default: this one)")
    parser.add_argument("--workdir", default=DEFAULT_WORKDIR, help="scratch directory, reused")
    parser.add_argument("--mutants", default=DEFAULT_MUTANTS, help="the list of mutants")
    parser.add_argument("--only", nargs="+", metavar="ID", help="run these mutants only")
    parser.add_argument("--jobs", type=int, default=2, help="build and ctest jobs (default 2)")
    parser.add_argument("--timeout", type=int, default=120, help="seconds per test (120)")
    parser.add_argument(
        "--suite-timeout", type=int, default=1800, help="seconds for one whole ctest run (1800)"
    )
    parser.add_argument(
        "--build-timeout", type=int, default=3600, help="seconds for one build (3600)"
    )
    parser.add_argument("--out", help="results JSON (default WORKDIR/results.json)")
    parser.add_argument("--markdown", help="summary (default: the JSON name with .md)")
    parser.add_argument(
        "--resume",
        action="store_true",
        help="keep the killed, timed-out and surviving mutants already in --out, run the rest",
    )
    parser.add_argument(
        "--check", action="store_true", help="only parse the list and check where it applies"
    )
    parser.add_argument(
        "--summarize", metavar="JSON", help="only write the Markdown summary of a results file"
    )
    args = parser.parse_args()

    if args.summarize:
        with open(args.summarize, encoding="utf-8") as f:
            data = json.load(f)
        target = args.markdown or os.path.splitext(args.summarize)[0] + ".md"
        write_markdown(data, target)
        print("wrote %s" % target)
        return 0

    # SIGTERM and SIGINT end the run cleanly: the mutated file is restored, the build or
    # ctest in progress is killed, and the results so far stay in --out.
    signal.signal(signal.SIGTERM, _interrupt)
    signal.signal(signal.SIGINT, _interrupt)

    source = os.path.abspath(args.source or default_source())
    try:
        mutants = parse_mutants(args.mutants)
        if args.only:
            known = {m.id for m in mutants}
            unknown = [i for i in args.only if i not in known]
            if unknown:
                raise MutantFileError("unknown mutant ids: " + ", ".join(unknown))
            mutants = [m for m in mutants if m.id in set(args.only)]
        status = {m.id: applicability(m, source) for m in mutants}
    except MutantFileError as error:
        sys.exit("mutants: %s" % error)

    if args.check:
        by_folder = {}
        for m in mutants:
            by_folder[m.folder] = by_folder.get(m.folder, 0) + 1
            mark = "ok" if status[m.id] == "ok" else "NOT APPLICABLE: " + status[m.id]
            print("%-6s %-36s %-18s %s" % (m.id, m.file, m.kind, mark))
        print("%d mutants; by folder: %s" % (len(mutants), ", ".join(
            "%s %d" % item for item in sorted(by_folder.items()))))
        return 0

    for m in mutants:
        if status[m.id] != "ok":
            log("WARNING: %s does not apply (%s); it is reported as not applicable" % (
                m.id, status[m.id]))

    workdir = os.path.abspath(args.workdir)
    copy = os.path.join(workdir, "src")
    logs = os.path.join(workdir, "logs")
    os.makedirs(logs, exist_ok=True)
    out = os.path.abspath(args.out or os.path.join(workdir, "results.json"))
    markdown = os.path.abspath(args.markdown or os.path.splitext(out)[0] + ".md")

    started_at = datetime.datetime.now().strftime("%Y-%m-%d %H:%M")
    started = time.monotonic()
    changed, removed = sync_tree(source, copy)
    log("copied %s into %s (%d files changed, %d removed)" % (source, copy, changed, removed))
    if not os.path.isfile(os.path.join(copy, BUILD_DIR, "CMakeCache.txt")):
        log("configuring the asan preset")
        configure(copy, logs)

    log("building and running the unmutated suite")
    code, output, timed_out = build(
        copy, args.jobs, args.build_timeout, os.path.join(logs, "baseline.build.log")
    )
    if code != 0 or timed_out:
        sys.exit("the unmutated build failed:\n" + "\n".join(compile_errors(output)))
    failed, total, whole_timeout = run_tests(
        copy, args.jobs, args.timeout, args.suite_timeout, os.path.join(logs, "baseline.ctest.log")
    )
    if failed or whole_timeout:
        sys.exit(
            "the unmutated suite does not pass (%s); see %s"
            % (", ".join(sorted(failed)) or "timeout", os.path.join(logs, "baseline.ctest.log"))
        )
    baseline_seconds = round(time.monotonic() - started)
    log("baseline: %d tests pass (%d s)" % (total, baseline_seconds))

    previous = {}
    if args.resume and os.path.isfile(out):
        with open(out, encoding="utf-8") as f:
            previous = {r["id"]: r for r in json.load(f).get("mutants", [])}

    data = {
        "run": {
            "source": source,
            "commit": git_commit(source),
            "started": started_at,
            "jobs": args.jobs,
            "test_timeout": args.timeout,
            "baseline_seconds": baseline_seconds,
            "baseline_tests": total,
            "baseline_test_names": list_test_names(copy),
            "seconds": 0,
        },
        "mutants": [],
    }
    # Mutants of one file run one after another: each restore costs one more compile.
    order = sorted(range(len(mutants)), key=lambda i: (mutants[i].file, i))
    done = {}
    for position, index in enumerate(order, 1):
        mutant = mutants[index]
        if mutant.id in previous and previous[mutant.id]["result"] in RAN:
            done[mutant.id] = previous[mutant.id]
            data["run"].setdefault("resumed", []).append(mutant.id)
            continue
        log("[%d/%d] %s %s: %s" % (position, len(order), mutant.id, mutant.file,
                                   mutant.description))
        try:
            record = run_mutant(mutant, copy, args, logs)
        except Interrupted as stop:
            log("stopped by %s; the results so far are in %s" % (stop, out))
            return 1
        done[mutant.id] = record
        killers = len(record.get("killed_by", {}))
        log("    %s in %.0f s%s" % (record["result"], record["seconds"],
                                    " (%d tests)" % killers if killers else ""))
        data["mutants"] = [done[m.id] for m in mutants if m.id in done]
        data["run"]["seconds"] = round(time.monotonic() - started)
        save(data, out)
    # The tree ends as it started: rebuild the restored files so the next run starts clean.
    build(copy, args.jobs, args.build_timeout, os.path.join(logs, "final.build.log"))

    data["mutants"] = [done[m.id] for m in mutants if m.id in done]
    data["run"]["seconds"] = round(time.monotonic() - started)
    save(data, out)
    write_markdown(data, markdown)
    detected, ran = kill_rate(data["mutants"])
    log("kill rate %d/%d; results in %s and %s" % (detected, ran, out, markdown))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Interrupted as stop:
        sys.exit("stopped by %s" % stop)
