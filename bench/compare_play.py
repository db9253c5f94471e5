#!/usr/bin/env python3
"""bench_play of two builds side by side: the runs alternate (before, after, before, ...)
so that both see the same load on the machine, and each line prints the median of the
runs' cached and tile-by-tile figures for both builds and the change of the cached one.

    bench/compare_play.py BEFORE_BUILD AFTER_BUILD [--runs N] [--frames N]

Not a test: it prints figures for a person to read."""

import argparse
import os
import re
import statistics
import subprocess

LINE = re.compile(r"^(.*?)\s+cached\s+([\d.]+) ms\s+tile by tile\s+([\d.]+) ms")


def run(build, frames):
    """The cached and plain milliseconds of each line bench_play printed, by line."""
    env = dict(os.environ, TARNWICK_DATA_DIR=os.path.join(build, "share", "tarnwick"))
    output = subprocess.run([os.path.join(build, "bin", "bench_play"), str(frames)], env=env,
                            capture_output=True, text=True, check=True).stdout
    figures = {}
    for line in output.splitlines():
        match = LINE.match(line)
        if match:
            figures[match.group(1).strip()] = (float(match.group(2)), float(match.group(3)))
    return figures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("before")
    parser.add_argument("after")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--frames", type=int, default=60)
    args = parser.parse_args()
    runs = {"before": [], "after": []}
    for _ in range(args.runs):
        for name in ("before", "after"):
            runs[name].append(run(os.path.abspath(getattr(args, name)), args.frames))
    print("%-30s %22s %22s %8s" % ("", "before: cached / plain", "after: cached / plain", "cached"))
    for what in runs["before"][0]:
        medians = {}
        for name in runs:
            figures = [r[what] for r in runs[name] if what in r]
            medians[name] = (statistics.median(f[0] for f in figures), statistics.median(f[1] for f in figures))
        change = (medians["after"][0] / medians["before"][0] - 1) * 100
        print("%-30s %10.2f / %7.2f ms %10.2f / %7.2f ms %+7.1f%%" % (
            what, medians["before"][0], medians["before"][1], medians["after"][0], medians["after"][1], change))


if __name__ == "__main__":
    main()
