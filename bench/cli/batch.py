#!/usr/bin/env python3
"""`tarnwell batch` end to end on generated files of one-second readings: CPU time per row next
to the engine's per-calculation time (bench_engine BM_Engine, same build, CPU time), and peak
memory (maximum resident set size from /usr/bin/time -v) on 1 M and 4 M rows, which should be
the same. CPU time, not wall time, so other load on the machine does not count.
Usage: batch.py [BUILD_DIR] [RUNS]   (BUILD_DIR a Release build, default build-release)"""
import json, os, random, re, statistics, subprocess, sys, tempfile

build = sys.argv[1] if len(sys.argv) > 1 else "build-release"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
tarnwell = os.path.join(build, "cli", "tarnwell")
bench_engine = os.path.join(build, "bench", "engine", "bench_engine")
TARGET = 6.0


def generate(path, rows):
    """Readings a second apart over a range of pressures, differentials and temperatures."""
    rnd = random.Random(rows)
    day = 86400
    with open(path, "w") as f:
        f.write("time,pressure,differential,temperature\n")
        chunk = []
        for i in range(rows):
            d, s = divmod(i, day)
            # 2024-01-01 plus d days (at most 46 for 4 M rows: January and February)
            month, mday = (1, d + 1) if d < 31 else (2, d - 30)
            chunk.append(f"2024-{month:02d}-{mday:02d} {s // 3600:02d}:{s // 60 % 60:02d}:"
                         f"{s % 60:02d},{rnd.uniform(50, 500):.2f},{rnd.uniform(1, 20):.3f},"
                         f"{rnd.uniform(20, 100):.1f}\n")
            if len(chunk) == 100000:
                f.write("".join(chunk))
                chunk.clear()
        f.write("".join(chunk))


def run_batch(path, out_dir):
    cmd = ["/usr/bin/time", "-v", tarnwell, "batch", path, "--meter", "4.026", "--bore", "2",
           "--gravity", "0.65", "-o", os.path.join(out_dir, "out.csv"),
           "--totals", os.path.join(out_dir, "totals.csv")]
    p = subprocess.run(cmd, capture_output=True, text=True)
    if p.returncode != 0:
        sys.exit(f"tarnwell batch failed ({p.returncode}): {p.stderr}")
    field = lambda name: re.search(rf"{name}: (.*)", p.stderr).group(1)
    cpu = float(field(r"User time \(seconds\)")) + float(field(r"System time \(seconds\)"))
    wall = field(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\)").split(":")
    wall_s = sum(float(x) * 60 ** i for i, x in enumerate(reversed(wall)))
    return cpu, wall_s, int(field(r"Maximum resident set size \(kbytes\)"))


def engine_ns():
    p = subprocess.run([bench_engine, "--benchmark_filter=^BM_Engine$",
                        "--benchmark_repetitions=5", "--benchmark_format=json"],
                       capture_output=True, text=True, check=True)
    runs_ = [b for b in json.loads(p.stdout)["benchmarks"] if b.get("run_type") == "iteration"]
    return statistics.median(b["cpu_time"] for b in runs_)


with tempfile.TemporaryDirectory() as tmp:
    results = {}
    for rows in (1_000_000, 4_000_000):
        path = os.path.join(tmp, f"readings-{rows}.csv")
        generate(path, rows)
        n = runs if rows == 1_000_000 else 1
        samples = [run_batch(path, tmp) for _ in range(n)]
        os.remove(path)
        cpu = statistics.median(s[0] for s in samples)
        wall = statistics.median(s[1] for s in samples)
        rss = max(s[2] for s in samples)
        results[rows] = (cpu, wall, rss)
        print(f"{rows:>9,} rows: CPU {cpu:6.2f} s ({cpu / rows * 1e9:6.0f} ns/row), "
              f"wall {wall:6.2f} s, peak RSS {rss / 1024:6.1f} MiB  (median of {n})")
    engine = engine_ns()
    per_row = results[1_000_000][0] / 1_000_000 * 1e9
    print(f"engine, one calculation (BM_Engine CPU, median of 5): {engine:.0f} ns")
    print(f"tarnwell batch per row / engine per calculation: {per_row / engine:.2f} "
          f"(target at most {TARGET:g})")
    print(f"peak RSS 4 M / 1 M rows: {results[4_000_000][2] / results[1_000_000][2]:.2f}")
