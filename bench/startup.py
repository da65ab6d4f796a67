#!/usr/bin/python3
"""Start-to-exit cost of a script run through the launcher, side by side with
the interpreter's own command line and a wrapper that starts it as a child.

    bench/startup.py            # builds what is missing, measures, prints tables
    bench/startup.py --check    # runs every command once and compares outputs

Wall time comes from hyperfine, instruction counts from callgrind, peak
resident memory from GNU time. Every command runs in a clean environment.
"""

import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PYTHON = "/usr/bin/python3"
CLEAN_ENV = ["env", "-i", "PATH=/usr/bin:/bin", "HOME=" + os.environ.get("HOME", "/")]

WORKLOADS = {
    "empty": "",
    "imports": "import argparse, json, re, pathlib, subprocess\n",
    "200k-lines": "n = 0\n" + "n = n + 1\n" * 199_999,
}


def build(preset, *targets):
    """Targets of a configure preset, configured and brought up to date; None
    where this machine's interpreter cannot give that build (a release whose
    static archive makes no complete launcher), after saying why in one line."""
    configure = subprocess.run(["cmake", "--preset", preset], cwd=ROOT, capture_output=True, text=True)
    if configure.returncode != 0:
        refusal = re.search(r"A static launcher cannot be built.*?\(cmake --preset default\)\.",
                            " ".join(configure.stderr.split()))
        if not refusal:
            sys.exit(f"cmake --preset {preset} failed:\n{configure.stdout}{configure.stderr}")
        print(f"{preset}: not measured: {refusal.group(0)}")
        return None
    paths = [ROOT / "build" / preset / target for target in targets]
    subprocess.run(["cmake", "--build", "--preset", preset, "--target", *(path.name for path in paths)], cwd=ROOT,
                   check=True, stdout=subprocess.DEVNULL)
    return paths


def commands(work, workload, launchers, archive_main=None):
    """Name -> argument vector of every contender for one workload."""
    script = work / f"{workload}.py"
    result = {}
    for name, launcher in launchers.items():
        # A copy named after the script, beside it, as a user installs it.
        folder = work / re.sub(r"\W+", "-", name).strip("-")
        folder.mkdir(exist_ok=True)
        shutil.copy(script, folder / script.name)
        exe = folder / f"{workload}.exe"
        if not exe.exists():
            shutil.copy(launcher, exe)
        result[name] = [str(exe)]
    result["python3 -S"] = [PYTHON, "-S", str(script)]
    wrapper = work / f"{workload}-wrapper.sh"
    wrapper.write_text(f"#!/bin/sh\nexec {PYTHON} -S {script}\n")
    wrapper.chmod(0o755)
    result["sh wrapper"] = [str(wrapper)]
    if archive_main:
        result["archive main -S"] = [str(archive_main), "-S", str(script)]
    return result


def check(cmds):
    outputs = {}
    for name, argv in cmds.items():
        run = subprocess.run(CLEAN_ENV + argv, capture_output=True)
        if run.returncode != 0:
            sys.exit(f"{name}: status {run.returncode}: {run.stderr.decode(errors='replace')}")
        outputs[name] = run.stdout
    if len(set(outputs.values())) != 1:
        sys.exit(f"outputs differ: {outputs}")


def wall_ms(cmds, runs, work, rounds=5):
    """Median wall time of each command. Rounds alternate the commands so that
    a drift in the machine's load does not fall on one of them alone."""
    export = work / "hyperfine.json"
    times = {name: [] for name in cmds}
    for round_ in range(rounds):
        names = list(cmds)[round_ % len(cmds):] + list(cmds)[:round_ % len(cmds)]
        subprocess.run(CLEAN_ENV + ["hyperfine", "--shell=none", "--warmup", "3", "--runs",
                                    str(max(2, runs // rounds)), "--style", "none", "--export-json", str(export)] +
                       [" ".join(cmds[name]) for name in names], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        for name, result in zip(names, json.loads(export.read_text())["results"]):
            times[name] += result["times"]
    return {name: statistics.median(samples) * 1000 for name, samples in times.items()}


def instructions(argv):
    run = subprocess.run(CLEAN_ENV + ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                                      "--trace-children=yes"] + argv, capture_output=True, text=True)
    counts = re.findall(r"Collected : (\d+)", run.stderr)
    if not counts:
        sys.exit(f"callgrind failed for {argv}: {run.stderr}")
    return sum(int(c) for c in counts)  # a wrapper's shell and its child


def peak_kib(argv, runs=5):
    samples = []
    for _ in range(runs):
        run = subprocess.run(CLEAN_ENV + ["/usr/bin/time", "-f", "%M"] + argv, capture_output=True, text=True,
                             check=True)
        samples.append(int(run.stderr.strip().splitlines()[-1]))
    return statistics.median(samples)


def table(workload, wall, instr, peak):
    base = "python3 -S"
    print(f"\n{workload}")
    print(f"| command | wall ms (median) | × python3 -S | instructions | × python3 -S | peak RSS KiB | × python3 -S |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    for name in wall:
        print(f"| {name} | {wall[name]:.2f} | {wall[name] / wall[base]:.3f} | {instr[name]:,} | "
              f"{instr[name] / instr[base]:.3f} | {peak[name]:,.0f} | {peak[name] / peak[base]:.3f} |")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--check", action="store_true", help="run each command once, compare outputs, time nothing")
    parser.add_argument("--runs", type=int, default=200, help="hyperfine runs for the small workloads")
    args = parser.parse_args()

    # The default build binds the shared library; the static one is the
    # user's choice for the fastest start.
    (shared,) = build("default", "launcher/launcher")
    launchers = {"launcher (shared)": shared}
    archive_main = None
    static = build("static", "launcher/launcher", "bench/python_from_archive")
    if static:
        launchers["launcher (static)"], archive_main = static

    with tempfile.TemporaryDirectory(prefix="launcher-bench-") as tmp:
        work = Path(tmp)
        for workload, text in WORKLOADS.items():
            (work / f"{workload}.py").write_text(text)
            cmds = commands(work, workload, launchers, archive_main)
            check(cmds)
            if args.check:
                print(f"{workload}: {len(cmds)} commands ran alike")
                continue
            runs = args.runs if len(text) < 10_000 else max(10, args.runs // 10)
            wall = wall_ms(cmds, runs, work)
            instr = {name: instructions(argv) for name, argv in cmds.items()}
            peak = {name: peak_kib(argv) for name, argv in cmds.items()}
            table(workload, wall, instr, peak)


if __name__ == "__main__":
    main()
