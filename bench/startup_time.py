#!/usr/bin/env python3
"""Start-up of the wizard in demo mode beside a bare Qt dialog program.

Both are started the same way, on the same Qt platform, in the same run,
alternating, and both quit as soon as their first window is painted. Prints
the median wall time and the peak resident memory of each and their ratios.

usage: bench/startup_time.py BUILD_DIR [RUNS]
"""
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time


def run(cmd, cwd, env):
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{cmd[0]} failed with status {status}")
    return elapsed, usage.ru_maxrss  # kB


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    wizard = os.path.abspath(os.path.join(build, "app", "tarvello-setup"))
    bare = os.path.abspath(os.path.join(build, "bench", "bare-dialog"))
    env = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"),
               TARVELLO_EXIT_AFTER_FIRST_PAINT="1")
    times = {"wizard": [], "bare": []}
    memory = {"wizard": [], "bare": []}
    with tempfile.TemporaryDirectory() as work:
        for _ in range(runs):
            for name, cmd in (("wizard", [wizard, "/demo"]), ("bare", [bare])):
                t, m = run(cmd, work, env)
                times[name].append(t)
                memory[name].append(m)
    tw, tb = statistics.median(times["wizard"]), statistics.median(times["bare"])
    mw, mb = max(memory["wizard"]), max(memory["bare"])
    print(f"runs: {runs} each, platform {env['QT_QPA_PLATFORM']}")
    print(f"start to first paint, median: wizard {tw*1000:.1f} ms, bare dialog {tb*1000:.1f} ms, ratio {tw/tb:.2f} (target <= 1.5)")
    print(f"peak memory: wizard {mw/1024:.1f} MiB, bare dialog {mb/1024:.1f} MiB, ratio {mw/mb:.2f} (target <= 1.3)")


if __name__ == "__main__":
    main()
