// The compiled part of the `tarnwell` package: FlowClass from libtarnwell, and the engine's
// batch path, range checks and solvers over NumPy arrays.

#include "operands.h"

#include "FlowClass.h"
#include "md_batch.h"
#include "md_ranges.h"
#include "md_solve.h"

#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace tarnwell_python {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Rows per engine call: the failed marks stay in cache and the range check follows the batch
// while its inputs are still there.
constexpr std::size_t kChunkRows = 1024;

using Values = std::array<py::handle, 10>;

// Writes the flow of `rows` rows, NaN where a step fails or an input is in error (the rows the
// range checks would reject), so no row ever shows a number no flow can stand on.
void ComputeFlows(const FlowBatchInputs &columns, std::size_t rows, double *flow)
{
    if (rows == 1) { // the batch would compute a whole block of padding for it
        const FlowInputs in = RowInputs(columns, 0);
        const FlowRow row = ComputeFlowRow(in);
        flow[0] = row.failed || HasInputError(in) ? kNaN : row.flow;
        return;
    }
    unsigned char failed[kChunkRows];
    for (std::size_t start = 0; start < rows; start += kChunkRows) {
        const std::size_t n = std::min(kChunkRows, rows - start);
        const FlowBatchInputs chunk = Advance(columns, start);
        ComputeFlowBatch(chunk, n, flow + start, failed);
        for (std::size_t i = 0; i < n; ++i)
            if (failed[i] != FlowRowOk || HasInputError(RowInputs(chunk, i)))
                flow[start + i] = kNaN;
    }
}

py::object CalcFlow(const Values &values)
{
    const Broadcast inputs(values, "calc_flow");
    if (inputs.scalar()) {
        double flow = 0;
        inputs.forEachRun([&](const FlowBatchInputs &columns, std::size_t rows, std::size_t) {
            ComputeFlows(columns, rows, &flow);
        });
        return py::float_(flow);
    }
    py::array_t<double> result(inputs.shape());
    double *flow = result.mutable_data();
    {
        py::gil_scoped_release release;
        inputs.forEachRun([&](const FlowBatchInputs &columns, std::size_t rows, std::size_t first) {
            ComputeFlows(columns, rows, flow + first);
        });
    }
    return result;
}

// The factors, C' and flow of each row on a fresh engine; every one NaN in a row whose flow is.
py::dict Factors(const Values &values)
{
    const Broadcast inputs(values, "factors");
    constexpr std::size_t kFactors = kFlowFactorFields.size();
    std::array<py::object, kFactors + 1> arrays;
    std::array<double *, kFactors + 1> out{};
    std::array<double, kFactors + 1> numbers{};
    for (std::size_t j = 0; j <= kFactors; ++j) {
        if (inputs.scalar()) {
            out[j] = &numbers[j];
        } else {
            py::array_t<double> array(inputs.shape());
            out[j] = array.mutable_data();
            arrays[j] = std::move(array);
        }
    }
    {
        py::gil_scoped_release release;
        inputs.forEachRun([&](const FlowBatchInputs &columns, std::size_t rows, std::size_t first) {
            double *flow = out[kFactors] + first;
            ComputeFlows(columns, rows, flow);
            for (std::size_t i = 0; i < rows; ++i) {
                FlowEngine engine;
                const FlowFactors factors = engine.ComputeFactors(RowInputs(columns, i));
                const bool bad = std::isnan(flow[i]) || !engine.FailedSteps().empty();
                if (bad)
                    flow[i] = kNaN;
                for (std::size_t j = 0; j < kFactors; ++j)
                    out[j][first + i] = bad ? kNaN : factors.*kFlowFactorFields[j].value;
            }
        });
    }
    py::dict result;
    for (std::size_t j = 0; j <= kFactors; ++j) {
        const char *key = j < kFactors ? kFlowFactorFields[j].name : "flow";
        if (inputs.scalar())
            result[key] = py::float_(numbers[j]);
        else
            result[key] = arrays[j];
    }
    return result;
}

