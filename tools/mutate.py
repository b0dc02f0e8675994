#!/usr/bin/env python3
"""Mutation sampler: how many planted faults do the tests catch?

Two modes.

  Generate a fixed list of mutants, reproducibly:
    tools/mutate.py --sample selection --count 30 --seed 1 > tools/mutants/selection.txt

  Run a list: each mutant is written into the source tree, the test programs that
  cover its file are rebuilt and run, and the file is put back from a saved copy:
    tools/mutate.py --list tools/mutants/selection.txt --build build

A mutant list is plain text, one block per mutant:

    selection/greedy.cpp:120 cmp-flip
    -    if (best < score) {
    +    if (best <= score) {

"-" is the whole original line and "+" its replacement, each after one space, so
indentation is kept.  Lines starting with "#" are comments.  When the line has moved
since the list was made, the nearest identical line is used; when it is gone the
mutant is "stale" and left out of the rate.

Verdicts: killed (a test that passes on the clean tree fails, a test program crashes,
or the run times out), survived (every such test still passes), invalid (the mutant
does not compile), stale.

A killed mutant's log line names the program and up to five tests that failed first
(each program stops at its first failure).  With --every-killer every covering program
runs whole and the line lists every failing test (and "crashed" the programs that
crashed), so a test that is the only one to catch a mutant can be told apart from one
whose faults others catch too; add --wide to count the programs of other folders.
"""

import argparse
import collections
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KINDS = ("cmp-flip", "const", "negate", "remove", "andor", "bound")
QUERY_CLIENT = "client-zn-mutate"

# ---------------------------------------------------------------- list format


class Mutant:
    def __init__(self, path, line, kind, original, replacement):
        self.path, self.line, self.kind = path, line, kind
        self.original, self.replacement = original, replacement

    @property
    def place(self):
        return "%s:%d" % (self.path, self.line)

    @property
    def folder(self):
        return self.path.split("/", 1)[0]

    def text(self):
        return "%s %s\n- %s\n+ %s\n" % (self.place, self.kind, self.original, self.replacement)


def parse_list(text, name="<list>"):
    mutants, head, minus = [], None, None
    for n, raw in enumerate(text.splitlines(), 1):
        if not raw.strip() or raw.startswith("#"):
            continue
        if raw.startswith("- ") or raw == "-":
            if head is None or minus is not None:
                raise SystemExit("%s:%d: '-' line without a place line before it" % (name, n))
            minus = raw[2:]
        elif raw.startswith("+ ") or raw == "+":
            if minus is None:
                raise SystemExit("%s:%d: '+' line without a '-' line before it" % (name, n))
            mutants.append(Mutant(head[0], head[1], head[2], minus, raw[2:]))
            head, minus = None, None
        else:
            m = re.fullmatch(r"(\S+):(\d+)\s+(\S+)\s*", raw)
            if not m or head is not None:
                raise SystemExit("%s:%d: expected 'file:line kind', got %r" % (name, n, raw))
            head = (m.group(1), int(m.group(2)), m.group(3))
    if head is not None:
        raise SystemExit("%s: the last mutant is incomplete" % name)
    return mutants


def locate(lines, mutant, reach=400):
    """Index of the line to mutate: the listed one, else the nearest identical one."""
    want = mutant.original
    i = mutant.line - 1
    for d in range(0, reach + 1):
        for j in (i - d, i + d) if d else (i,):
            if 0 <= j < len(lines) and lines[j].rstrip("\n") == want:
                return j
    return None


# ---------------------------------------------------------------- generator


def mask_code(text):
    """The text with comments, string and character literals blanked (same length)."""
    out, i, n = list(text), 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out[i:j] = " " * (j - i)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out[i:j] = [ch if ch == "\n" else " " for ch in text[i:j]]
            i = j
        elif text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                i += 1
                continue
            end = text.find(")" + m.group(1) + '"', i)
            j = n if end < 0 else end + len(m.group(1)) + 2
            out[i:j] = [ch if ch == "\n" else "_" for ch in text[i:j]]
            i = j
        elif c in "\"'":
            if c == "'" and i > 0 and text[i - 1].isalnum():  # digit separator 1'000
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            out[i:j] = c + "_" * (j - i - 2) + c if j - i >= 2 else text[i:j]
            i = j
        else:
            i += 1
    return "".join(out)


