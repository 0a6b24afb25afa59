"""Orifice gas flow by the factor method, from Python."""

from typing import SupportsFloat as Number
from typing import overload

import numpy as np
import numpy.typing as npt
from numpy.typing import ArrayLike

__version__: str

class NoSolutionError(ValueError):
    """A solver found no solution; `code` names the reason."""

    code: str

class RowBoundaryWarning(UserWarning):
    """The bore found is at a row boundary of the flow coefficient table, where the flow jumps
    across the wanted flow."""

class Finding:
    """One range finding."""

    @property
    def code(self) -> str:
        """Stable code, e.g. 'beta-range'."""
    @property
    def severity(self) -> str:
        """'error' (no flow can stand) or 'warning' (outside the method's stated range)."""
    @property
    def input(self) -> str | None:
        """The argument the finding is about, e.g. 'bore', or None."""
    @property
    def message(self) -> str:
        """Plain text with the numbers in it."""
    @property
    def index(self) -> tuple[int, ...]:
        """The element of the broadcast shape it is about; () for numbers."""

class FlowClass:
    """Tarnwell's flow server object: keeps its engine state from call to call, base
    conditions 60 degF and 14.73 psia, latitude 42 degrees, elevation 300 ft."""

    def __init__(self) -> None: ...
    def calc_flow(
        self,
        meter: Number,
        plate: Number,
        spec_gravity: Number,
        temp: Number,
        pressure: Number,
        difference: Number,
    ) -> float:
        """Flow, Mcf/d. meter and plate inches, temp degF, pressure psi gauge, difference psi."""

@overload
def calc_flow(
    meter: Number,
    bore: Number,
    gravity: Number,
    temperature: Number,
    pressure: Number,
    differential: Number,
    *,
    base_temperature: Number = 60.0,
    base_pressure: Number = 14.73,
    latitude: Number = 42.0,
    elevation: Number = 300.0,
) -> float: ...
@overload
def calc_flow(
    meter: ArrayLike,
    bore: ArrayLike,
    gravity: ArrayLike,
    temperature: ArrayLike,
    pressure: ArrayLike,
    differential: ArrayLike,
    *,
    base_temperature: ArrayLike = 60.0,
    base_pressure: ArrayLike = 14.73,
    latitude: ArrayLike = 42.0,
    elevation: ArrayLike = 300.0,
) -> float | npt.NDArray[np.float64]:
    """Flow, Mcf/d, broadcasting like a ufunc; NaN where no flow can stand.

    meter, bore inches; gravity (air = 1); temperature degF; pressure psi gauge; differential
    psi; base_temperature degF; base_pressure psia; latitude degrees; elevation feet."""

def factors(
    meter: ArrayLike,
    bore: ArrayLike,
    gravity: ArrayLike,
    temperature: ArrayLike,
    pressure: ArrayLike,
    differential: ArrayLike,
    *,
    base_temperature: ArrayLike = 60.0,
    base_pressure: ArrayLike = 14.73,
    latitude: ArrayLike = 42.0,
    elevation: ArrayLike = 300.0,
) -> dict[str, float | npt.NDArray[np.float64]]:
    """'Fr', 'Y', 'Z', 'Fl', 'Fa', 'FTb', 'FTf', 'FPb', 'Fb', 'Fg', 'All', 'CPrime' and 'flow'
    (Mcf/d), each a float or an array of the broadcast shape; NaN where the flow is."""

def check(
    meter: ArrayLike,
    bore: ArrayLike,
    gravity: ArrayLike,
    temperature: ArrayLike,
    pressure: ArrayLike,
    differential: ArrayLike,
    *,
    base_temperature: ArrayLike = 60.0,
    base_pressure: ArrayLike = 14.73,
    latitude: ArrayLike = 42.0,
    elevation: ArrayLike = 300.0,
) -> list[Finding]:
    """The range findings, element by element in C order, errors before warnings."""

def solve_differential(
    meter: Number,
    bore: Number,
    gravity: Number,
    temperature: Number,
    pressure: Number,
    flow: Number,
    *,
    base_temperature: Number = 60.0,
    base_pressure: Number = 14.73,
    latitude: Number = 42.0,
    elevation: Number = 300.0,
) -> float:
    """The differential, psi, at which the flow is `flow` Mcf/d; NoSolutionError if none."""

def size_bore(
    meter: Number,
    gravity: Number,
    temperature: Number,
    pressure: Number,
    differential: Number,
    flow: Number,
    *,
    base_temperature: Number = 60.0,
    base_pressure: Number = 14.73,
    latitude: Number = 42.0,
    elevation: Number = 300.0,
) -> float:
    """The smallest bore, inches, at which the flow is `flow` Mcf/d at the given differential;
    NoSolutionError if none, RowBoundaryWarning when the answer is a table row boundary."""
