"""Shared fixtures: the C interface of libtarnwell, loaded from the library under test, and
the FlowClass case table shared with the C++ and COM tests."""

import csv
import ctypes
import os

import pytest


class CFlowClass:
    """A tarnwell_flow_class object through the C interface."""

    def __init__(self, lib):
        self._lib = lib
        self._object = lib.tarnwell_flow_class_new()
        assert self._object

    def calc_flow(self, *six):
        return self._lib.tarnwell_calc_flow(self._object, *six)

    def __del__(self):
        self._lib.tarnwell_flow_class_free(self._object)


@pytest.fixture(scope="session")
def clib():
    path = os.environ.get("TARNWELL_LIBRARY")
    if not path:
        pytest.fail("TARNWELL_LIBRARY is not set: run these tests through ctest")
    lib = ctypes.CDLL(path)
    lib.tarnwell_flow_class_new.restype = ctypes.c_void_p
    lib.tarnwell_flow_class_free.argtypes = [ctypes.c_void_p]
    lib.tarnwell_calc_flow.restype = ctypes.c_double
    lib.tarnwell_calc_flow.argtypes = [ctypes.c_void_p] + [ctypes.c_double] * 6
    return lib


@pytest.fixture(scope="session")
def c_flow(clib):
    """The flow of one calculation on a new C object."""
    return lambda *six: CFlowClass(clib).calc_flow(*six)


@pytest.fixture(scope="session")
def new_c_object(clib):
    return lambda: CFlowClass(clib)


@pytest.fixture(scope="session")
def flow_cases():
    """(label, object id, six inputs) in the order the rows run."""
    with open(os.environ["TARNWELL_CASES"], newline="") as file:
        lines = [line for line in file if line.strip() and not line.startswith("#")]
    return [
        (row["label"], row["object"],
         tuple(float(row[k]) for k in ("Meter", "Plate", "SpecGravity", "Temp", "Pressure",
                                       "Difference")))
        for row in csv.DictReader(lines)
    ]
