#!/usr/bin/env python3
"""Checks `--compare all` against single runs, row by row.

For every problem below, runs `tarvik --batch ... --compare all --csv` once
and each method alone with `--trace`, and checks that each row's ending,
iterations, evaluations, J, ||gradJ|| and accuracy are what the single run
of that method shows: its exit status and last message or status line for
the ending, the last row of its trace for the numbers (the trace row is
what the report's last iteration lines print; where the report printed an
earlier iteration last, which happens when an input error clears the run
before its final lines, that is noted). Prints every disagreement and a
count; exits 1 when there is one.

usage: scripts/compare_check.py [BUILD_DIR] [-k SUBSTRING] [-j JOBS]
"""
import argparse
import csv
import io
import os
import re
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

DEMO = "collinear-demo"


def problems(files):
    a2, b2, a3, b3, u3, far, huge = files
    p = []
    # 2-D functions from several starts, both criteria.
    for f, starts, acc, eps in [
        ("rosenbrock", [0, 5, 12, 19], 1, "1e-4"), ("rosenbrock", [3, 22], 2, "1e-7"),
        ("himmelblau-2", [3, 10, 21], 1, "1e-5"), ("himmelblau-2", [20], 2, "1e-6"),
        ("himmelblau-4", [10, 16], 1, "1e-4"), ("himmelblau-4", [1], 2, "1e-8"),
        ("himmelblau-28", [5, 16, 19], 2, "1e-4"),
        ("saddle", [5, 11, 0], 2, "1e-4"),
        ("cubic-varnel", [7, 22], 1, "1e-4"), ("cubic-varnel", [14], 2, "1e-5"),
    ]:
        for s in starts:
            p.append(["--n", "2", "--function", f, "--start", str(s), "--accuracy", str(acc), "--eps", eps])
    # Functions of any dimension.
    for n, f, s, acc, eps in [
        (5, "axis-ellipsoid", 21, 1, "1e-6"), (10, "axis-ellipsoid-sin", 25, 2, "1e-8"),
        (20, "schwefel-1.2", 26, 1, "1e-5"), (10, "staircase-2", 24, 1, "1e-4"),
        (50, "staircase-2-sin", 28, 2, "1e-7"), (10, "quadratic-varnel", 20, 1, "1e-4"),
        (30, "qf1", 23, 1, "1e-5"), (40, "tridia", 25, 1, "1e-6"),
        (100, "dixon3dq", 19, 2, "1e-6"), (8, "hilbert-a", 20, 1, "1e-3"), (6, "hilbert-b", 21, 2, "1e-6"),
        (100, "generalized-rosenbrock", 28, 1, "1e-4"), (5, "generalized-rosenbrock", 5, 1, "1e-6"),
        (20, "generalized-rosenbrock", 0, 2, "1e-8"), (3, "generalized-rosenbrock", 19, 1, "1e-5"),
    ]:
        p.append(["--n", str(n), "--function", f, "--start", str(s), "--accuracy", str(acc), "--eps", eps])
    # The quadratic from files, J(u°) = 0 among them.
    quad2 = ["--function", "quadratic-file", "--matrix-a", a2, "--vector-b", b2]
    quad3 = ["--function", "quadratic-file", "--matrix-a", a3, "--vector-b", b3]
    p += [
        ["--n", "2", *quad2, "--start", "19", "--accuracy", "2", "--eps", "1e-4"],
        ["--n", "2", *quad2, "--start", "20", "--accuracy", "1", "--eps", "1e-6"],
        ["--n", "3", *quad3, "--start", "25", "--accuracy", "2", "--eps", "1e-9", "--ustar", "unknown"],
        ["--n", "3", *quad3, "--start", "21", "--accuracy", "1", "--eps", "1e-6", "--ustar-file", u3],
    ]
    # A far starting point, and parameters other than the defaults.
    p += [
        ["--n", "2", "--function", "rosenbrock", "--start-file", far, "--accuracy", "2", "--eps", "1e-6"],
        # J(u°) cannot be evaluated: no method starts.
        ["--n", "2", "--function", "rosenbrock", "--start-file", huge, "--accuracy", "2", "--eps", "1e-6"],
        # u° = u*: refused by every method.
        ["--n", "2", "--function", "rosenbrock", "--start", "20", "--accuracy", "1", "--eps", "1e-4"],
        ["--n", "2", "--function", "saddle", "--start", "3", "--accuracy", "2", "--eps", "1e-5",
         "--param", "WolfeInterpolation=cubic", "--param", "ConstStepSize=0.01"],
    ]
    # Failures answered every way, and iteration limits.
    p += [
        ["--n", "2", "--function", "rosenbrock", "--start", "5", "--accuracy", "1", "--eps", "1e-4", "--on-failure", "yes"],
        ["--n", "2", "--function", "saddle", "--start", "11", "--accuracy", "2", "--eps", "1e-4", "--on-failure", "all"],
        ["--n", "2", "--function", "himmelblau-28", "--start", "0", "--accuracy", "2", "--eps", "1e-6", "--on-failure", "no"],
        ["--n", "10", "--function", "quadratic-varnel", "--start", "23", "--accuracy", "1", "--eps", "1e-6", "--on-failure", "all"],
        ["--n", "20", "--function", "generalized-rosenbrock", "--start", "28", "--accuracy", "1", "--eps", "1e-6", "--on-failure", "yes"],
        ["--n", "2", "--function", "rosenbrock", "--start", "5", "--accuracy", "1", "--eps", "1e-9", "--max-iterations", "12"],
        ["--n", "2", "--function", "himmelblau-2", "--start", "0", "--accuracy", "2", "--eps", "1e-12", "--max-iterations", "5"],
        ["--n", "30", "--function", "generalized-rosenbrock", "--start", "25", "--accuracy", "1", "--eps", "1e-9", "--max-iterations", "100"],
    ]
    # Every problem is bounded so that the slow methods end.
    return [q if "--max-iterations" in q else q + ["--max-iterations", "3000"] for q in p]