// One range finding, as Python sees it.
struct PyFinding
{
    std::string code;
    std::string severity; // "error" or "warning"
    py::object input;     // the argument it is about, or None
    std::string message;
    py::tuple index; // where in the broadcast shape; () for numbers
};

py::list Check(const Values &values)
{
    const Broadcast inputs(values, "check");
    std::vector<std::pair<std::size_t, Finding>> found;
    {
        py::gil_scoped_release release;
        inputs.forEachRun([&](const FlowBatchInputs &columns, std::size_t rows, std::size_t first) {
            for (std::size_t i = 0; i < rows; ++i) {
                const FlowInputs in = RowInputs(columns, i);
                FlowEngine engine;
                engine.ComputeFactors(in);
                for (Finding &finding : CheckRanges(in, engine.FailedSteps()))
                    found.emplace_back(first + i, std::move(finding));
            }
        });
    }
    py::list result;
    const std::vector<py::ssize_t> &shape = inputs.shape();
    for (auto &[row, finding] : found) {
        py::tuple index(shape.size());
        std::size_t rest = row;
        for (std::size_t d = shape.size(); d-- > 0;) {
            index[d] = rest % static_cast<std::size_t>(shape[d]);
            rest /= static_cast<std::size_t>(shape[d]);
        }
        const char *input = ArgumentName(finding.input);
        result.append(PyFinding{std::string(finding.code),
                                finding.severity == Severity::Error ? "error" : "warning",
                                input ? py::object(py::str(input)) : py::object(py::none()),
                                std::move(finding.message), std::move(index)});
    }
    return result;
}

FlowInputs Numbers(const Values &values, const char *function)
{
    FlowInputs in;
    for (std::size_t k = 0; k < kArguments.size(); ++k)
        if (values[k])
            in.*flowInputField(kArguments[k].input).value =
                ToNumber(values[k], function, kArguments[k].name);
    return in;
}

PyObject *noSolutionError = nullptr;
PyObject *rowBoundaryWarning = nullptr;

double Solve(SolveResult (*solver)(const FlowInputs &, double), const Values &values,
             py::handle flow, const char *function)
{
    const FlowInputs in = Numbers(values, function);
    const double wanted = ToNumber(flow, function, "flow");
    SolveResult result;
    {
        py::gil_scoped_release release;
        result = solver(in, wanted);
    }
    const std::string message = std::string(function) + "(): " + result.message;
    if (!result.solved) {
        py::object error = py::reinterpret_borrow<py::object>(noSolutionError)(message);
        error.attr("code") = py::str(std::string(result.code));
        PyErr_SetObject(noSolutionError, error.ptr());
        throw py::error_already_set();
    }
    if (result.atRowBoundary && PyErr_WarnEx(rowBoundaryWarning, message.c_str(), 1) < 0)
        throw py::error_already_set();
    return result.value;
}

// The flow server's fixed base conditions and site are the keyword arguments' defaults, so
// that with them the vectorised functions answer what FlowClass.calc_flow answers.
const std::array<double, 10> kDefaults = {kNaN,
                                          kNaN,
                                          kNaN,
                                          kNaN,
                                          kNaN,
                                          kNaN,
                                          FlowClass::BaseTemperature,
                                          FlowClass::BasePressure,
                                          FlowClass::Latitude,
                                          FlowClass::Elevation};

// The argument for kArguments[k], with its default where it has one.
py::arg Arg(std::size_t k)
{
    return py::arg(kArguments[k].name);
}
py::arg_v ArgWithDefault(std::size_t k)
{
    return py::arg(kArguments[k].name) = kDefaults[k];
}