SKIP_LINE = re.compile(
    r"^\s*#|static_assert|assert\s*\(|qDebug|qWarning|qInfo|qCritical|std::cerr|std::clog|"
    r"fprintf\s*\(\s*stderr|\blog\w*\s*\(|CPLDebug|CPLError|operator\s*\W|template\s*<"
)
CMP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
CMP_RE = re.compile(r"(?<=[\w)\]]) (<=|>=|==|!=|<|>) (?=[\w(!\-*&.:])")
ANDOR_RE = re.compile(r" (&&|\|\|) ")
INT_RE = re.compile(r"(?<![\w.'])(\d+)(?![\w.'>])")
COND_RE = re.compile(r"\b(if|while) \(")
STMT_RE = re.compile(r"^(\s*)(?:(?:\+\+|--)?[A-Za-z_][\w.\[\]:>-]*(?:\(.*\))?(?:\+\+|--)?"
                     r"|[A-Za-z_][\w.\[\]>-]* [-+*/|&]?= .*)\s*;\s*$")
FOR_RE = re.compile(r"\bfor \(([^;]*); ([^;]+?) (<|<=|>|>=) ([^;]+); ")
DECL_WORDS = re.compile(r"^\s*(?:return|break|continue|goto|throw|case|default|using|typedef|co_\w+)\b")


def balanced_end(s, start):
    """Index just past the ')' matching the '(' at s[start], or None on this line."""
    depth = 0
    for j in range(start, len(s)):
        if s[j] == "(":
            depth += 1
        elif s[j] == ")":
            depth -= 1
            if depth == 0:
                return j + 1
    return None


def line_mutants(line, code, prev_code, rng):
    """Candidate (kind, replacement) for one source line; code is the masked line."""
    out = []
    if not code.strip() or SKIP_LINE.search(line):
        return out
    for m in CMP_RE.finditer(code):
        out.append(("cmp-flip", line[: m.start(1)] + CMP[m.group(1)] + line[m.end(1):]))
    for m in ANDOR_RE.finditer(code):
        swap = "||" if m.group(1) == "&&" else "&&"
        out.append(("andor", line[: m.start(1)] + swap + line[m.end(1):]))
    # Literals in array sizes or template arguments would only break the build.
    if not re.search(r"\[\s*\d+\s*\]\s*[;={]|<\s*\d", code):
        for m in INT_RE.finditer(code):
            v = int(m.group(1))
            nv = v + 1 if v == 0 or rng.random() < 0.5 else v - 1
            out.append(("const", line[: m.start(1)] + str(nv) + line[m.end(1):]))
    for m in COND_RE.finditer(code):
        p = m.end() - 1
        e = balanced_end(code, p)
        if e:
            out.append(("negate", line[: p + 1] + "!(" + line[p + 1 : e - 1] + ")" + line[e - 1 :]))
    fm = FOR_RE.search(code)
    if fm:
        op, bound = fm.group(3), fm.group(4)
        delta = " - 1" if op in ("<", "<=") else " + 1"
        if bound.count("(") == bound.count(")"):
            e = fm.end(4)
            out.append(("bound", line[:e] + delta + line[e:]))
    st = STMT_RE.match(code)
    if (st and not DECL_WORDS.match(code) and code.count("(") == code.count(")")
            and prev_code.rstrip()[-1:] in (";", "{", "}", ":")
            and not re.match(r"^\s*[A-Za-z_][\w:<>]*\s+[A-Za-z_]\w*\s*[=({;]", code)):
        out.append(("remove", st.group(1) + ";"))
    return out


