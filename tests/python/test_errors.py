"""Bad input: the usual Python errors, with the function and the argument in the message, and
never a crash or a number."""

import numpy as np
import pytest

import tarnwell

TYPICAL = dict(meter=2.067, bore=0.5, gravity=0.615, temperature=55.0, pressure=100.0,
               differential=4.9)
ALL_NAMES = list(TYPICAL) + ["base_temperature", "base_pressure", "latitude", "elevation"]


@pytest.mark.parametrize("value, error, fragment", [
    ("0.5", TypeError, "not str"),
    (b"0.5", TypeError, "not bytes"),
    (None, TypeError, "not NoneType"),
    (True, TypeError, "not bool"),
    (np.bool_(True), TypeError, "not bool"),
    (1 + 2j, TypeError, "not complex"),
    (object(), TypeError, "not object"),
    ({"bore": 0.5}, TypeError, "not dict"),
    (np.array([True, False]), TypeError, "not an array of bool"),
    (np.array(["0.5", "0.6"]), TypeError, "dtype <U3"),
    (["0.5", 0.6], TypeError, "dtype <U32"),
    (np.array([0.5, None]), TypeError, "dtype object"),
    ([0.5, None], TypeError, "dtype object"),
    (np.array([0.5j]), TypeError, "dtype complex128"),
    (np.array(["2024-01-01"], dtype="datetime64[D]"), TypeError, "dtype datetime64[D]"),
    ([[0.5], [0.5, 0.6]], ValueError, "inhomogeneous"),
    (10**400, OverflowError, "too large for a float"),
])
@pytest.mark.parametrize("function", [tarnwell.calc_flow, tarnwell.factors, tarnwell.check])
def test_a_bad_value_names_the_function_and_the_argument(function, value, error, fragment):
    with pytest.raises(error) as raised:
        function(**{**TYPICAL, "bore": value})
    message = str(raised.value)
    assert message.startswith(f"{function.__name__}(): bore")
    assert fragment in message


@pytest.mark.parametrize("name", ALL_NAMES)
def test_every_argument_is_named_by_its_own_name(name):
    with pytest.raises(TypeError, match=rf"^calc_flow\(\): {name} must be"):
        tarnwell.calc_flow(**{**TYPICAL, name: "x"})


@pytest.mark.parametrize("shapes, message", [
    ({"meter": (3,), "bore": (2,)},
     "the inputs do not broadcast together: bore has shape (2,) but meter has shape (3,)"),
    ({"pressure": (2, 3), "differential": (3, 2)},
     "differential has shape (3, 2) but pressure has shape (2, 3)"),
    ({"meter": (0,), "latitude": (2,)}, "latitude has shape (2,) but meter has shape (0,)"),
])
def test_shapes_that_do_not_broadcast_are_a_value_error(shapes, message):
    args = {**TYPICAL, **{name: np.ones(shape) for name, shape in shapes.items()}}
    for function in (tarnwell.calc_flow, tarnwell.factors, tarnwell.check):
        with pytest.raises(ValueError) as raised:
            function(**args)
        assert message in str(raised.value)


def test_a_broadcast_beyond_any_memory_is_a_value_error():
    # Views of stride 0 cost nothing, but their broadcast has 2**80 elements.
    huge = 2**40
    with pytest.raises(ValueError, match="is too large"):
        tarnwell.calc_flow(**{**TYPICAL, "meter": np.broadcast_to(2.067, (huge, 1)),
                              "bore": np.broadcast_to(0.5, (1, huge))})


def test_arguments_are_as_declared():
    with pytest.raises(TypeError):
        tarnwell.calc_flow(2.067, 0.5, 0.615, 55, 100)  # differential missing
    with pytest.raises(TypeError):
        tarnwell.calc_flow(2.067, 0.5, 0.615, 55, 100, 4.9, 60)  # base conditions by keyword
    with pytest.raises(TypeError):
        tarnwell.calc_flow(**TYPICAL, plate=0.5)


def test_empty_and_one_element_arrays_keep_their_shape():
    assert tarnwell.calc_flow(**{**TYPICAL, "bore": np.empty((0, 3))}).shape == (0, 3)
    assert tarnwell.check(**{**TYPICAL, "bore": []}) == []
    assert tarnwell.factors(**{**TYPICAL, "bore": [[0.5]]})["Fb"].shape == (1, 1)
