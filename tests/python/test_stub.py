"""The type stub editors read says what the module takes: every public name, and each
function's parameters as the module's own docstring signature gives them."""

import ast
import pathlib

import tarnwell


def parameters(function: ast.FunctionDef):
    a = function.args
    defaults = [None] * (len(a.args) - len(a.defaults)) + a.defaults
    return ([(p.arg, ast.unparse(d) if d else None) for p, d in zip(a.args, defaults)],
            [(p.arg, ast.unparse(d) if d else None) for p, d in zip(a.kwonlyargs, a.kw_defaults)])


def stub():
    path = pathlib.Path(tarnwell.__file__).with_suffix(".pyi")
    return ast.parse(path.read_text())


def test_the_stub_declares_every_public_name():
    declared = {node.name for node in stub().body
                if isinstance(node, (ast.FunctionDef, ast.ClassDef))}
    assert declared == set(tarnwell.__all__)


def test_the_stub_signatures_match_the_docstrings():
    module = stub()
    functions = {node.name: node for node in module.body if isinstance(node, ast.FunctionDef)}
    flow_class = next(node for node in module.body
                      if isinstance(node, ast.ClassDef) and node.name == "FlowClass")
    functions["FlowClass.calc_flow"] = next(
        node for node in flow_class.body
        if isinstance(node, ast.FunctionDef) and node.name == "calc_flow")
    for name, declared in functions.items():
        runtime = tarnwell.FlowClass.calc_flow if name == "FlowClass.calc_flow" \
            else getattr(tarnwell, name)
        first_line = runtime.__doc__.splitlines()[0]
        documented = ast.parse(f"def {first_line}: pass").body[0]
        assert parameters(declared) == parameters(documented), name
