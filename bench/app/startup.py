#!/usr/bin/env python3
"""Time from process start to the first painted window: Brisko next to an empty Qt Widgets
window of the same build and to the same window holding one label (the cost of starting Qt's
font system), both on the offscreen platform, alternating, each run on a fresh
settings store. Usage: startup.py BUILD_DIR [RUNS]"""
import os, statistics, subprocess, sys, tempfile, time

build = sys.argv[1]
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 30
programs = {"brisko": [f"{build}/bench/app/startup_brisko"],
            "empty": [f"{build}/bench/app/startup_empty"],
            "label": [f"{build}/bench/app/startup_empty", "label"]}
times = {name: [] for name in programs}
with tempfile.TemporaryDirectory() as home:
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=home,
               XDG_RUNTIME_DIR=home)
    for name, path in programs.items():  # warm the file cache
        subprocess.run(path, env=env, check=True, stderr=subprocess.DEVNULL)
    for _ in range(runs):
        for name, path in programs.items():
            start = time.perf_counter()
            subprocess.run(path, env=env, check=True, stderr=subprocess.DEVNULL)
            times[name].append((time.perf_counter() - start) * 1000)
for name, values in times.items():
    print(f"{name:7s} median {statistics.median(values):7.1f} ms  "
          f"min {min(values):7.1f} ms  ({runs} runs)")
for base in ("empty", "label"):
    ratio = statistics.median(times["brisko"]) / statistics.median(times[base])
    print(f"ratio to {base}: {ratio:.2f}")