// "name(meter: type, ..., *, base_temperature: type = 60.0, ...)"; a solver's signature has
// its unknown left out and the wanted flow in its place at the end of the positional ones.
std::string Signature(const char *name, const char *type, FlowInput unknown = FlowInput::None)
{
    std::string text = std::string(name) + "(";
    for (std::size_t k = 0; k < kArguments.size(); ++k) {
        if (kArguments[k].input == unknown)
            continue;
        if (k == kPositionalArguments)
            text += unknown == FlowInput::None ? "*, " : "flow: float, *, ";
        text += std::string(kArguments[k].name) + ": " + type;
        if (k >= kPositionalArguments)
            text += " = " + py::repr(py::float_(kDefaults[k])).cast<std::string>();
        text += k + 1 < kArguments.size() ? ", " : ")";
    }
    return text;
}

// The docstring's argument lines, in the order of Signature.
std::string ArgumentDocs(FlowInput unknown = FlowInput::None)
{
    std::string text = "Arguments:\n";
    for (std::size_t k = 0; k < kArguments.size(); ++k) {
        if (kArguments[k].input == unknown)
            continue;
        if (k == kPositionalArguments && unknown != FlowInput::None)
            text += "    flow: the wanted flow, Mcf/d\n";
        const FlowInputField &field = flowInputField(kArguments[k].input);
        text += std::string("    ") + kArguments[k].name + ": " + field.label +
                (*field.unit ? std::string(", ") + field.unit : "") + "\n";
    }
    return text + "\n";
}

// A function over the ten inputs: six positional, the base conditions and site by keyword.
template <class Function>
void DefVectorised(py::module_ &m, const char *name, Function function, const std::string &doc)
{
    m.def(
        name,
        [function](py::handle a, py::handle b, py::handle c, py::handle d, py::handle e,
                   py::handle f, py::handle g, py::handle h, py::handle i, py::handle j) {
            return function({a, b, c, d, e, f, g, h, i, j});
        },
        Arg(0), Arg(1), Arg(2), Arg(3), Arg(4), Arg(5), py::kw_only(), ArgWithDefault(6),
        ArgWithDefault(7), ArgWithDefault(8), ArgWithDefault(9), doc.c_str());
}

const std::string kBroadcastDoc =
    "Each argument is a number or an array of numbers (any real dtype, any strides or byte\n"
    "order); arrays broadcast together as for a NumPy ufunc. Each element is computed on its\n"
    "own, as on a new FlowClass: no element depends on another or on an earlier call.\n";

const std::string kErrorsDoc =
    "Raises TypeError for an argument that is not a real number or an array of real numbers\n"
    "(bool, str, None, complex, object arrays), ValueError for arrays that do not broadcast.\n";

} // namespace
} // namespace tarnwell_python

using namespace tarnwell_python;

