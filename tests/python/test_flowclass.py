"""tarnwell.FlowClass is libtarnwell's FlowClass: the same flows and the same kept state."""

import decimal
import fractions

import numpy as np
import pytest

import tarnwell


def test_case_table_matches_the_c_interface_call_for_call(flow_cases, new_c_object):
    # Rows with the same object id share an object on both sides, so fallbacks on earlier
    # state (meter 0 after other inputs, negative ratios, non-finite inputs) are compared too.
    python_objects, c_objects = {}, {}
    for label, object_id, six in flow_cases:
        py = python_objects.setdefault(object_id, tarnwell.FlowClass())
        c = c_objects.setdefault(object_id, new_c_object())
        assert py.calc_flow(*six) == c.calc_flow(*six), label


def test_objects_keep_their_own_state():
    # The same failing input falls back on each object's own earlier call.
    first, second, fresh = tarnwell.FlowClass(), tarnwell.FlowClass(), tarnwell.FlowClass()
    first.calc_flow(4.026, 2.0, 0.6, 60, 500, 3.6)
    second.calc_flow(6.065, 3.0, 0.65, 85, 800, 2.0)
    failing = (0, 2.0, 0.6, 60, 500, 3.6)
    results = {first.calc_flow(*failing), second.calc_flow(*failing), fresh.calc_flow(*failing)}
    assert len(results) == 3


@pytest.mark.parametrize("number", [
    np.float64(4.9), np.float32(4.9), np.int64(5), 5, np.array(4.9), decimal.Decimal("4.9"),
    fractions.Fraction(49, 10),
])
def test_takes_any_real_number(number):
    expected = tarnwell.FlowClass().calc_flow(2.067, 0.5, 0.615, 55, 100, float(number))
    assert tarnwell.FlowClass().calc_flow(2.067, 0.5, 0.615, 55, 100, number) == expected


def test_keywords_are_the_c_parameter_names():
    by_name = tarnwell.FlowClass().calc_flow(
        difference=4.9, pressure=100, temp=55, spec_gravity=0.615, plate=0.5, meter=2.067)
    assert by_name == tarnwell.FlowClass().calc_flow(2.067, 0.5, 0.615, 55, 100, 4.9)


@pytest.mark.parametrize("value, fragment", [
    ("4.9", "not str"),
    (None, "not NoneType"),
    (True, "not bool"),
    (np.array([4.9, 5.0]), "not an array of shape (2,)"),
    (1j, "not complex"),
])
def test_rejects_what_is_not_one_real_number(value, fragment):
    flow = tarnwell.FlowClass()
    with pytest.raises(TypeError) as error:
        flow.calc_flow(2.067, 0.5, 0.615, 55, 100, value)
    assert "FlowClass.calc_flow(): difference" in str(error.value)
    assert fragment in str(error.value)
    # The failed call did not touch the state: a fallback still sees a fresh object.
    assert flow.calc_flow(0, 2.0, 0.6, 60, 500, 3.6) == \
        tarnwell.FlowClass().calc_flow(0, 2.0, 0.6, 60, 500, 3.6)
