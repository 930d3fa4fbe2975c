#!/usr/bin/env python3
"""The whole converter process, end to end: `rowsmith-convert -q FILE -o OUT`.

Generates files of 100,000, 1,000,000 and 2,000,000 persons with
gen_gedcom.py (seed 11) unless they exist, runs each converter given several
times, interleaved so that a busy machine disturbs all alike, and prints wall
time (best and spread), MB/s, persons/s, peak memory against the input size,
and the time ratios 2M / 1M and 1M / 100k. With --before, the outputs of both
converters must be byte-identical.

Usage: convert_e2e.py --converter build/src/rowsmith-convert
           [--before OLD/rowsmith-convert] [--persons 100000,1000000,2000000]
           [--runs 3] [--dir /tmp/rowsmith-e2e] [--generator .../gen_gedcom.py]
           [--options '--sort "Geburtsdatum :,Nachname :"']   (more converter flags, as a shell would split them)
"""
import argparse
import filecmp
import json
import os
import shlex
import subprocess
import sys
import time


def generate(generator, persons, folder):
    path = os.path.join(folder, f"p{persons}.ged")
    summary = path + ".json"
    if not (os.path.exists(path) and os.path.exists(summary)):
        subprocess.run([sys.executable, generator, "--persons", str(persons), "--seed", "11", "-o", path,
                        "--summary", summary], check=True, capture_output=True)
    with open(summary) as f:
        return path, json.load(f)


def run(converter, gedcom, output, options):
    """Wall seconds and peak resident memory in bytes of one conversion."""
    start = time.monotonic()
    process = subprocess.Popen([converter, "-q", *options, gedcom, "-o", output])
    _, status, usage = os.wait4(process.pid, 0)
    seconds = time.monotonic() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{converter} failed on {gedcom}")
    return seconds, usage.ru_maxrss * 1024


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--converter", required=True)
    parser.add_argument("--before")
    parser.add_argument("--persons", default="100000,1000000,2000000")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--dir", default="/tmp/rowsmith-e2e")
    parser.add_argument("--options", default="")
    parser.add_argument("--generator", default=os.path.join(here, "..", "..", "shared", "tools", "gen_gedcom.py"))
    args = parser.parse_args()
    os.makedirs(args.dir, exist_ok=True)

    converters = [("after", args.converter)] + ([("before", args.before)] if args.before else [])
    best = {}
    for persons in [int(p) for p in args.persons.split(",")]:
        gedcom, summary = generate(args.generator, persons, args.dir)
        megabytes = summary["bytes"] / 1e6
        print(f"{persons} persons, {megabytes:.1f} MB, {summary['lines']} lines")
        results = {name: [] for name, _ in converters}
        for _ in range(args.runs):
            for name, exe in converters:
                results[name].append(run(exe, gedcom, os.path.join(args.dir, f"out-{name}.csv"),
                                         shlex.split(args.options)))
        if args.before and not filecmp.cmp(os.path.join(args.dir, "out-after.csv"),
                                           os.path.join(args.dir, "out-before.csv"), shallow=False):
            sys.exit(f"outputs differ for {gedcom}")
        for name, _ in converters:
            times = [t for t, _ in results[name]]
            peak = max(m for _, m in results[name])
            fastest = min(times)
            best[(name, persons)] = fastest
            print(f"  {name:6}  best {fastest:6.2f} s  spread {max(times) - fastest:5.2f} s  "
                  f"{megabytes / fastest:6.1f} MB/s  {persons / fastest:9.0f} persons/s  "
                  f"peak {peak / 1e6:7.1f} MB = {peak / summary['bytes']:.2f} x input")
    for name, _ in converters:
        for big, small in ((2000000, 1000000), (1000000, 100000)):
            if (name, big) in best and (name, small) in best:
                print(f"{name}: time {big} / {small} = {best[(name, big)] / best[(name, small)]:.2f}")


if __name__ == "__main__":
    main()
