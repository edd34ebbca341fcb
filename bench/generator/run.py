#!/usr/bin/env python3
"""Benchmark of the generator, printed in one run:

  1. the native keltrop's whole-process time on the reference file (20,000 sections x 25 keys of
     mixed types, about 13 MB) against Debian's libinih merely parsing it (goal: >= 1.0x) and
     against Python's configparser reading it (goal: >= 30x);
  2. linearity: 250,000, 500,000 and 1,000,000 keys in one section, and the ratio of the time per
     key at 1,000,000 to that at 250,000 (about 1.0 when time grows linearly).

Each time is the best of N runs of the whole process (start, read, work, write, exit), the
programs compared taking turns in each round. Inputs are
made in a scratch folder (never in the repository). Needs libinih-dev, pkg-config and a C compiler
(tools/setup.sh installs them) and the native build (tools/build.sh).

  usage: run.py [--keltrop PATH] [--runs N] [--work DIR]
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
REPO = HERE.parents[1]


def run_once(command, before=None):
    if before:
        before()
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def best_of(runs, command, before=None):
    """Fastest wall-clock time of `runs` runs, in seconds; `before` runs untimed before each."""
    return min(run_once(command, before) for _ in range(runs))


def race(runs, entries):
    """Best times of several commands run in turns, round after round, so that a change in the
    machine's load falls on all of them alike. `entries`: {name: (command, before)}."""
    best = {name: float("inf") for name in entries}
    for _ in range(runs):
        for name, (command, before) in entries.items():
            best[name] = min(best[name], run_once(command, before))
    return best


def build_inih_parser(work):
    try:
        flags = subprocess.run(["pkg-config", "--cflags", "--libs", "inih"], check=True,
                               capture_output=True, text=True).stdout.split()
    except (OSError, subprocess.CalledProcessError):
        flags = ["-linih"]  # libinih-dev without pkg-config
    program = work / "inih_parse"
    subprocess.run(["cc", "-O2", str(HERE / "inih_parse.c"), "-o", str(program), *flags],
                   check=True)
    return program


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--keltrop", type=Path, default=REPO / "build/native/bin/keltrop")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--work", type=Path, default=None)
    args = parser.parse_args()
    if not args.keltrop.is_file():
        sys.exit(f"{args.keltrop} not found: run tools/build.sh first, or give --keltrop")
    work = args.work or Path(tempfile.mkdtemp(prefix="keltrop-bench-"))
    work.mkdir(parents=True, exist_ok=True)

    reference = work / "reference.ini"
    subprocess.run([sys.executable, HERE / "make_input.py", "reference", reference], check=True)
    header = reference.with_suffix(".h")
    inih = build_inih_parser(work)

    def fresh():
        header.unlink(missing_ok=True)

    best = race(args.runs, {
        "written": ([args.keltrop, reference], fresh),
        "unchanged": ([args.keltrop, reference], None),
        "inih": ([inih, reference], None),
    })
    keltrop, unchanged, inih_time = best["written"], best["unchanged"], best["inih"]
    configparser = best_of(max(2, args.runs // 4), [
        sys.executable, "-c",
        "import configparser, sys\n"
        "c = configparser.ConfigParser(interpolation=None)\n"
        "c.read(sys.argv[1], encoding='latin-1')\n", reference])

    size = reference.stat().st_size / 1e6
    print(f"reference file: {size:.1f} MB, 20000 sections x 25 keys; best of {args.runs} runs")
    print(f"  keltrop, header written    {keltrop * 1000:8.1f} ms")
    print(f"  keltrop, header unchanged  {unchanged * 1000:8.1f} ms")
    print(f"  libinih, parse only        {inih_time * 1000:8.1f} ms")
    print(f"  Python configparser        {configparser * 1000:8.1f} ms")
    print(f"  keltrop vs libinih:      {inih_time / keltrop:6.2f}x   (goal >= 1.0x)")
    print(f"  keltrop vs configparser: {configparser / keltrop:6.2f}x   (goal >= 30x)")

    print("linearity: keys in one section")
    per_key = {}
    for n in (250_000, 500_000, 1_000_000):
        flat = work / f"flat{n}.ini"
        subprocess.run([sys.executable, HERE / "make_input.py", "flat", str(n), flat], check=True)
        flat_header = flat.with_suffix(".h")
        t = best_of(max(3, args.runs // 2), [args.keltrop, flat],
                    before=lambda h=flat_header: h.unlink(missing_ok=True))
        per_key[n] = t / n
        print(f"  {n:>9,} keys  {t * 1000:8.1f} ms  {per_key[n] * 1e9:6.1f} ns/key")
    print(f"  time per key, 1,000,000 vs 250,000: {per_key[1_000_000] / per_key[250_000]:.2f}"
          "   (1.0 = linear)")
    if args.work is None:
        for f in work.iterdir():
            f.unlink()
        work.rmdir()


if __name__ == "__main__":
    main()