def sample(folder, count, seed, root=ROOT):
    rng = random.Random(seed)
    base = os.path.join(root, folder)
    files = sorted(f for f in os.listdir(base) if f.endswith(".cpp"))
    pools = {}
    for f in files:
        with open(os.path.join(base, f), encoding="utf-8") as fh:
            text = fh.read()
        lines, codes = text.split("\n"), mask_code(text).split("\n")
        by_kind = collections.defaultdict(list)
        prev = ";"
        for i, (line, code) in enumerate(zip(lines, codes)):
            for kind, rep in line_mutants(line, code, prev, rng):
                by_kind[kind].append(Mutant(folder + "/" + f, i + 1, kind, line, rep))
            if code.strip():
                prev = code
        for k in by_kind:
            rng.shuffle(by_kind[k])
        if by_kind:
            pools[f] = by_kind
    # Round robin over files, and within a file over kinds, so the list is spread out.
    chosen, used_lines = [], set()
    order = list(pools)
    rng.shuffle(order)
    kind_turn = {f: rng.randrange(len(KINDS)) for f in order}
    while len(chosen) < count and order:
        for f in list(order):
            if len(chosen) >= count:
                break
            pick = None
            for step in range(len(KINDS)):
                kind = KINDS[(kind_turn[f] + step) % len(KINDS)]
                pool = pools[f].get(kind, [])
                while pool and (f, pool[-1].line) in used_lines:
                    pool.pop()
                if pool:
                    pick = pool.pop()
                    kind_turn[f] = (kind_turn[f] + step + 1) % len(KINDS)
                    break
            if pick is None:
                order.remove(f)
                continue
            used_lines.add((f, pick.line))
            chosen.append(pick)
    chosen.sort(key=lambda m: (m.path, m.line))
    return chosen


# ---------------------------------------------------------------- build model


def code_model(build):
    """Targets of the build tree from CMake's file API: name -> (type, sources, deps)."""
    qdir = os.path.join(build, ".cmake", "api", "v1", "query", QUERY_CLIENT)
    rdir = os.path.join(build, ".cmake", "api", "v1", "reply")

    def reply():
        if not os.path.isdir(rdir):
            return None
        indexes = sorted(f for f in os.listdir(rdir) if f.startswith("index-"))
        if not indexes:
            return None
        with open(os.path.join(rdir, indexes[-1])) as fh:
            index = json.load(fh)
        answers = index["reply"].get(QUERY_CLIENT, {}).get("query.json", {}).get("responses", [])
        return next((r for r in answers if r.get("kind") == "codemodel"), None)

    cm = reply()
    if cm is None:
        os.makedirs(qdir, exist_ok=True)
        with open(os.path.join(qdir, "query.json"), "w") as fh:
            json.dump({"requests": [{"kind": "codemodel", "version": 2}]}, fh)
        subprocess.run(["cmake", build], check=True, stdout=subprocess.DEVNULL)
        cm = reply()
        if cm is None:
            raise SystemExit("cmake wrote no code model into %s" % rdir)
    with open(os.path.join(rdir, cm["jsonFile"])) as fh:
        model = json.load(fh)
    targets, ids = {}, {}
    for t in model["configurations"][0]["targets"]:
        with open(os.path.join(rdir, t["jsonFile"])) as fh:
            tj = json.load(fh)
        ids[tj["id"]] = tj["name"]
        targets[tj["name"]] = (tj["type"], [s["path"] for s in tj.get("sources", [])],
                               [d["id"] for d in tj.get("dependencies", [])])
    return {n: (ty, src, [ids[d] for d in deps if d in ids]) for n, (ty, src, deps) in targets.items()}


def covering_tests(model, path, wide=False):
    """Test programs that link the target holding path; the folder's own tests unless wide."""
    owners = {n for n, (_, src, _) in model.items() if path in src}
    closure = {}

    def deps_of(n):
        if n not in closure:
            closure[n] = set()
            for d in model[n][2]:
                closure[n] |= {d} | deps_of(d)
        return closure[n]

    tests = sorted(n for n, (ty, src, _) in model.items() if ty == "EXECUTABLE" and n.endswith("_tests")
                   and owners & deps_of(n))
    if wide:
        return tests
    folder = path.split("/", 1)[0]
    # The tool's case files drive every folder the tool links, so their runner
    # counts as a test of each of them.
    own = [n for n in tests
           if n == "zn_cli_tests" or any(s.startswith("tests/%s/" % folder) for s in model[n][1])]
    return own or tests


