#!/usr/bin/env python3
"""Time per calculation of the tarnwell Python module, in one run:

  - tarnwell.calc_flow on a 1,000,000-element call (contiguous columns, and a variant with
    the fixed inputs given as numbers and the readings as strided views);
  - a Python loop of FlowClass.calc_flow calls;
  - fluids (python3-fluids) solving an ISO 5167 flange-tap orifice for the same readings;
  - the scalar C++ engine, the formulas' floor and the C interface, from bench_engine.

  bench/python/bench_tarnwell.py [build-release] [--rows N]

Targets: the array call at most 2x the scalar engine per calculation, and at least 50x faster
than fluids. The machine's load is printed before and after, as it moves every figure.
"""

import argparse
import json
import os
import pathlib
import statistics
import subprocess
import sys
import time

import numpy as np


def load():
    return "load average %.2f %.2f %.2f (%d CPUs)" % (*os.getloadavg(), os.cpu_count())


def readings(rows, seed=1):
    """Readings over the working range the engine's batch benchmark uses: no row fails."""
    rng = np.random.default_rng(seed)
    meter = rng.uniform(2.0, 12.0, rows)
    return dict(meter=meter, bore=meter * rng.uniform(0.2, 0.7, rows),
                gravity=rng.uniform(0.58, 0.7, rows), temperature=rng.uniform(20.0, 100.0, rows),
                pressure=rng.uniform(50.0, 1000.0, rows), differential=rng.uniform(0.5, 10.0, rows))


def per_call(function, calls, repeats):
    """Seconds per calculation over `repeats` runs of `function()`, which makes `calls`
    calculations: (median CPU, best CPU, median wall). CPU time is what bench_engine reports
    and what a loaded machine disturbs least; the computing thread is the only busy one."""
    cpu, wall = [], []
    for _ in range(repeats):
        start_cpu, start_wall = time.process_time(), time.perf_counter()
        function()
        cpu.append((time.process_time() - start_cpu) / calls)
        wall.append((time.perf_counter() - start_wall) / calls)
    return statistics.median(cpu), min(cpu), statistics.median(wall)


def engine_figures(build):
    """ns per calculation from bench_engine, median CPU time: {name: ns}."""
    binary = build / "bench" / "engine" / "bench_engine"
    out = subprocess.run(
        [str(binary), "--benchmark_filter=^BM_(Floor|Engine|CInterface|Batch/65536)$",
         "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true",
         "--benchmark_format=json"],
        check=True, capture_output=True, text=True).stdout
    figures = {}
    for entry in json.loads(out)["benchmarks"]:
        if entry.get("aggregate_name") == "median":
            assert entry["time_unit"] == "ns"
            # The batch reports its time per row as a counter, in seconds.
            figures[entry["run_name"]] = entry.get("row", 0) * 1e9 or entry["cpu_time"]
    return figures


def fluids_flow(fluids_solver, meter, bore, gravity, temperature, pressure, differential):
    """Mcf/d at 60 degF and 14.73 psia through an ISO 5167 flange-tap orifice, with the gas
    density from the ideal gas law: the same question in a different standard."""
    psi, inch, r = 6894.757293168, 0.0254, 8.314462618
    kelvin = lambda degF: (degF - 32) / 1.8 + 273.15
    molar_mass = 0.0289647 * gravity
    p1 = (pressure + 14.696) * psi
    rho = p1 * molar_mass / (r * kelvin(temperature))
    m = fluids_solver(D=meter * inch, D2=bore * inch, P1=p1, P2=p1 - differential * psi, rho=rho,
                      mu=1.1e-5, k=1.3, meter_type="ISO 5167 orifice", taps="flange")
    rho_base = 14.73 * psi * molar_mass / (r * kelvin(60))
    return m / rho_base * 86400 / 28.316846592


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build-release", type=pathlib.Path)
    parser.add_argument("--rows", type=int, default=1_000_000)
    parser.add_argument("--loop-calls", type=int, default=200_000)
    parser.add_argument("--fluids-calls", type=int, default=2_000)
    args = parser.parse_args()
    sys.path.insert(0, str(args.build / "python"))
    import tarnwell
    from fluids.flow_meter import differential_pressure_meter_solver

    print("before:", load())
    data = readings(args.rows)
    columns = [data[k] for k in ("meter", "bore", "gravity", "temperature", "pressure",
                                 "differential")]

    array = per_call(lambda: tarnwell.calc_flow(*columns), args.rows, 7)
    flows = tarnwell.calc_flow(*columns)
    assert not np.isnan(flows).any(), "a reading failed: the working range must be clean"

    # Readings as strided views of one table: read in place, no copy.
    table = np.stack(columns, axis=1)  # rows x 6, C order: each column strided by 6
    strided_columns = [table[:, j] for j in range(6)]
    strided = per_call(lambda: tarnwell.calc_flow(*strided_columns), args.rows, 7)
    np.testing.assert_allclose(tarnwell.calc_flow(*strided_columns), flows, rtol=1e-13)

    rows = list(zip(*(c[:args.loop_calls].tolist() for c in columns)))
    flow_class = tarnwell.FlowClass()

    def loop():
        calc = flow_class.calc_flow
        for row in rows:
            calc(*row)

    flow_class_loop = per_call(loop, len(rows), 5)

    def numbers_loop():
        calc = tarnwell.calc_flow
        for row in rows:
            calc(*row)

    calc_flow_loop = per_call(numbers_loop, len(rows), 3)

    fluids_rows = rows[:args.fluids_calls]
    fluids = per_call(
        lambda: [fluids_flow(differential_pressure_meter_solver, *row) for row in fluids_rows],
        len(fluids_rows), 3)
    sample = fluids_rows[0]

    engine = engine_figures(args.build)
    print("after: ", load())

    scalar = engine["BM_Engine"]
    print()
    print("per calculation, ns (CPU median, CPU best, wall median)       x scalar engine")
    lines = [
        ("tarnwell.calc_flow, %d rows, contiguous" % args.rows, array),
        ("tarnwell.calc_flow, %d rows, strided views" % args.rows, strided),
        ("FlowClass.calc_flow in a Python loop", flow_class_loop),
        ("tarnwell.calc_flow with numbers, in a loop", calc_flow_loop),
        ("fluids ISO 5167 orifice solve, in a loop", fluids),
    ]
    for label, (cpu, best, wall) in lines:
        print("%-46s %9.1f %9.1f %9.1f   %7.2f" % (label, cpu * 1e9, best * 1e9, wall * 1e9,
                                                   cpu * 1e9 / scalar))
    for label, name in [("C++ engine, one calculation (BM_Engine)", "BM_Engine"),
                        ("C interface (BM_CInterface)", "BM_CInterface"),
                        ("formulas without failure rule (BM_Floor)", "BM_Floor"),
                        ("engine batch, per row (BM_Batch/65536)", "BM_Batch/65536")]:
        print("%-46s %9.1f %19s   %7.2f" % (label, engine[name], "", engine[name] / scalar))
    print()
    print("array call / scalar engine:  %.2f (target at most 2)" % (array[0] * 1e9 / scalar))
    print("fluids / array call:         %.0f (target at least 50)" % (fluids[0] / array[0]))
    print("FlowClass loop / array call: %.0f" % (flow_class_loop[0] / array[0]))
    print("sample reading %s: tarnwell %.2f Mcf/d, fluids (ISO 5167, ideal gas) %.2f Mcf/d" % (
        tuple(round(v, 3) for v in sample), tarnwell.calc_flow(*sample),
        fluids_flow(differential_pressure_meter_solver, *sample)))


if __name__ == "__main__":
    main()
