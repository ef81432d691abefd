#!/usr/bin/env python3
"""Mutation testing of the plotting library: which test functions notice a small fault?

usage:
  mutate.py run [FILE|GLOB ...] --results R.jsonl [-n 150] [--seed 1] [--scratch DIR] [-O 1] [--interleave]
      Mutates a deterministic sample of N lines (stratified over the files, default: the drawing,
      storage, look and view-model sources), one mutant at a time, in a scratch copy of this
      checkout; rebuilds incrementally, runs every test executable and appends one JSON line per
      mutant to R.jsonl. Mutants already in R.jsonl are skipped, so an interrupted run resumes.
      --interleave takes the same sample file by file in turn, so that a run stopped early has
      covered every file.
  mutate.py rerun OLD.jsonl --results NEW.jsonl [--lib-from REV|worktree] [--scratch DIR]
      The mutants of OLD.jsonl again, against the tests of this checkout's working tree and the
      library code of the commit OLD.jsonl was run on (or REV, or the working tree).
  mutate.py report R.jsonl            score, survivors, and the kills of each test function
  mutate.py compare OLD.jsonl NEW.jsonl   before/after score over the mutants both have run
  mutate.py list [FILE|GLOB ...] [-n N --seed S]   the candidate mutants (or the sample)

A mutant is "killed" when a test function fails (QtTest's "FAIL!  : Class::function(...)"), or a
test executable crashes or hangs (the function that was running then is the killer, or
"<executable>:<crash N>" / "<executable>:<timeout>" outside the functions). A mutant that does not
compile is "invalid" and not counted. The checkout this script lives in is never written to.

Mutations, one per mutant, on one line of code (comments, strings, preprocessor, assertion and
trace lines left alone): flip a comparison (< <=, > >=, == !=), drop a simple statement (assignment,
call, ++/--), shift a subscript by one, drop a "+ 1"/"- 1", swap min and max, negate an if/while
condition, swap && and ||.
The scratch build (DIR/tree, DIR/build) is configured with -O1 and no debug information, which
rebuilds and runs the suite fastest; the test executables are not relinked when only the library
changes. Each test executable gets 30 s + 5 times its unmutated run time before it counts as hung.
"""
import argparse, io, json, os, random, re, signal, subprocess, sys, tarfile, tempfile, time
from collections import Counter, defaultdict
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DEFAULT_FILES = ["src/xyplot/xycanvas*.cpp", "src/xyplot/dataarray*.cpp", "src/xyplot/bitdataarray.cpp",
                 "src/xyplot/compresseddataarraytemplate.cpp", "src/xyplot/blockminmaxcache.cpp",
                 "src/look/*.cpp"]
DEFAULT_SCRATCH = Path(tempfile.gettempdir()) / f"zebplot-mutate-{os.getuid()}"
JOBS = 2

# ---------------------------------------------------------------- finding mutants

def mask(text):
    """The text with comments blanked and literals filled with 'x', columns and newlines kept,
    so that the patterns below only ever see code."""
    out, i, n = list(text), 0, len(text)
    def blank(a, b, fill):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = fill
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j, " "); i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j, " "); i = j
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i-1].isalnum() or text[i-1] == "_")):
            delim = text[i + 2:text.index("(", i)]
            j = text.find(")" + delim + '"', i) + len(delim) + 2
            blank(i + 2, j - 1, "x"); i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            blank(i + 1, j, "x"); i = j + 1
        else:
            i += 1
    return "".join(out)

SKIP_LINE = re.compile(r"\b(ZEB_ASSERT\w*|ZEB_CHECK|dbg_\w+|Q_ASSERT\w*|assert|qDebug|static_assert)\b")
NO_DROP = re.compile(r"^(return|break|continue|goto|case|default|using|typedef|template|delete|throw|namespace"
                     r"|friend|class|struct|enum|public|private|protected|else|do|emit\s*$)\b")
FLIP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
SWAP = {"std::min": "std::max", "std::max": "std::min", "qMin": "qMax", "qMax": "qMin",
        "std::fmin": "std::fmax", "std::fmax": "std::fmin"}
