"""calc_flow, factors and check over numbers and arrays."""

import sys
import threading
import tracemalloc

import numpy as np
import pytest

import tarnwell

TYPICAL = (2.067, 0.5, 0.615, 55.0, 100.0, 4.9)
NAMES = ("meter", "bore", "gravity", "temperature", "pressure", "differential")
FACTOR_KEYS = {"Fr", "Y", "Z", "Fl", "Fa", "FTb", "FTf", "FPb", "Fb", "Fg", "All", "CPrime",
               "flow"}


def random_rows(n, seed=20240611):
    """Rows over the usual ranges, with every eighth row spoilt in one of the ways a row can
    fail: steps that fail, inputs in error, overflow, non-finite values."""
    rng = np.random.default_rng(seed)
    meter = rng.uniform(1.0, 12.0, n)
    rows = np.stack([
        meter,
        meter * rng.uniform(0.05, 0.8, n),
        rng.uniform(0.5, 1.1, n),
        rng.uniform(-40.0, 200.0, n),
        rng.uniform(-10.0, 1500.0, n),
        rng.uniform(0.01, 30.0, n),
    ])
    spoilers = [(0, 0.0), (5, 0.0), (5, -1.5), (3, -460.0), (2, 0.0), (1, 40.0), (3, np.nan),
                (0, np.inf), (4, -20.0), (4, 1e300), (5, 1e-300), (1, -1.0)]
    for i, (column, value) in zip(range(0, n, 8), spoilers * n):
        rows[column, i] = value
    return rows


def test_equals_a_new_c_object_per_row_and_nan_exactly_where_check_finds_an_error(c_flow):
    rows = random_rows(4000)
    flows = tarnwell.calc_flow(*rows)
    in_error = np.zeros(rows.shape[1], dtype=bool)
    for finding in tarnwell.check(*rows):
        in_error[finding.index] |= finding.severity == "error"
    np.testing.assert_array_equal(np.isnan(flows), in_error)
    expected = np.array([c_flow(*row) for row in rows[:, ~in_error].T])
    np.testing.assert_allclose(flows[~in_error], expected, rtol=1e-13, atol=0)
    # The spoilt rows are there, and rows that are fine too.
    assert 400 < in_error.sum() < 2000


@pytest.mark.parametrize("column, value", [
    (0, 0.0),          # meter 0: steps fail
    (5, 0.0),          # no differential
    (5, -1.5),         # negative differential
    (3, -460.0),       # below absolute zero
    (1, 3.0),          # bore larger than the meter
    (1, 2.067),        # bore equal to the meter
    (3, np.nan),
    (0, np.inf),
    (4, 1e300),        # overflow
])
def test_a_row_that_cannot_be_computed_is_nan_and_spoils_no_neighbour(column, value):
    # A failing row after a good one: on one engine it would fall back on the good row's
    # values; here it is NaN, and the good rows are as they are alone.
    rows = np.array([TYPICAL] * 3).T.copy()
    rows[column, 1] = value
    flows = tarnwell.calc_flow(*rows)
    alone = tarnwell.calc_flow(*TYPICAL)
    assert np.isnan(flows[1])
    assert flows[0] == flows[2] == pytest.approx(alone, rel=1e-13)


def test_numbers_give_a_float_and_arrays_an_array_of_the_broadcast_shape():
    assert type(tarnwell.calc_flow(*TYPICAL)) is float
    assert type(tarnwell.calc_flow(*map(np.array, TYPICAL))) is float  # 0-d arrays
    assert tarnwell.calc_flow(*TYPICAL[:5], [4.9]).shape == (1,)