def test_programs(build):
    """Executable path -> (environment, working folder) from ctest's own test list."""
    res = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"], check=True,
                         capture_output=True, text=True)
    progs = {}
    for t in json.loads(res.stdout).get("tests", []):
        cmd = t.get("command") or []
        if not cmd:
            continue
        env, cwd = {}, build
        for p in t.get("properties", []):
            if p["name"] == "ENVIRONMENT":
                env.update(v.split("=", 1) for v in p["value"] if "=" in v)
            elif p["name"] == "WORKING_DIRECTORY":
                cwd = p["value"]
        prog = progs.setdefault(os.path.basename(cmd[0]), (cmd[0], {}, cwd))
        prog[1].update(env)
    return progs


# ---------------------------------------------------------------- running


class Uninterrupted:
    """Holds Ctrl-C and termination back while the tree is half written."""

    SIGNALS = {signal.SIGINT, signal.SIGTERM, signal.SIGHUP}

    def __enter__(self):
        self.old = signal.pthread_sigmask(signal.SIG_BLOCK, self.SIGNALS)

    def __exit__(self, *exc):
        signal.pthread_sigmask(signal.SIG_SETMASK, self.old)
        return False


class Tree:
    """Writes one mutant at a time and always puts the original back from a saved copy."""

    def __init__(self, build, root=ROOT):
        self.root = root
        self.dir = os.path.join(os.path.abspath(build), "mutate-saved")
        self.journal = os.path.join(self.dir, "JOURNAL")
        os.makedirs(self.dir, exist_ok=True)
        self.restore()  # a run killed hard (SIGKILL, power) left a mutant behind

    def _write(self, path, data):
        fd, tmp = tempfile.mkstemp(dir=os.path.dirname(path), prefix=".mutate-")
        with os.fdopen(fd, "wb") as fh:
            fh.write(data)
        os.chmod(tmp, os.stat(path).st_mode & 0o7777)
        os.replace(tmp, path)

    def apply(self, path, data):
        with Uninterrupted():
            self._apply(path, data)

    def _apply(self, path, data):
        full = os.path.join(self.root, path)
        saved = os.path.join(self.dir, "original")
        shutil.copyfile(full, saved)
        with open(saved + ".tmp", "w") as fh:
            fh.write(path)
        os.replace(saved + ".tmp", self.journal)  # journal only once the copy is whole
        self._write(full, data)

    def restore(self):
        with Uninterrupted():
            self._restore()

    def _restore(self):
        if not os.path.exists(self.journal):
            return
        with open(self.journal) as fh:
            path = fh.read().strip()
        with open(os.path.join(self.dir, "original"), "rb") as fh:
            data = fh.read()
        full = os.path.join(self.root, path)
        self._write(full, data)
        with open(full, "rb") as fh:
            if fh.read() != data:
                raise SystemExit("could not restore %s; the saved copy is %s/original" % (path, self.dir))
        os.remove(self.journal)