POSTFIX = r"[\w.\->\[\]:*~]+"        # a name, member access, subscript: no type in front of it
ASSIGN = re.compile(rf"^\*?{POSTFIX}\s*([-+*/%&|^]|<<|>>)?=[^=].*;$")
CALL = re.compile(rf"^(emit\s+)?{POSTFIX}\(.*\)\s*;$")
INCDEC = re.compile(rf"^((\+\+|--){POSTFIX}|{POSTFIX}(\+\+|--))\s*;$")
DECLARATION = re.compile(r"^(static\s+|const\s+|constexpr\s+)*[\w:<>,]+[\s*&]+\w+\s*[\[({=;]")

def balanced(s):
    depth = 0
    for ch in s:
        depth += {"(": 1, ")": -1}.get(ch, 0)
        if depth < 0:
            return False
    return depth == 0

def closing_paren(s, start):
    depth = 0
    for k in range(start, len(s)):
        depth += {"(": 1, ")": -1}.get(s[k], 0)
        if depth == 0:
            return k
    return -1

def droppable(code, prev):
    """A whole simple statement on its own line: an assignment, a call or ++/--, whose line starts
    the statement (the line before ends one, opens a block or is a braceless if/for/while/else)."""
    if not code.endswith(";") or "{" in code or "}" in code or not balanced(code) or NO_DROP.match(code):
        return False
    if not (prev == "" or prev[-1] in ";{}:)" or prev.endswith("else")):
        return False
    flat = re.sub(r"\[[^\[\]]*\]", "[]", code)       # spaces inside subscripts do not make a type
    if re.match(r"^[A-Z0-9_]+\(", flat) or re.search(r"\b(reserve|squeeze|shrink_to_fit)\(", flat):
        return False                                  # a macro such as Q_UNUSED, or only a capacity hint
    return bool(ASSIGN.match(flat) or CALL.match(flat) or INCDEC.match(flat))

def line_mutants(o, m, prev):
    """(column, operator, mutated line) for original line o with masked text m."""
    s = m.strip()
    if not s or s.startswith("#") or SKIP_LINE.search(m) or "operator" in s:
        return
    if droppable(s, prev):                            # trailing comments stay
        start, end = len(m) - len(m.lstrip()), m.rindex(";") + 1
        yield start, "drop-statement", o[:start] + "{}" + o[end:]
    if "template" not in s:
        for t in re.finditer(r"(?<=\s)(<=|>=|==|!=|<|>)(?=\s)", m):
            yield t.start(), f"cmp {t.group()} -> {FLIP[t.group()]}", o[:t.start()] + FLIP[t.group()] + o[t.end():]
    for t in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", m):
        new = "||" if t.group() == "&&" else "&&"
        yield t.start(), f"logic {t.group()} -> {new}", o[:t.start()] + new + o[t.end():]
    for t in re.finditer(r"\b(std::fmin|std::fmax|std::min|std::max|qMin|qMax)\b(?=\s*[(<])", m):
        new = SWAP[t.group()]
        yield t.start(), f"swap {t.group()} -> {new}", o[:t.start()] + new + o[t.end():]
    if not DECLARATION.match(s):
        for t in re.finditer(r"(?<=[\w)\]])\[([^\[\]]+)\]", m):
            inner = o[t.start(1):t.end(1)].strip()
            simple = re.fullmatch(r"[\w.\->()+\-* ]+", inner)
            for d in ("+ 1", "- 1"):
                if inner.endswith(("+ 1" if d == "- 1" else "- 1")):
                    continue                          # would cancel: the off-by-one operator has it
                new = f"{inner} {d}" if simple else f"({inner}) {d}"
                yield t.start(), f"index [{d.replace(' ', '')}]", o[:t.start(1)] + new + o[t.end(1):]
    for t in re.finditer(r"(?<=[\w)\]]) ([-+]) 1(?![\w.'])(?!\s*[*/%])", m):
        yield t.start(), f"off-by-one drop '{t.group().strip()}'", o[:t.start()] + o[t.end():]
    for t in re.finditer(r"\b(if|while)\s*\(", m):
        close = closing_paren(m, t.end() - 1)
        if close > 0 and "constexpr" not in m[t.start():t.end()]:
            yield t.start(), f"negate {t.group(1)}", o[:t.end()] + "!(" + o[t.end():close] + ")" + o[close:]

