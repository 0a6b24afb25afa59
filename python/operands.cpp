#include "operands.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>

namespace tarnwell_python {

namespace {

[[noreturn]] void Raise(PyObject *type, const std::string &message)
{
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

std::string Where(const char *function, const char *name)
{
    return std::string(function) + "(): " + name;
}

std::string ShapeText(const py::ssize_t *shape, py::ssize_t ndim)
{
    std::string text = "(";
    for (py::ssize_t i = 0; i < ndim; ++i)
        text += std::to_string(shape[i]) + (i + 1 < ndim || ndim == 1 ? "," : "") +
                (i + 1 < ndim ? " " : "");
    return text + ")";
}

// A converted argument: a number, or an array of at least one dimension. (A default py::array
// would be a new empty NumPy array, far dearer than a number's whole conversion.)
struct Operand
{
    bool isNumber = true;
    double number = 0;
    py::object object;

    py::array array() const { return py::reinterpret_borrow<py::array>(object); }
};

// Re-raises the pending Python error with the argument named in front of its message, keeping
// its type.
[[noreturn]] void RaiseNamed(py::error_already_set &error, const char *function, const char *name)
{
    const std::string message =
        Where(function, name) + ": " + py::str(error.value()).cast<std::string>();
    Raise(error.type().ptr(), message);
}

double IntToDouble(PyObject *value, const char *function, const char *name)
{
    const double number = PyLong_AsDouble(value);
    if (number == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();
        Raise(PyExc_OverflowError, Where(function, name) + " is an int too large for a float");
    }
    return number;
}

// "f(): name must be a number, not str"; the vectorised functions also take arrays.
[[noreturn]] void RaiseNotNumber(const char *function, const char *name, bool arrays,
                                 const std::string &given, const char *hint = "")
{
    Raise(PyExc_TypeError, Where(function, name) + " must be a number" +
                               (arrays ? " or an array of numbers" : "") + ", not " + given + hint);
}

Operand Convert(py::handle value, const char *function, const char *name, bool arrays)
{
    PyObject *object = value.ptr();
    const char *typeName = Py_TYPE(object)->tp_name;
    // Plain numbers first: the common case, and the scalar loop of a benchmark.
    if (PyFloat_Check(object))
        return {true, PyFloat_AS_DOUBLE(object), {}};
    if (PyBool_Check(object))
        RaiseNotNumber(function, name, arrays, "bool");
    if (PyLong_Check(object))
        return {true, IntToDouble(object, function, name), {}};
    if (object == Py_None || PyUnicode_Check(object) || PyBytes_Check(object) ||
        PyByteArray_Check(object))
        RaiseNotNumber(function, name, arrays, typeName);

    py::object converted;
    if (py::isinstance<py::array>(value)) {
        converted = py::reinterpret_borrow<py::object>(value);
    } else if (!py::hasattr(value, "dtype") && !PySequence_Check(object) &&
               py::hasattr(value, "__float__")) {
        // Number types outside NumPy (decimal.Decimal, fractions.Fraction).
        PyObject *number = PyNumber_Float(object);
        if (!number) {
            py::error_already_set error;
            RaiseNamed(error, function, name);
        }
        const double result = PyFloat_AS_DOUBLE(number);
        Py_DECREF(number);
        return {true, result, {}};
    } else {
        try {
            converted = py::module_::import("numpy").attr("asarray")(value);
        } catch (py::error_already_set &error) {
            RaiseNamed(error, function, name);
        }
    }

    const auto array = py::reinterpret_borrow<py::array>(converted);
    const py::dtype dtype = array.dtype();
    const char kind = dtype.kind();
    const bool scalar = array.ndim() == 0;
    if (kind != 'f' && kind != 'i' && kind != 'u') {
        const std::string dtypeName = py::str(py::handle(dtype));
        RaiseNotNumber(function, name, arrays,
                       scalar        ? (kind == 'b' ? "bool" : typeName)
                       : kind == 'b' ? "an array of bool"
                                     : "an array of dtype " + dtypeName,
                       kind == 'O' && arrays ? " (numpy.asarray(x, dtype=float) converts numbers "
                                               "held as objects)"
                                             : "");
    }
    if (scalar)
        return {true, array.attr("astype")("float64").attr("item")().cast<double>(), {}};
    if (!arrays)
        RaiseNotNumber(function, name, arrays,
                       py::isinstance<py::array>(value)
                           ? "an array of shape " + ShapeText(array.shape(), array.ndim())
                           : typeName);
    return {false, 0, converted};
}

// Whether the engine can read the array in place: native-order float64, aligned, with strides
// that are whole elements.
bool ReadableInPlace(const py::array &array)
{
    const py::dtype dtype = array.dtype();
    const bool nativeOrder =
        dtype.byteorder() == '=' || dtype.byteorder() == '|' ||
        dtype.byteorder() == (std::endian::native == std::endian::little ? '<' : '>');
    if (dtype.kind() != 'f' || dtype.itemsize() != sizeof(double) || !nativeOrder)
        return false;
    if (reinterpret_cast<std::uintptr_t>(array.data()) % alignof(double) != 0)
        return false;
    for (py::ssize_t i = 0; i < array.ndim(); ++i)
        if (array.strides(i) % static_cast<py::ssize_t>(sizeof(double)) != 0)
            return false;
    return true;
}

} // namespace

const char *ArgumentName(FlowInput input)
{
    for (const Argument &argument : kArguments)
        if (argument.input == input)
            return argument.name;
    return nullptr;
}

double ToNumber(py::handle value, const char *function, const char *name)
{
    return Convert(value, function, name, false).number;
}

FlowInputs RowInputs(const FlowBatchInputs &columns, std::size_t row)
{
    FlowInputs in;
    for (const Argument &argument : kArguments) {
        const FlowColumn &column = columns.*argument.column;
        in.*flowInputField(argument.input).value =
            column.values[static_cast<std::ptrdiff_t>(row) * column.stride];
    }
    return in;
}

FlowBatchInputs Advance(const FlowBatchInputs &columns, std::size_t rows)
{
    FlowBatchInputs moved = columns;
    for (const Argument &argument : kArguments) {
        FlowColumn &column = moved.*argument.column;
        column.values += static_cast<std::ptrdiff_t>(rows) * column.stride;
    }
    return moved;
}

Broadcast::Broadcast(const std::array<py::handle, 10> &values, const char *function)
{
    std::array<Operand, 10> operands;
    py::ssize_t ndim = 0;
    for (std::size_t k = 0; k < kArguments.size(); ++k) {
        operands[k] = Convert(values[k], function, kArguments[k].name, true);
        if (!operands[k].isNumber) {
            scalar_ = false;
            ndim = std::max(ndim, operands[k].array().ndim());
        }
    }

    // NumPy's rule: shapes aligned at their last dimension; an extent of 1 stretches.
    shape_.assign(static_cast<std::size_t>(ndim), 1);
    std::vector<std::size_t> setBy(shape_.size(), 0);
    for (std::size_t k = 0; k < kArguments.size(); ++k) {
        if (operands[k].isNumber)
            continue;
        const py::array array = operands[k].array();
        for (py::ssize_t i = 0; i < array.ndim(); ++i) {
            const auto d = static_cast<std::size_t>(ndim - array.ndim() + i);
            const py::ssize_t extent = array.shape(i);
            if (extent == 1 || extent == shape_[d])
                continue;
            if (shape_[d] != 1) {
                const py::array other = operands[setBy[d]].array();
                Raise(PyExc_ValueError,
                      std::string(function) +
                          "(): the inputs do not broadcast together: " + kArguments[k].name +
                          " has shape " + ShapeText(array.shape(), array.ndim()) + " but " +
                          kArguments[setBy[d]].name + " has shape " +
                          ShapeText(other.shape(), other.ndim()));
            }
            shape_[d] = extent;
            setBy[d] = k;
        }
    }
    size_ = 1;
    bool empty = false;
    for (py::ssize_t extent : shape_)
        empty = empty || extent == 0;
    for (py::ssize_t extent : shape_)
        if (!empty && __builtin_mul_overflow(size_, static_cast<std::size_t>(extent), &size_))
            Raise(PyExc_ValueError, std::string(function) + "(): the broadcast shape " +
                                        ShapeText(shape_.data(), ndim) + " is too large");
    if (empty)
        size_ = 0;

    // Element strides per broadcast dimension; 0 where an input is stretched or is a number.
    std::array<std::vector<std::ptrdiff_t>, 10> strides;
    for (std::size_t k = 0; k < kArguments.size(); ++k) {
        Operand &operand = operands[k];
        strides[k].assign(shape_.size(), 0);
        if (operand.isNumber) {
            numbers_[k] = operand.number;
            data_[k] = &numbers_[k];
            continue;
        }
        if (!ReadableInPlace(operand.array()))
            operand.object = operand.object.attr("astype")("float64");
        const py::array array = operand.array();
        for (py::ssize_t i = 0; i < array.ndim(); ++i)
            if (array.shape(i) != 1)
                strides[k][static_cast<std::size_t>(ndim - array.ndim() + i)] =
                    array.strides(i) / static_cast<py::ssize_t>(sizeof(double));
        data_[k] = static_cast<const double *>(array.data());
        keep_[k] = array;
    }

    // Fewer, longer runs: drop unit dimensions, and merge a dimension into the one inside it
    // wherever every input steps through both as through one.
    for (std::size_t d = 0; d < shape_.size(); ++d) {
        const auto extent = static_cast<std::size_t>(shape_[d]);
        if (extent == 1)
            continue;
        bool merge = !dims_.empty();
        for (std::size_t k = 0; merge && k < kArguments.size(); ++k)
            merge = strides_[k].back() == strides[k][d] * static_cast<std::ptrdiff_t>(extent);
        if (merge) {
            dims_.back() *= extent;
            for (std::size_t k = 0; k < kArguments.size(); ++k)
                strides_[k].back() = strides[k][d];
        } else {
            dims_.push_back(extent);
            for (std::size_t k = 0; k < kArguments.size(); ++k)
                strides_[k].push_back(strides[k][d]);
        }
    }
}

} // namespace tarnwell_python