@pytest.mark.parametrize("shapes", [
    {"differential": (5,)},
    {"meter": (3, 1), "differential": (4,)},
    {"meter": (700, 1), "differential": (3,)},  # short rows gathered, more than one batch
    {"pressure": (2, 1, 3), "temperature": (4, 1), "elevation": (1,)},
    {"bore": (1, 1), "latitude": (1,)},
    {"differential": (0,)},
    {"meter": (2, 1), "differential": (0,)},
    {"gravity": (2, 0, 3), "base_pressure": (3,)},
])
def test_broadcasts_like_numpy(shapes):
    rng = np.random.default_rng(7)
    typical = dict(zip(NAMES, TYPICAL))
    args = {}
    for name in list(NAMES) + ["base_temperature", "base_pressure", "latitude", "elevation"]:
        base = typical.get(name, {"base_temperature": 60.0, "base_pressure": 14.73,
                                  "latitude": 42.0, "elevation": 300.0}.get(name))
        if name in shapes:
            args[name] = base * rng.uniform(0.9, 1.1, shapes[name])
        else:
            args[name] = base
    flows = tarnwell.calc_flow(**args)
    expected_shape = np.broadcast_shapes(*shapes.values())
    assert flows.shape == expected_shape
    # Each element as a call with numbers.
    broadcast = {name: np.broadcast_to(value, expected_shape) for name, value in args.items()}
    for index in np.ndindex(expected_shape):
        one = tarnwell.calc_flow(**{name: float(v[index]) for name, v in broadcast.items()})
        assert flows[index] == pytest.approx(one, rel=1e-13), index


def column_layouts(values):
    """The same column of numbers in the layouts an array can come in."""
    big_endian = values.astype(">f8")
    unaligned = np.frombuffer(b"\0" + values.tobytes(), dtype=np.float64, offset=1)
    wide = np.zeros((len(values), 3))
    wide[:, 1] = values
    return {
        "strided": np.repeat(values, 3)[::3],
        "reversed": values[::-1].copy()[::-1],
        "column of a 2-d array": wide[:, 1],
        "fortran 2-d": np.asfortranarray(values.reshape(-1, 1)).ravel(order="F"),
        "big-endian": big_endian,
        "unaligned": unaligned,
        "float32": values.astype(np.float32),
        "list": values.tolist(),
        "read-only": np.frombuffer(values.tobytes(), dtype=np.float64),
    }


@pytest.mark.parametrize("layout", list(column_layouts(np.zeros(1))))
def test_any_layout_or_dtype_gives_the_contiguous_result(layout):
    differential = np.linspace(0.5, 20.0, 101)
    converted = column_layouts(differential)[layout]
    expected = tarnwell.calc_flow(*TYPICAL[:5], np.asarray(converted, dtype=np.float64).copy())
    np.testing.assert_allclose(tarnwell.calc_flow(*TYPICAL[:5], converted), expected,
                               rtol=1e-13)


def test_integer_arrays_are_numbers():
    ints = np.array([60, 80, 100], dtype=np.int16)
    np.testing.assert_array_equal(tarnwell.calc_flow(*TYPICAL[:3], ints, *TYPICAL[4:]),
                                  tarnwell.calc_flow(*TYPICAL[:3], ints.astype(float),
                                                     *TYPICAL[4:]))


def test_a_transposed_2d_input_keeps_its_elements_in_place():
    pressure = np.arange(100.0, 700.0, 100.0).reshape(2, 3)
    flows = tarnwell.calc_flow(*TYPICAL[:4], pressure.T, TYPICAL[5])
    for index in np.ndindex(3, 2):
        assert flows[index] == pytest.approx(
            tarnwell.calc_flow(*TYPICAL[:4], pressure.T[index], TYPICAL[5]), rel=1e-13)


def test_float64_columns_are_read_in_place_through_their_strides():
    # Only the result is allocated: a strided view and a broadcast view cost no copy.
    n = 200_000
    wide = np.full((n, 4), 4.9)
    meters = np.broadcast_to(np.array(2.067), (n,))
    tracemalloc.start()
    try:
        tarnwell.calc_flow(meters, *TYPICAL[1:5], wide[:, 2])
        _, peak = tracemalloc.get_traced_memory()
    finally:
        tracemalloc.stop()
    assert peak < 1.5 * n * 8