def file_mutants(rel, text):
    lines, masked, result, prev = text.split("\n"), mask(text).split("\n"), [], ""
    for no, (o, m) in enumerate(zip(lines, masked), 1):
        if prev.endswith("\\"):                       # continuation of a macro definition
            prev = m.strip(); continue
        for col, op, new in line_mutants(o, m, prev):
            result.append({"id": f"{rel}:{no}:{col}:{op}", "file": rel, "line": no, "op": op,
                           "orig": o, "mutated": new})
        if m.strip():
            prev = m.strip()
    return result

def expand(patterns):
    files = sorted({str(p.relative_to(ROOT)) for pat in patterns for p in ROOT.glob(pat) if p.is_file()})
    if not files:
        sys.exit(f"no files match {patterns}")
    return files

def sample(files, n, seed):
    """n mutants, shared among the files in proportion to their candidates (largest remainder),
    drawn at random within each file: the same seed and sources give the same sample."""
    per_file = {f: file_mutants(f, (ROOT / f).read_text()) for f in files}
    total = sum(len(v) for v in per_file.values())
    if n <= 0 or n >= total:
        return [m for f in files for m in per_file[f]]
    exact = {f: n * len(v) / total for f, v in per_file.items()}
    quota = {f: int(x) for f, x in exact.items()}
    for f in sorted(files, key=lambda f: (quota[f] - exact[f], f))[:n - sum(quota.values())]:
        quota[f] += 1
    rng = random.Random(seed)
    return [m for f in files for m in sorted(rng.sample(per_file[f], quota[f]), key=lambda m: m["line"])]

# ---------------------------------------------------------------- scratch tree, build, tests

LIVE = set()                                          # running child process groups

def run(cmd, timeout=None, **kw):
    """(returncode or None on timeout, output); the whole process group dies on timeout or interrupt."""
    p = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace",
                         start_new_session=True, **kw)
    LIVE.add(p)
    try:
        out, _ = p.communicate(timeout=timeout)
        return p.returncode, out
    except subprocess.TimeoutExpired:
        kill(p)
        return None, p.communicate()[0]
    finally:
        kill(p)
        LIVE.discard(p)

def kill(p):
    if p.poll() is None:
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

def git(*args):
    return subprocess.run(["git", "-C", str(ROOT), *args], check=True, capture_output=True).stdout

def checkout_files(lib_from=None):
    """{path: bytes} of the tree to test: this checkout's working tree, or the library of commit
    lib_from with the tests of the working tree."""
    listed = git("ls-files", "-co", "--exclude-standard", "-z").decode().split("\0")
    files = {f: (ROOT / f).read_bytes() for f in listed if f and (ROOT / f).is_file()}
    if lib_from and lib_from != "worktree":
        tests = {f: b for f, b in files.items() if f.startswith("tests/")}
        with tarfile.open(fileobj=io.BytesIO(git("archive", "--format=tar", lib_from))) as tar:
            files = {m.name: tar.extractfile(m).read() for m in tar if m.isfile() and not m.name.startswith("tests/")}
        files.update(tests)
    return files

def sync(tree, files):
    """Makes tree hold exactly files, rewriting only what differs so that ninja rebuilds little."""
    for rel, data in files.items():
        p = tree / rel
        if not p.exists() or p.read_bytes() != data:
            p.parent.mkdir(parents=True, exist_ok=True)
            p.write_bytes(data)
    for p in sorted(tree.rglob("*"), reverse=True):
        if p.is_file() and str(p.relative_to(tree)) not in files:
            p.unlink()

