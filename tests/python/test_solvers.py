"""solve_differential and size_bore: round trips through calc_flow, and the reasons when
there is no answer."""

import warnings

import numpy as np
import pytest

import tarnwell

CASES = [  # meter, bore, gravity, temperature, pressure, differential, keywords
    (2.067, 0.5, 0.615, 55.0, 100.0, 4.9, {}),
    (4.026, 2.0, 0.6, 60.0, 500.0, 3.6, {}),
    (12.09, 7.5, 0.9, 20.0, 1200.0, 0.8, {}),
    (6.065, 1.2, 0.7, 85.0, 20.0, 9.0, {}),
    (4.026, 1.5, 0.65, 40.0, 300.0, 2.0,
     dict(base_temperature=70.0, base_pressure=15.025, latitude=30.0, elevation=2000.0)),
]


@pytest.mark.parametrize("meter, bore, gravity, temperature, pressure, differential, keywords",
                         CASES)
def test_round_trips_return_the_flow_they_were_given(meter, bore, gravity, temperature,
                                                     pressure, differential, keywords):
    wanted = tarnwell.calc_flow(meter, bore, gravity, temperature, pressure, differential,
                                **keywords)
    with warnings.catch_warnings():
        warnings.simplefilter("error")  # none of these is at a row boundary
        found_differential = tarnwell.solve_differential(
            meter, bore, gravity, temperature, pressure, wanted, **keywords)
        found_bore = tarnwell.size_bore(meter, gravity, temperature, pressure, differential,
                                        wanted, **keywords)
    assert found_differential == pytest.approx(differential, rel=1e-8)
    assert tarnwell.calc_flow(meter, bore, gravity, temperature, pressure, found_differential,
                              **keywords) == pytest.approx(wanted, rel=1e-10)
    assert found_bore == pytest.approx(bore, rel=1e-8)
    assert tarnwell.calc_flow(meter, found_bore, gravity, temperature, pressure, differential,
                              **keywords) == pytest.approx(wanted, rel=1e-10)


@pytest.mark.parametrize("solve, args, code, fragment", [
    (tarnwell.solve_differential, (2.067, 0.5, 0.615, 55, 100, 1e6), "flow-above-maximum",
     "the most this bore passes"),
    (tarnwell.solve_differential, (2.067, 0.5, 0.615, 55, 100, -5.0), "flow-not-positive",
     "not a positive number"),
    (tarnwell.solve_differential, (0.0, 0.5, 0.615, 55, 100, 190.0), "meter-not-positive",
     "meter inside diameter"),
    (tarnwell.size_bore, (2.067, 0.615, 55, 100, 4.9, 1e6), "flow-above-largest-bore",
     "no bore below the meter"),
    (tarnwell.size_bore, (2.067, 0.615, 55, 100, float("nan"), 190.0), "input-not-finite",
     "differential"),
])
def test_no_solution_raises_a_value_error_with_the_solvers_reason(solve, args, code, fragment):
    with pytest.raises(tarnwell.NoSolutionError) as raised:
        solve(*args)
    assert isinstance(raised.value, ValueError)
    assert raised.value.code == code
    assert str(raised.value).startswith(f"{solve.__name__}(): ")
    assert fragment in str(raised.value)


def test_a_bore_at_a_row_boundary_comes_with_a_warning():
    # The coefficient table changes rows at a diameter ratio of 0.5, and the flow jumps there;
    # a flow inside the jump is met by no bore, so the boundary is the answer.
    meter, rest = 4.026, (0.615, 55.0, 100.0, 4.9)
    boundary = 0.5 * meter
    below = tarnwell.calc_flow(meter, np.nextafter(boundary, 0), *rest)
    at = tarnwell.calc_flow(meter, boundary, *rest)
    assert below != at
    with pytest.warns(tarnwell.RowBoundaryWarning, match="row of the flow coefficient table"):
        bore = tarnwell.size_bore(meter, *rest, (below + at) / 2)
    assert bore == pytest.approx(boundary, rel=1e-12)


def test_solvers_take_numbers_only():
    with pytest.raises(TypeError, match=r"^solve_differential\(\): flow must be a number, not "
                                        r"an array of shape \(2,\)"):
        tarnwell.solve_differential(2.067, 0.5, 0.615, 55, 100, np.array([150.0, 190.0]))
    with pytest.raises(TypeError, match=r"^size_bore\(\): meter must be a number, not str"):
        tarnwell.size_bore("2.067", 0.615, 55, 100, 4.9, 190.0)
