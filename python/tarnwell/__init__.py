"""Orifice gas flow by the factor method, from Python.

``FlowClass`` is Tarnwell's flow server object, with its kept state, exactly as the C and C++
interfaces offer it. ``calc_flow``, ``factors`` and ``check`` run the same engine over numbers
or NumPy arrays (broadcasting like a ufunc, NaN where no flow can stand), and
``solve_differential`` and ``size_bore`` solve for the differential or the bore.

Units: inches (meter, bore), degF (temperature, base temperature), psi gauge (static pressure),
psi (differential), psia (base pressure), degrees (latitude), feet (elevation); flows in Mcf/d,
thousands of standard cubic feet per day at the base conditions.
"""

from ._tarnwell import (
    Finding,
    FlowClass,
    NoSolutionError,
    RowBoundaryWarning,
    __version__,
    calc_flow,
    check,
    factors,
    size_bore,
    solve_differential,
)

__all__ = [
    "Finding",
    "FlowClass",
    "NoSolutionError",
    "RowBoundaryWarning",
    "calc_flow",
    "check",
    "factors",
    "size_bore",
    "solve_differential",
]

# Shown as tarnwell.X in help() and reprs, where users import them from.
for _name in __all__:
    try:
        globals()[_name].__module__ = __name__
    except (AttributeError, TypeError):
        pass
del _name
