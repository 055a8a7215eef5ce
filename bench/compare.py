#!/usr/bin/env python3
"""Times whole-process decoding of the benchmark files by yumekaze-cli and its peers.

usage: bench/compare.py [--runs N] [--cli PATH] [--baseline PATH] [--peers LIST] [FILES...]
Defaults: 7 runs, build/bin/yumekaze-cli, every file in bench/files (made by make_files.sh).
--baseline adds another build of yumekaze-cli (an earlier commit) as "baseline"; --peers names
the other programs to run (comma-separated, default mpg123,ffmpeg,madplay).
The programs take turns within each round, so load changes hit all of them alike. Prints per file
the median wall time, the spread (min..max), the ratio of medians to mpg123, the median CPU time
(user + system, steadier than wall time on a busy machine) and its ratio, and the peak resident
memory as /usr/bin/time -f %M reports it.
"""
import argparse, os, shutil, statistics, subprocess, sys, tempfile, time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def commands(cli, f, baseline=None):
    own = {"yumekaze": [cli, "decode", f, "-o", "/dev/null"]}
    if baseline:
        own["baseline"] = [baseline, "decode", f, "-o", "/dev/null"]
    return own | {
        "mpg123": ["mpg123", "-q", "-s", f],
        "ffmpeg": ["ffmpeg", "-v", "quiet", "-i", f, "-f", "s16le", "-y", "/dev/null"],
        "madplay": ["madplay", "-q", "-o", "raw:/dev/null", f],
    }


TIME = shutil.which("time", path="/usr/bin")


def run_once(argv):
    """Wall time, CPU time (user + system) and peak resident memory in KiB of one run.

    The kernel's maxrss of a child also counts the image it was forked from (this Python process)
    until it calls exec, so the peak is taken by /usr/bin/time, which is small, when it is there.
    """
    with open(os.devnull, "wb") as null, tempfile.NamedTemporaryFile("r") as peak_file:
        wrapped = [TIME, "-o", peak_file.name, "-f", "%M"] + list(argv) if TIME else list(argv)
        start = time.perf_counter()
        proc = subprocess.Popen(wrapped, stdin=subprocess.DEVNULL, stdout=null,
                                stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        elapsed = time.perf_counter() - start
        returncode = os.waitstatus_to_exitcode(status)
        if returncode != 0:
            sys.exit(f"failed ({returncode}): {' '.join(map(str, argv))}")
        peak = int(peak_file.read().split()[-1]) if TIME else usage.ru_maxrss
    return elapsed, usage.ru_utime + usage.ru_stime, peak


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--cli", default=str(ROOT / "build/bin/yumekaze-cli"))
    ap.add_argument("--baseline")
    ap.add_argument("--peers", default="mpg123,ffmpeg,madplay")
    ap.add_argument("files", nargs="*")
    args = ap.parse_args()
    files = args.files or sorted(str(p) for p in (ROOT / "bench/files").glob("*.mp[23]"))
    if not files:
        sys.exit("no benchmark files: run bench/make_files.sh first")
    if not os.access(args.cli, os.X_OK):
        sys.exit(f"{args.cli} not found: build first")

    own = {"yumekaze", "baseline"}
    peers = set(args.peers.split(","))
    named = [p for p in commands(args.cli, "x", args.baseline) if p in own or p in peers]
    programs = [p for p in named if p in own or shutil.which(p)]
    missing = set(named) - set(programs)
    if missing:
        print(f"(not installed, skipped: {', '.join(sorted(missing))})")

    if not TIME:
        print("(/usr/bin/time not found: peak memory includes this script's forked image)")
    print(f"{'file':<22} {'program':<9} {'median s':>9} {'min..max s':>15} {'x mpg123':>9} "
          f"{'cpu s':>7} {'x mpg123':>9} {'peak MiB':>9}")
    for f in files:
        cmds = commands(args.cli, f, args.baseline)
        times = {p: [] for p in programs}
        cpu = {p: [] for p in programs}
        peak = {p: 0 for p in programs}
        for r in range(args.runs):
            order = programs[r % len(programs):] + programs[: r % len(programs)]
            for p in order:
                t, c, rss = run_once(cmds[p])
                times[p].append(t)
                cpu[p].append(c)
                peak[p] = max(peak[p], rss)
        base = statistics.median(times["mpg123"]) if "mpg123" in times else None
        cpu_base = statistics.median(cpu["mpg123"]) if "mpg123" in cpu else None
        for p in programs:
            med = statistics.median(times[p])
            ratio = f"{med / base:9.2f}" if base else f"{'-':>9}"
            cpu_med = statistics.median(cpu[p])
            cpu_ratio = f"{cpu_med / cpu_base:9.2f}" if cpu_base else f"{'-':>9}"
            spread = f"{min(times[p]):.3f}..{max(times[p]):.3f}"
            print(f"{Path(f).name:<22} {p:<9} {med:9.3f} {spread:>15} {ratio} {cpu_med:7.3f} "
                  f"{cpu_ratio} {peak[p] / 1024:9.1f}")


if __name__ == "__main__":
    main()