def test_base_conditions_and_site_reach_their_own_factors():
    plain = tarnwell.factors(*TYPICAL)
    for keyword, value, factor in [("base_temperature", 80.0, "FTb"),
                                   ("base_pressure", 15.025, "FPb"),
                                   ("latitude", 30.0, "Fl"), ("elevation", 5000.0, "Fl")]:
        changed = tarnwell.factors(*TYPICAL, **{keyword: value})
        moved = {key for key in plain if changed[key] != plain[key]}
        assert moved == {factor, "All", "CPrime", "flow"}, keyword


def test_factors_belong_to_the_flow():
    pressure = np.array([0.0, 100.0, 500.0])
    result = tarnwell.factors(*TYPICAL[:4], pressure, TYPICAL[5])
    assert set(result) == FACTOR_KEYS
    np.testing.assert_array_equal(result["flow"], tarnwell.calc_flow(*TYPICAL[:4], pressure,
                                                                     TYPICAL[5]))
    np.testing.assert_array_equal(result["CPrime"], result["All"] * result["Fb"])
    product = np.ones(3)
    for key in ("FTf", "FTb", "FPb", "Fg", "Fr", "Y", "Z", "Fl", "Fa"):
        product = product * result[key]
    np.testing.assert_array_equal(result["All"], product)
    assert result["Z"][0] == 1.0  # no pressure, no compressibility correction
    numbers = tarnwell.factors(*TYPICAL)
    assert numbers["flow"] == pytest.approx(result["flow"][1], rel=1e-13)
    assert all(type(value) is float for value in numbers.values())


def test_factors_of_a_row_that_cannot_be_computed_are_all_nan():
    # meter 0: some factors would come out of the engine with numbers kept from nothing.
    result = tarnwell.factors([2.067, 0.0], *TYPICAL[1:])
    for key, values in result.items():
        assert not np.isnan(values[0]) and np.isnan(values[1]), key


def test_check_names_the_input_and_the_element():
    assert tarnwell.check(*TYPICAL) == []
    findings = tarnwell.check([[2.067], [4.026]], [[0.5, 3.0]], *TYPICAL[2:])
    assert [(f.code, f.severity, f.input, f.index) for f in findings] == [
        ("bore-not-below-meter", "error", "bore", (0, 1)),
        ("beta-range", "warning", "bore", (1, 0)),
        ("beta-range", "warning", "bore", (1, 1)),
    ]
    assert "3 in" in findings[0].message and "2.067 in" in findings[0].message
    heavy = [f for f in tarnwell.check(*TYPICAL[:2], 1.2, *TYPICAL[3:]) if f.input == "gravity"]
    assert [(f.code, f.index) for f in heavy] == [("gravity-range", ())]
    assert "1.2" in heavy[0].message
    failed = tarnwell.check(0.0, *TYPICAL[1:])
    assert [f.code for f in failed if f.severity == "error"] == ["meter-not-positive",
                                                                 "step-failed"]
    assert next(f for f in failed if f.code == "step-failed").input is None


def test_the_gil_is_released_while_an_array_is_computed():
    # With a switch interval far longer than the call, the main thread can run during the
    # call only if the call lets go of the GIL.
    inputs = [np.full(1_000_000, v) for v in TYPICAL]
    started, state = threading.Event(), {"done": False}

    def work():
        started.set()
        tarnwell.calc_flow(*inputs)
        state["done"] = True

    interval = sys.getswitchinterval()
    sys.setswitchinterval(100.0)
    try:
        worker = threading.Thread(target=work)
        worker.start()
        started.wait()
        ran_during_call = not state["done"]
        worker.join()
    finally:
        sys.setswitchinterval(interval)
    assert ran_during_call
