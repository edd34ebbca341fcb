#!/usr/bin/python3
"""Cost of a run from the window against bare CreateProcess + read + wait, in one Wine session.

The front end's run is one BM_CLICK on "2.Run" sent by the UI driver, which times the send; it
returns when the run has ended. The baselines are runs of the same stand-in generator, in the
same folder, by runfloor.exe (a GUI program like the front end), timed inside it:
  overhead:   the generator prints 100 bytes; floor = anonymous pipe read to its end + wait;
              also `cmd /c keltrop.exe FILE`, what a user would type instead.
  throughput: the generator writes 64 MiB; baseline = the same with stdout on NUL (the floor's
              pipe reader is shown for reference).
Contenders alternate in batches (-b runs each, runfloor doing a batch in one process); the first
run of every batch is dropped, as it pays for the teardown of the other contender's last child
(and, for the floor, for its own start). The ratios of the medians are the figures to watch
(goals: overhead <= 1.1, throughput <= 1.2).
"""

import argparse
import statistics
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests/e2e"))

from fakegen.frontend import FrontEnd, pattern  # noqa: E402
from harness import paths  # noqa: E402
from harness.wine import WineSession  # noqa: E402

MIB = 1024 * 1024


def floor_batch(w, folder, mode, count, *command):
    out = folder / "floor.out"
    proc = w.start(folder / "runfloor.exe", mode, count, *command, cwd=folder, stdout=out)
    code = proc.wait(300)
    if code != 0:
        sys.exit(f"runfloor {mode} {' '.join(command)} ended with {code}")
    return [float(line.split()[0]) for line in out.read_text().splitlines()]


def measure(contenders, rounds, batch):
    samples = {name: [] for name, _ in contenders}
    for _ in range(rounds):
        for name, run_batch in contenders:
            samples[name] += run_batch(batch + 1)[1:]
    return samples


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("-r", "--rounds", type=int, default=4, help="batches per contender")
    ap.add_argument("-b", "--batch", type=int, default=5, help="measured runs per batch")
    args = ap.parse_args()

    for exe in ("keltrop_frontend.exe", "fakegen.exe", "runfloor.exe", "uidriver.exe"):
        if not paths.win32_exe(exe).exists():
            sys.exit(f"not built: {paths.win32_exe(exe)}")

    with WineSession() as w, tempfile.TemporaryDirectory(dir=w.tmpdir) as tmp:
        fe = FrontEnd(w, Path(tmp) / "app")
        folder = fe.folder
        (folder / "runfloor.exe").write_bytes(paths.win32_exe("runfloor.exe").read_bytes())
        ini = fe.winpath(folder / "bench.ini")
        fe.set_path(ini)

        def clicks(size):
            def run_batch(count):
                times = []
                for _ in range(count):
                    times.append(fe.click(timeout=120000))
                    if fe.memo_bytes() != pattern(min(size, 1023)):
                        sys.exit("the run did not show what the generator printed")
                return times
            return run_batch

        def floor(mode, *command):
            return lambda count: floor_batch(w, folder, mode, count, *command)

        fe.script("out 100")
        small = measure([
            ("run (click)", clicks(100)),
            ("floor", floor("pipe", "keltrop.exe", ini)),
            ("cmd /c", floor("pipe", "cmd", "/c", "keltrop.exe", ini)),
        ], args.rounds, args.batch)
        fe.script(f"out {64 * MIB}")
        big = measure([
            ("run (click)", clicks(64 * MIB)),
            ("stdout NUL", floor("nul", "keltrop.exe", ini)),
            ("floor pipe", floor("pipe", "keltrop.exe", ini)),
        ], args.rounds, args.batch)
        fe.close()

    def table(title, samples):
        print(title)
        print(f"  {'contender':<12} {'median ms':>10} {'min':>8} {'max':>8}")
        for name, s in samples.items():
            print(f"  {name:<12} {statistics.median(s):>10.1f} {min(s):>8.1f} {max(s):>8.1f}")

    med = {k: statistics.median(v) for k, v in small.items()}
    bmed = {k: statistics.median(v) for k, v in big.items()}
    print(f"generator run under Wine, median of {args.rounds} x {args.batch} runs each")
    table("overhead: generator prints 100 bytes", small)
    table("throughput: generator writes 64 MiB", big)
    print(f"run / floor          {med['run (click)'] / med['floor']:.2f}  (goal <= 1.1)")
    print(f"run / cmd /c         {med['run (click)'] / med['cmd /c']:.2f}")
    print(f"64 MiB run / NUL     {bmed['run (click)'] / bmed['stdout NUL']:.2f}  (goal <= 1.2)  "
          f"{64 / (bmed['run (click)'] / 1000):.0f} MiB/s through the window")
    print(f"64 MiB floor / NUL   {bmed['floor pipe'] / bmed['stdout NUL']:.2f}")


if __name__ == "__main__":
    main()