class Scratch:
    def __init__(self, root, opt):
        self.root, self.tree, self.build = root, root / "tree", root / "build"
        if self.root.resolve() == ROOT or ROOT in self.root.resolve().parents:
            sys.exit("the scratch directory must lie outside the checkout")
        # A crash is a kill, not something to debug: no gdb stack dump, no core file.
        self.env = dict(os.environ, CCACHE_BASEDIR=str(root.resolve()), QT_QPA_PLATFORM="offscreen",
                        QTEST_DISABLE_STACK_DUMP="1", QTEST_DISABLE_CORE_DUMP="1")
        self.opt = opt

    def prepare(self, files):
        self.tree.mkdir(parents=True, exist_ok=True)
        sync(self.tree, files)
        # Test executables need not relink when only the shared library changed.
        code, out = run(["cmake", "-S", str(self.tree), "-B", str(self.build), "-G", "Ninja",
                         "-DCMAKE_BUILD_TYPE=RelWithDebInfo", f"-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O{self.opt} -DNDEBUG",
                         "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON",
                         "-DZEBPLOT_BUILD_TESTS=ON", "-DZEBPLOT_BUILD_EXAMPLES=OFF", "-DZEBPLOT_BUILD_BENCH=OFF"],
                        env=self.env)
        if code != 0:
            sys.exit(out)

    def compile(self):
        code, out = run(["cmake", "--build", str(self.build), f"-j{JOBS}"], timeout=3600, env=self.env)
        errors = [l for l in out.splitlines() if "error" in l]
        return code == 0, (errors or out.splitlines()[-3:] or [""])[0][:300]

    def tests(self):
        info = json.loads(run(["ctest", "--test-dir", str(self.build), "--show-only=json-v1"], env=self.env)[1])
        result = []
        for t in info["tests"]:
            props = {p["name"]: p["value"] for p in t.get("properties", [])}
            env = dict(self.env, **dict(e.split("=", 1) for e in props.get("ENVIRONMENT", [])))
            result.append((t["name"], t["command"], env, props.get("WORKING_DIRECTORY", str(self.build))))
        return result

FAIL_LINE = re.compile(r"^(?:FAIL!|XPASS) *: *([\w:]+)\(", re.M)
ENTERING = re.compile(r"^INFO *: *[\w:]+::(\w+)\(\) entering", re.M)     # printed with -v1

def run_suite(tests, timeouts):
    """{test: (seconds, returncode or None, failing functions, how it died or "")}, JOBS at a time.
    A hang or crash counts against the function that was running then (the last one QtTest
    reported entering), or against the executable when it happened outside the functions."""
    def one(t):
        name, cmd, env, cwd = t
        start = time.monotonic()
        code, out = run(cmd + ["-v1"], timeout=timeouts.get(name, 600), env=env, cwd=cwd)
        failed, died = {f"{name}::{f.split('::')[-1]}" for f in FAIL_LINE.findall(out)}, ""
        if code is None or (code != 0 and (code < 0 or code > 127 or not failed)):
            running = ENTERING.findall(out)
            died = "timeout" if code is None else f"crash {code}"
            failed.add(f"{name}::{running[-1]}" if running and "Totals:" not in out else f"{name}:<{died}>")
        return name, (time.monotonic() - start, code, sorted(failed), died)
    order = sorted(tests, key=lambda t: -timeouts.get(t[0], 0))   # longest first packs the jobs best
    with ThreadPoolExecutor(JOBS) as pool:
        try:
            return dict(pool.map(one, order))
        except BaseException:
            for p in list(LIVE):                      # the workers must not wait for their tests
                kill(p)
            raise

# ---------------------------------------------------------------- campaign

def load(path):
    meta, records = {}, {}
    if Path(path).exists():
        for line in Path(path).read_text().splitlines():
            if line.strip():
                r = json.loads(line)
                if "meta" in r:
                    meta = r["meta"]
                else:
                    records[r["id"]] = r
    return meta, records

def campaign(args, mutants, files, lib_from):
    _, done = load(args.results)
    todo = [m for m in mutants if m["id"] not in done]
    print(f"{len(mutants)} mutants, {len(mutants) - len(todo)} already in {args.results}", flush=True)
    if not todo:
        return
    scratch = Scratch(Path(args.scratch), args.opt)
    scratch.prepare(files)
    t0 = time.monotonic()
    ok, error = scratch.compile()
    if not ok:
        sys.exit(f"the unmutated tree does not build: {error}")
    build_s = time.monotonic() - t0
    tests = scratch.tests()
    base = run_suite(tests, {})
    broken = {n: r for n, r in base.items() if r[1] != 0}
    if broken:
        sys.exit(f"the unmutated tree fails its tests, nothing to learn from mutants: {broken}")
    timeouts = {n: args.timeout or 30 + 5 * r[0] for n, r in base.items()}
    functions = sorted(f"{name}::{fn}" for name, cmd, env, cwd in tests for fn in
                       re.findall(r"^(\w+)\(\)$", run(cmd + ["-functions"], timeout=60, env=env, cwd=cwd)[1], re.M))
    suite_s = sum(r[0] for r in base.values())
    print(f"baseline: build {build_s:.0f}s, suite {suite_s:.0f}s of test time, {len(functions)} test functions",
          flush=True)
    head = git("rev-parse", "HEAD").decode().strip()
    dirty = bool(git("status", "--porcelain", "--", "src", "lib", "include").strip())
    meta = {"commit": lib_from if lib_from not in (None, "worktree") else head, "library_dirty": dirty
            and lib_from in (None, "worktree"), "opt": args.opt, "functions": functions, "started": time.ctime()}
    with open(args.results, "a") as out:
        out.write(json.dumps({"meta": meta}) + "\n")
        for k, m in enumerate(todo, 1):
            out.write(json.dumps(try_mutant(scratch, tests, timeouts, m, k, len(todo))) + "\n")
            out.flush()