def build_targets(build, targets, jobs, timeout):
    cmd = ["cmake", "--build", build, "--target"] + targets + (["-j", str(jobs)] if jobs else [])
    try:
        res = subprocess.run(cmd, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return False, "build timed out"
    return res.returncode == 0, res.stdout[-3000:] + res.stderr[-2000:]


def run_program(prog, timeout, fail_fast):
    """(status, failed test names, seconds); status ok, failed, crashed or timeout."""
    exe, env, cwd = prog
    fd, xml = tempfile.mkstemp(suffix=".xml")
    os.close(fd)
    os.remove(xml)
    # ctest may set QT_QPA_PLATFORM itself; its value wins over the default.
    full_env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    full_env.update(env)
    args = [exe, "--gtest_output=xml:" + xml] + (["--gtest_fail_fast"] if fail_fast else [])
    start = time.monotonic()
    p = subprocess.Popen(args, cwd=cwd, env=full_env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                         start_new_session=True)
    try:
        rc = p.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        p.wait()
        return "timeout", set(), time.monotonic() - start
    finally:
        if p.poll() is None:
            os.killpg(p.pid, signal.SIGKILL)
            p.wait()
    secs = time.monotonic() - start
    failed = set()
    try:
        for case in ET.parse(xml).getroot().iter("testcase"):
            if case.find("failure") is not None or case.find("error") is not None:
                failed.add(case.get("classname", "") + "." + case.get("name", ""))
        os.remove(xml)
    except (OSError, ET.ParseError):
        return ("crashed" if rc != 0 else "ok"), failed, secs
    if rc < 0:
        return "crashed", failed, secs
    return ("failed" if failed or rc != 0 else "ok"), failed, secs


def run_list(args):
    mutants = []
    for name in args.list:
        with open(name) as fh:
            mutants += parse_list(fh.read(), name)
    if args.only:
        mutants = [m for m in mutants if m.folder == args.only.strip("/")]
    build = os.path.abspath(args.build)
    model = code_model(build)
    needed = sorted({t for m in mutants for t in covering_tests(model, m.path, args.wide)})
    tree = Tree(build)  # before building: a mutant left by a killed run must not be built as clean
    ok, out = build_targets(build, needed, args.jobs, None) if needed else (True, "")
    if not ok:
        raise SystemExit("the clean tree does not build:\n" + out)
    progs = test_programs(build)  # after the build, so discovered tests name their programs
    done = {}
    if args.log and args.resume and os.path.exists(args.log):
        with open(args.log) as fh:
            for row in fh:
                r = json.loads(row)
                done[(r["place"], r["kind"], r["replacement"])] = r
    baseline = {}  # test program -> (tests failing on the clean tree, seconds)
    results = []
    log = open(args.log, "a") if args.log else None

    def on_term(signum, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, on_term)
    signal.signal(signal.SIGHUP, on_term)
    try:
        for n, m in enumerate(mutants, 1):
            key = (m.place, m.kind, m.replacement)
            if key in done:
                results.append(done[key])
                continue
            row = {"place": m.place, "kind": m.kind, "original": m.original, "replacement": m.replacement}
            tests = [t for t in covering_tests(model, m.path, args.wide) if t in progs]
            source = os.path.join(ROOT, m.path)
            if os.path.exists(source):
                with open(source, "rb") as fh:
                    lines = fh.read().decode("utf-8").split("\n")
                at = locate(lines, m)
            if not os.path.exists(source):
                row.update(verdict="stale", why="the file is gone")
            elif not tests:
                row.update(verdict="stale", why="no test program covers the file")
            elif at is None:
                row.update(verdict="stale", why="original line not found")
            else:
                for t in tests:
                    if t not in baseline:
                        status, failed, secs = run_program(progs[t], None, False)
                        if status in ("crashed", "timeout"):
                            raise SystemExit("%s %s on the clean tree" % (t, status))
                        baseline[t] = (failed, secs)
                        print("clean %s: %.1fs, %d failing" % (t, secs, len(failed)), file=sys.stderr)
                lines[at] = m.replacement
                try:
                    tree.apply(m.path, "\n".join(lines).encode("utf-8"))
                    ok, out = build_targets(build, tests, args.jobs, args.build_timeout)
                    if not ok:
                        errors = [x for x in out.splitlines() if "error" in x] or ["does not compile"]
                        row.update(verdict="invalid", why=errors[0][-300:])
                    else:
                        row["verdict"] = "survived"
                        for t in tests:
                            limit = args.timeout or max(30.0, 4 * baseline[t][1])
                            fail_fast = not baseline[t][0] and not args.every_killer
                            status, failed, _ = run_program(progs[t], limit, fail_fast)
                            new = sorted(failed - baseline[t][0])
                            if not (status in ("crashed", "timeout") or new):
                                continue
                            if row["verdict"] != "killed":
                                row.update(verdict="killed", by=t, how=status, tests=[])
                            if status in ("crashed", "timeout"):
                                row.setdefault("crashed", []).append(t)
                            if not args.every_killer:
                                row["tests"] = new[:5]
                                break
                            row["tests"] += new
                finally:
                    tree.restore()
                row["line"] = at + 1
            results.append(row)
            print("[%d/%d] %-8s %s %s" % (n, len(mutants), row["verdict"], m.place, m.kind), file=sys.stderr)
            if log:
                log.write(json.dumps(row) + "\n")
                log.flush()
    except KeyboardInterrupt:
        print("interrupted; the source tree is restored", file=sys.stderr)
    finally:
        tree.restore()
        if log:
            log.close()
    # The programs were last built from a mutant: build them again from the
    # restored source, so a later ctest runs the clean tree.
    if needed:
        ok, _ = build_targets(build, needed, args.jobs, None)
        print("test programs rebuilt from the clean tree" if ok else "rebuilding the test programs failed",
              file=sys.stderr)
    report(results, args.commit or git_commit(), sys.stdout)


def git_commit():
    res = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"], capture_output=True, text=True)
    return res.stdout.strip() or "unknown"


def report(results, commit, out):
    per = collections.OrderedDict()
    for r in sorted(results, key=lambda r: r["place"]):
        per.setdefault(r["place"].split("/", 1)[0], collections.Counter())[r["verdict"]] += 1
    out.write("Commit %s\n\n" % commit)
    out.write("| folder | killed | survived | invalid | stale | kill rate |\n|---|---|---|---|---|---|\n")
    total = collections.Counter()
    for folder, c in per.items():
        total.update(c)
        out.write("| %s | %d | %d | %d | %d | %s |\n" % (folder, c["killed"], c["survived"], c["invalid"],
                                                     c["stale"], rate(c)))
    out.write("| all | %d | %d | %d | %d | %s |\n" % (total["killed"], total["survived"], total["invalid"],
                                                     total["stale"], rate(total)))
    for verdict, title in (("survived", "Surviving mutants"), ("invalid", "Invalid mutants"),
                           ("stale", "Stale mutants")):
        rows = sorted((r for r in results if r["verdict"] == verdict), key=place_order)
        if rows:
            out.write("\n%s:\n\n" % title)
        for r in rows:
            out.write("- `%s` %s: `%s` -> `%s`\n" % (r["place"], r["kind"], r["original"].strip(),
                                                   r["replacement"].strip()))


def place_order(r):
    path, line = r["place"].rsplit(":", 1)
    return path, int(line)


def rate(c):
    n = c["killed"] + c["survived"]
    return "%.0f%% (%d/%d)" % (100.0 * c["killed"] / n, c["killed"], n) if n else "-"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--list", action="append", default=[], help="mutant list file (repeatable)")
    ap.add_argument("--build", default=os.path.join(ROOT, "build"), help="configured build folder")
    ap.add_argument("--only", help="run only the mutants of this source folder")
    ap.add_argument("--jobs", type=int, default=0, help="parallel build jobs")
    ap.add_argument("--timeout", type=float, default=0,
                    help="seconds per test program run (default: 4x its clean run, at least 30)")
    ap.add_argument("--build-timeout", type=float, default=1800, help="seconds per mutant build")
    ap.add_argument("--wide", action="store_true",
                    help="run every test program linking the file, not only the folder's own")
    ap.add_argument("--every-killer", action="store_true",
                    help="run every covering program whole and log every test that fails (slower; shows "
                         "whether a test is the only one catching a mutant)")
    ap.add_argument("--log", help="append one JSON line per mutant here")
    ap.add_argument("--resume", action="store_true", help="skip mutants already in --log")
    ap.add_argument("--report", metavar="LOG", help="print the report of a --log file and stop")
    ap.add_argument("--commit", help="commit named in the report (default: HEAD)")
    ap.add_argument("--sample", metavar="FOLDER", help="propose mutants for this source folder")
    ap.add_argument("--count", type=int, default=30)
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    if args.sample:
        sys.stdout.write("# tools/mutate.py --sample %s --count %d --seed %d\n" % (args.sample.strip("/"),
                                                                                args.count, args.seed))
        for m in sample(args.sample.strip("/"), args.count, args.seed):
            sys.stdout.write(m.text())
    elif args.report:
        with open(args.report) as fh:
            report([json.loads(r) for r in fh], args.commit or git_commit(), sys.stdout)
    elif args.list:
        run_list(args)
    else:
        ap.error("give --list FILE, --sample FOLDER or --report LOG")


if __name__ == "__main__":
    main()