PYBIND11_MODULE(_tarnwell, m)
{
    py::options options;
    options.disable_function_signatures(); // each docstring opens with its own, with real types

    m.doc() = "Orifice gas flow by the factor method: Tarnwell's FlowClass, and the same "
              "engine over NumPy arrays.";
    m.attr("__version__") = TARNWELL_PYTHON_VERSION;

    noSolutionError = PyErr_NewExceptionWithDoc(
        "tarnwell.NoSolutionError",
        "A solver found no solution. A ValueError; `code` names the reason.", PyExc_ValueError,
        nullptr);
    rowBoundaryWarning = PyErr_NewExceptionWithDoc(
        "tarnwell.RowBoundaryWarning",
        "The answer is a bore at a row boundary of the flow coefficient table, where the flow "
        "jumps across the wanted flow: the flow there is not the wanted flow.",
        PyExc_UserWarning, nullptr);
    if (!noSolutionError || !rowBoundaryWarning)
        throw py::error_already_set();
    m.attr("NoSolutionError") = py::handle(noSolutionError);
    m.attr("RowBoundaryWarning") = py::handle(rowBoundaryWarning);

    py::class_<FlowClass>(m, "FlowClass", R"(FlowClass()

Tarnwell's flow server object, the same class the C and C++ interfaces offer.

Each object keeps its own engine state from call to call, starting at zero: a step that cannot
be computed (a zero meter diameter, say) falls back on the values this object's previous call
left. Base conditions and site are fixed: 60 degF, 14.73 psia, latitude 42 degrees, elevation
300 ft. Calls hold the GIL, so calls on one object never overlap.)")
        .def(py::init<>())
        .def(
            "calc_flow",
            [](FlowClass &self, py::handle meter, py::handle plate, py::handle specGravity,
               py::handle temp, py::handle pressure, py::handle difference) {
                const char *function = "FlowClass.calc_flow";
                const double values[] = {ToNumber(meter, function, "meter"),
                                         ToNumber(plate, function, "plate"),
                                         ToNumber(specGravity, function, "spec_gravity"),
                                         ToNumber(temp, function, "temp"),
                                         ToNumber(pressure, function, "pressure"),
                                         ToNumber(difference, function, "difference")};
                return self.CalcFlow(values[0], values[1], values[2], values[3], values[4],
                                     values[5]);
            },
            py::arg("meter"), py::arg("plate"), py::arg("spec_gravity"), py::arg("temp"),
            py::arg("pressure"), py::arg("difference"),
            R"(calc_flow(self, meter: float, plate: float, spec_gravity: float, temp: float, pressure: float, difference: float) -> float

Flow in Mcf/d (thousands of standard cubic feet per day at 60 degF and 14.73 psia), exactly
as the C++ FlowClass::CalcFlow and the C tarnwell_calc_flow return it, using and updating
this object's state.

    meter: inside diameter of the meter run, inches
    plate: orifice bore diameter, inches
    spec_gravity: gas specific gravity (air = 1)
    temp: flowing temperature, degF
    pressure: upstream static pressure, psi gauge
    difference: differential pressure across the orifice, psi

Never reports a calculation error: a non-finite argument returns 0 and leaves the state as it
was, and a flow that cannot be computed (a negative difference, say) returns 0. Raises
TypeError for an argument that is not a real number (tarnwell.calc_flow takes arrays).)");

    const std::string arguments = "\n" + ArgumentDocs();

    static const std::string calcFlowDoc =
        Signature("calc_flow", "ArrayLike") + " -> float | numpy.ndarray\n\n" +
        "Flow of natural gas through the orifice meter, Mcf/d (thousands of standard cubic feet\n"
        "per day at the base conditions): a float when every argument is a number, otherwise a\n"
        "float64 array of the broadcast shape. An element is NaN where no flow can stand on its\n"
        "inputs: a step of the calculation fails, or check() reports an error (an input not\n"
        "finite or out of range, the bore not smaller than the meter). The GIL is released\n"
        "while an array of flows is computed.\n\n" +
        kBroadcastDoc +
        "With the default base conditions and site it agrees with FlowClass().calc_flow of the\n"
        "six inputs to a relative 1e-13 wherever it is not NaN.\n" +
        arguments + kErrorsDoc;
    static const std::string factorsDoc =
        Signature("factors", "ArrayLike") + " -> dict[str, float | numpy.ndarray]\n\n" +
        "Every factor of the calculation, C' and the flow, each a float or an array of the\n"
        "broadcast shape: 'Fr', 'Y', 'Z', 'Fl', 'Fa', 'FTb', 'FTf', 'FPb', 'Fb', 'Fg', 'All'\n"
        "(the product of every factor but Fb), 'CPrime' (All * Fb) and 'flow' (Mcf/d, as\n"
        "calc_flow gives it). Every value of an element is NaN where its flow is.\n\n" +
        kBroadcastDoc + arguments + kErrorsDoc;
    static const std::string checkDoc =
        Signature("check", "ArrayLike") + " -> list[Finding]\n\n" +
        "The range findings for the inputs: errors, where no flow can stand (and which make\n"
        "calc_flow NaN), and warnings, where the method is used outside the range it is stated\n"
        "for. Findings come element by element in C order, errors before warnings; each names\n"
        "its element by `index` in the broadcast shape (() when every argument is a number).\n"
        "An empty list means the inputs are within range.\n\n" +
        kBroadcastDoc + arguments + kErrorsDoc;

    DefVectorised(m, "calc_flow", CalcFlow, calcFlowDoc);
    DefVectorised(m, "factors", Factors, factorsDoc);
    DefVectorised(m, "check", Check, checkDoc);

    static const std::string solveDifferentialDoc =
        Signature("solve_differential", "float", FlowInput::Difference) + " -> float\n\n" +
        "The differential pressure, psi, at which the flow equals `flow` (Mcf/d), every other\n"
        "input given; met to a relative 1e-10 on a new engine, never where a step fails.\n\n" +
        ArgumentDocs(FlowInput::Difference) +
        "Raises NoSolutionError (a ValueError) with the solver's reason when there is none,\n"
        "TypeError for an argument that is not a real number.\n";
    static const std::string sizeBoreDoc =
        Signature("size_bore", "float", FlowInput::Plate) + " -> float\n\n" +
        "The smallest orifice bore, inches (below the meter diameter), at which the flow equals\n"
        "`flow` (Mcf/d) at the given differential; met to a relative 1e-10 on a new engine,\n"
        "never where a step fails. Where the flow coefficient table makes the flow jump across\n"
        "`flow`, the answer is the bore at that row boundary and a RowBoundaryWarning says "
        "so.\n\n" +
        ArgumentDocs(FlowInput::Plate) +
        "Raises NoSolutionError (a ValueError) with the solver's reason when there is none,\n"
        "TypeError for an argument that is not a real number.\n";

    m.def(
        "solve_differential",
        [](py::handle a, py::handle b, py::handle c, py::handle d, py::handle e, py::handle flow,
           py::handle g, py::handle h, py::handle i, py::handle j) {
            return Solve(SolveDifferential, {a, b, c, d, e, {}, g, h, i, j}, flow,
                         "solve_differential");
        },
        Arg(0), Arg(1), Arg(2), Arg(3), Arg(4), py::arg("flow"), py::kw_only(), ArgWithDefault(6),
        ArgWithDefault(7), ArgWithDefault(8), ArgWithDefault(9), solveDifferentialDoc.c_str());
    m.def(
        "size_bore",
        [](py::handle a, py::handle c, py::handle d, py::handle e, py::handle f, py::handle flow,
           py::handle g, py::handle h, py::handle i, py::handle j) {
            return Solve(SizeBore, {a, {}, c, d, e, f, g, h, i, j}, flow, "size_bore");
        },
        Arg(0), Arg(2), Arg(3), Arg(4), Arg(5), py::arg("flow"), py::kw_only(), ArgWithDefault(6),
        ArgWithDefault(7), ArgWithDefault(8), ArgWithDefault(9), sizeBoreDoc.c_str());

    py::class_<PyFinding>(m, "Finding", R"(Finding

One range finding: `code` (stable, e.g. 'beta-range'), `severity` ('error' or 'warning'),
`input` (the argument it is about, e.g. 'bore', or None), `message` (plain text with the
numbers in it) and `index` (the element of the broadcast shape it is about).)")
        .def_readonly("code", &PyFinding::code)
        .def_readonly("severity", &PyFinding::severity)
        .def_readonly("input", &PyFinding::input)
        .def_readonly("message", &PyFinding::message)
        .def_readonly("index", &PyFinding::index)
        .def("__repr__", [](const PyFinding &f) {
            return "Finding(code=" + py::repr(py::str(f.code)).cast<std::string>() +
                   ", severity=" + py::repr(py::str(f.severity)).cast<std::string>() +
                   ", input=" + py::repr(f.input).cast<std::string>() +
                   ", message=" + py::repr(py::str(f.message)).cast<std::string>() +
                   ", index=" + py::repr(f.index).cast<std::string>() + ")";
        });
}