def try_mutant(scratch, tests, timeouts, m, k, count):
    path = scratch.tree / m["file"]
    original = path.read_text()
    lines = original.split("\n")
    record = dict(m)
    if m["line"] > len(lines) or lines[m["line"] - 1] != m["orig"]:
        record["status"] = "stale"                   # the library line is no longer what was mutated
        print(f"[{k}/{count}] {m['id']}: stale", flush=True)
        return record
    lines[m["line"] - 1] = m["mutated"]
    try:
        path.write_text("\n".join(lines))
        t0 = time.monotonic()
        ok, error = scratch.compile()
        record["build_s"] = round(time.monotonic() - t0, 1)
        if not ok:
            record.update(status="invalid", error=error)
        else:
            t1 = time.monotonic()
            results = run_suite(tests, timeouts)
            record["test_s"] = round(time.monotonic() - t1, 1)
            record["killers"] = sorted({f for r in results.values() for f in r[2]})
            record["died"] = sorted(f"{n}: {r[3]}" for n, r in results.items() if r[3])
            record["status"] = "killed" if record["killers"] else "survived"
    finally:
        path.write_text(original)                    # also on Ctrl-C: the scratch tree is whole again
    print(f"[{k}/{count}] {m['id']}: {record['status']} {' '.join(record.get('killers', []))}"
          f"{' (' + ', '.join(record['died']) + ')' if record.get('died') else ''}"
          f" ({record['build_s']}s build, {record.get('test_s', 0)}s tests)", flush=True)
    return record

# ---------------------------------------------------------------- reports

def score(records):
    valid = [r for r in records if r.get("status") in ("killed", "survived")]
    killed = sum(r["status"] == "killed" for r in valid)
    return killed, len(valid), (100.0 * killed / len(valid) if valid else float("nan"))

def report(path):
    meta, recs = load(path)
    recs = list(recs.values())
    status = Counter(r["status"] for r in recs)
    killed, valid, pct = score(recs)
    print(f"{path}: {len(recs)} mutants of commit {meta.get('commit', '?')[:12]} (-O{meta.get('opt')})  "
          + ", ".join(f"{k} {v}" for k, v in sorted(status.items())))
    print(f"mutation score: {killed}/{valid} = {pct:.1f}%")
    timed = [r for r in recs if "test_s" in r]
    if timed:
        total = sum(r.get("build_s", 0) + r.get("test_s", 0) for r in recs)
        print(f"time per valid mutant: build {sum(r['build_s'] for r in timed) / len(timed):.1f}s + tests "
              f"{sum(r['test_s'] for r in timed) / len(timed):.1f}s; {total / len(recs):.1f}s per mutant overall")
    for title, key in (("operator", lambda r: r["op"].split()[0]), ("file", lambda r: r["file"])):
        groups = defaultdict(list)
        for r in recs:
            groups[key(r)].append(r)
        print(f"\nby {title}:")
        for g, rs in sorted(groups.items()):
            k, v, p = score(rs)
            print(f"  {g:50} {k:4}/{v:<4} {p:5.1f}%")
    print("\nsurvivors:")
    for r in sorted((r for r in recs if r["status"] == "survived"), key=lambda r: (r["file"], r["line"])):
        print(f"  {r['file']}:{r['line']}  {r['op']}\n      - {r['orig'].strip()}\n      + {r['mutated'].strip()}")
    kills, alone = Counter(), Counter()
    for r in recs:
        fs = r.get("killers", [])
        kills.update(fs)
        if len(fs) == 1:
            alone.update(fs)
    print("\ntest functions: mutants killed / killed by no other function")
    for f in sorted(kills, key=lambda f: (-alone[f], -kills[f], f)):
        print(f"  {f:60} {kills[f]:4} {alone[f]:4}")
    known = [f for f in meta.get("functions", [])
             if f.split("::")[-1] not in ("initTestCase", "cleanupTestCase", "init", "cleanup")]
    idle = defaultdict(list)
    for f in known:
        if f not in kills:
            idle[f.split("::")[0]].append(f.split("::")[1])
    print(f"\ntest functions that killed none of these mutants ({sum(map(len, idle.values()))} of {len(known)}):")
    for exe, fs in sorted(idle.items()):
        print(f"  {exe}: {', '.join(fs)}")