def run(exe, args):
    r = subprocess.run([exe, "--batch", *args], capture_output=True, text=True, timeout=600,
                       env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    return r.returncode, r.stdout, r.stderr


def one_line(text):
    i = text.find("Would you like")
    if i >= 0:
        text = text[:i]
    return re.sub(r"[\r\n]", " ", text).rstrip(" ")


def last_message(err):
    """The message that ended a failed run: after the last answered question, or that question."""
    answered = list(re.finditer(r" \[(Yes|No|Yes to All|Cancel)\]\n", err))
    if answered and answered[-1].group(1) == "Cancel" and answered[-1].end() == len(err):
        start = err.rfind("\n", 0, answered[-1].start()) + 1
        return one_line(err[start:answered[-1].start()])
    rest = err[answered[-1].end():] if answered else err
    return one_line(rest.rstrip("\n"))


def read_trace(path):
    with open(path, newline="", encoding="utf-8") as f:
        lines = [line for line in f.read().splitlines() if not line.startswith("#")]
    rows = list(csv.DictReader(io.StringIO("\n".join(lines))))
    return rows


def expected_row(exe, problem, method, work):
    trace = os.path.join(work, f"trace-{method}.csv")
    status, out, err = run(exe, [*problem, "--method", method, "--trace", trace])
    rows = read_trace(trace) if os.path.exists(trace) else []
    lines = out.split("\n")
    status_line = out.rstrip("\n").split("\n")[-1] if out else ""
    if status == 1:
        ending = last_message(err)
    elif status == 0 and any(line.startswith(" No progress: ") for line in lines):
        ending = "no progress"
    elif status == 0 and " Terminated by user" in lines:
        ending = "iteration limit"
    elif status == 0 and any(line.startswith(" No progress:") for line in lines):
        ending = "no progress"
    elif status == 0 and "gradJ=0" in status_line:
        ending = "zero gradient"
    elif status == 0 and "STEP-SIZE=0" in status_line:
        ending = "zero step"
    elif status == 0:
        ending = "criterion"
        eps = float(problem[problem.index("--eps") + 1])
        if method == DEMO and rows and rows[-1]["accuracy"] and float(rows[-1]["accuracy"]) > eps:
            ending = "demo step"
    else:
        ending = f"exit {status}"
    exp = {"ending": ending}
    if rows:
        last = rows[-1]
        exp.update(iterations=last["iteration"], evaluations=last["evaluations"], J=last["J"],
                   grad_norm=last["grad_norm"], accuracy=last["accuracy"])
    # The report's last counting line agrees with the trace.
    counts = re.findall(r" Iteration=([\d ]+):\s+\(Total evaluating J and gradJ = ([\d ]+)\)", out)
    note = None
    if counts and rows:
        k, e = (c.replace(" ", "") for c in counts[-1])
        if (k, e) != (rows[-1]["iteration"], rows[-1]["evaluations"]):
            note = f"report's last line says iteration {k}, {e} evaluations"
    return exp, note


def method_keys(exe):
    """The methods' keys in the order of `--compare all`, as `--help` lists them."""
    status, out, err = run(exe, ["--help"])
    lines = out.split("\n")
    start = lines.index("Methods:") + 1
    return [line.split()[0] for line in lines[start:lines.index("", start)]]


def check(exe, methods, problem, jobs, notes):
    with tempfile.TemporaryDirectory() as work:
        status, out, err = run(exe, [*problem, "--compare", "all", "--csv"])
        with ThreadPoolExecutor(jobs) as pool:
            expected = list(pool.map(lambda m: expected_row(exe, problem, m, work), methods))
        if status != 0:
            # Refused: right only when every method's run is refused with that message.
            refusal = one_line(err.rstrip("\n"))
            if status == 1 and out.count("\n") == 1 and all(e["ending"] == refusal for e, _ in expected):
                return [], 0
            return [f"compare exit {status}: {err.strip()}"], 0
        table = list(csv.DictReader(io.StringIO(out)))
        problems_found = []
        if len(table) != len(methods):
            problems_found.append(f"{len(table)} rows")
        for m, row, (exp, note) in zip(methods, table, expected):
            for key, value in exp.items():
                if row[key] != value:
                    problems_found.append(f"method {m} {key}: row '{row[key]}', single run '{value}'")
            if note:
                notes.append(f"method {m}: {note} (not on the print schedule; the trace has every iteration)")
        return problems_found, len(table)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    ap.add_argument("-k", default="")
    ap.add_argument("-j", type=int, default=2)
    args = ap.parse_args()
    exe = os.path.join(args.build, "tarvik")
    with tempfile.TemporaryDirectory() as data:
        def write(name, text):
            path = os.path.join(data, name)
            with open(path, "w") as f:
                f.write(text)
            return path
        files = (write("a2", "3 1\n1 2\n"), write("b2", "1 2\n"),
                 write("a3", "4 1 0\n1 3 1\n0 1 2\n"), write("b3", "1 -2 0.5\n"), write("u3", "0.5 -1 0.75\n"),
                 write("far", "1e8 -3e7\n"), write("huge", "1e2000 1\n"))
        methods = method_keys(exe)
        total_rows = bad_problems = 0
        all_problems = [p for p in problems(files) if args.k in " ".join(p)]
        for problem in all_problems:
            notes = []
            found, rows = check(exe, methods, problem, args.j, notes)
            total_rows += rows
            shown = " ".join(a if "/" not in a else os.path.basename(a) for a in problem)
            if found:
                bad_problems += 1
                print(f"DIFFERS  {shown}")
                for f in found:
                    print(f"    {f}")
            else:
                print(f"same     {shown}")
            for n in notes:
                print(f"    note: {n}")
            sys.stdout.flush()
        print(f"{len(all_problems)} problems, {total_rows} rows, {bad_problems} problems with a disagreement")
        return 1 if bad_problems else 0


if __name__ == "__main__":
    sys.exit(main())