def compare(old_path, new_path):
    old, new = load(old_path)[1], load(new_path)[1]
    both = [i for i in old if i in new and {old[i]["status"], new[i]["status"]} <= {"killed", "survived"}]
    for label, recs in (("before", old), ("after", new)):
        k, v, p = score([recs[i] for i in both])
        print(f"{label:7} {k}/{v} = {p:.1f}%")
    for i in both:
        if old[i]["status"] != new[i]["status"]:
            r = new[i]
            print(f"  now {r['status']}: {r['file']}:{r['line']} {r['op']}  (before: {', '.join(old[i].get('killers', []))})")

# ---------------------------------------------------------------- command line

def interrupted(*_):
    raise KeyboardInterrupt

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="cmd", required=True)
    for name in ("run", "rerun", "list"):
        p = sub.add_parser(name)
        if name == "rerun":
            p.add_argument("old")
            p.add_argument("--lib-from", help="commit of the library code, or 'worktree' (default: the one recorded)")
        else:
            p.add_argument("files", nargs="*", default=DEFAULT_FILES)
            p.add_argument("-n", type=int, default=0, help="mutants to sample (default: all)")
            p.add_argument("--seed", type=int, default=1)
            if name == "run":
                p.add_argument("--interleave", action="store_true", help="take the files in turn")
        if name != "list":
            p.add_argument("--results", required=True)
            p.add_argument("--scratch", default=str(DEFAULT_SCRATCH))
            p.add_argument("-O", dest="opt", default="1", choices=["0", "1", "2", "g"],
                           help="optimisation level of the scratch build (default 1)")
            p.add_argument("--timeout", type=float, help="seconds per test executable (default 30 + 5x baseline)")
    sub.add_parser("report").add_argument("results")
    p = sub.add_parser("compare")
    p.add_argument("old")
    p.add_argument("new")
    args = ap.parse_args()
    # Also when started in the background, where the shell leaves SIGINT ignored.
    for sig in (signal.SIGINT, signal.SIGTERM):
        signal.signal(sig, interrupted)
    try:
        if args.cmd == "list":
            ms = sample(expand(args.files), args.n, args.seed)
            for m in ms:
                print(f"{m['id']}\n    - {m['orig'].strip()}\n    + {m['mutated'].strip()}")
            print(Counter(m["op"].split()[0] for m in ms), len(ms))
        elif args.cmd == "run":
            ms = sample(expand(args.files), args.n, args.seed)
            if args.interleave:
                per_file = defaultdict(list)
                for m in ms:
                    per_file[m["file"]].append(m)
                ms = [m for rank in range(len(ms)) for f in sorted(per_file) if rank < len(per_file[f])
                      for m in [per_file[f][rank]]]
            campaign(args, ms, checkout_files(), None)
        elif args.cmd == "rerun":
            meta, recs = load(args.old)
            if meta.get("library_dirty") and not args.lib_from:
                sys.exit(f"{args.old} was run on uncommitted library code: name it with --lib-from")
            lib_from = args.lib_from or meta["commit"]
            mutants = [{k: r[k] for k in ("id", "file", "line", "op", "orig", "mutated")}
                       for r in recs.values() if r["status"] in ("killed", "survived")]
            campaign(args, mutants, checkout_files(lib_from), lib_from)
        elif args.cmd == "report":
            report(args.results)
        else:
            compare(args.old, args.new)
    except KeyboardInterrupt:
        for p in list(LIVE):
            kill(p)
        sys.exit("interrupted; the scratch tree is restored, rerun to resume")

if __name__ == "__main__":
    main()
