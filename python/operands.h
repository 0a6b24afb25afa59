#pragma once

// Turning Python arguments into engine inputs: numbers for the scalar functions, and for the
// vectorised ones NumPy-style broadcasting over strided columns, copying only what the engine
// cannot read in place.

#include "md_batch.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <cstddef>
#include <vector>

namespace tarnwell_python {

namespace py = pybind11;

// One engine input as the Python functions name it.
struct Argument
{
    const char *name;
    FlowInput input;
    FlowColumn FlowBatchInputs::*column;
};

// Every engine input, in the order the vectorised functions take them.
inline constexpr std::array<Argument, 10> kArguments = {{
    {"meter", FlowInput::Meter, &FlowBatchInputs::Meter},
    {"bore", FlowInput::Plate, &FlowBatchInputs::Plate},
    {"gravity", FlowInput::SpecGravity, &FlowBatchInputs::SpecGravity},
    {"temperature", FlowInput::Temp, &FlowBatchInputs::Temp},
    {"pressure", FlowInput::Pressure, &FlowBatchInputs::Pressure},
    {"differential", FlowInput::Difference, &FlowBatchInputs::Difference},
    {"base_temperature", FlowInput::Tb, &FlowBatchInputs::Tb},
    {"base_pressure", FlowInput::Pb, &FlowBatchInputs::Pb},
    {"latitude", FlowInput::Lat, &FlowBatchInputs::Lat},
    {"elevation", FlowInput::Elev, &FlowBatchInputs::Elev},
}};
inline constexpr std::size_t kPositionalArguments = 6;

// The Python name of an engine input; nullptr for FlowInput::None.
const char *ArgumentName(FlowInput input);

// `value` as a double: a real number (not a bool), a NumPy scalar or a 0-d array of one.
// Raises TypeError (or OverflowError for an int beyond the double range) with a message that
// names `function` and the argument `name`.
double ToNumber(py::handle value, const char *function, const char *name);

// Row `row` of a run: every input read through its column.
FlowInputs RowInputs(const FlowBatchInputs &columns, std::size_t row);

// The columns moved on by `rows` rows.
FlowBatchInputs Advance(const FlowBatchInputs &columns, std::size_t rows);

// The ten inputs of one vectorised call (in kArguments order), broadcast together like the
// operands of a NumPy ufunc. Arrays that are native float64 with element-multiple strides are
// read in place through their strides; other numeric arrays are converted once. Raises
// TypeError for a value that is not numeric and ValueError for shapes that do not broadcast.
class Broadcast
{
public:
    Broadcast(const std::array<py::handle, 10> &values, const char *function);
    Broadcast(const Broadcast &) = delete;
    Broadcast &operator=(const Broadcast &) = delete;

    // True when every input was a number or a 0-d array: the result is then a number.
    bool scalar() const { return scalar_; }
    // The broadcast shape and its number of rows.
    const std::vector<py::ssize_t> &shape() const { return shape_; }
    std::size_t size() const { return size_; }

    // Calls run(columns, rows, first) for consecutive runs of rows in C order; `first` is the
    // flat index of the run's first row. Touches no Python object, so it may run without the
    // GIL.
    template <class Run> void forEachRun(Run run) const;

private:
    static constexpr std::size_t kShortRun = 64, kStagingRows = 1024;

    std::array<py::object, 10> keep_; // the arrays read, alive while the call lasts
    std::array<double, 10> numbers_{};
    std::array<const double *, 10> data_{};
    bool scalar_ = true;
    std::vector<py::ssize_t> shape_;
    std::size_t size_ = 1;
    // After dropping unit dimensions and merging those that are contiguous for every input:
    // the extent of each dimension and each input's stride in it, in doubles.
    std::vector<std::size_t> dims_;
    std::array<std::vector<std::ptrdiff_t>, 10> strides_;
};

template <class Run> void Broadcast::forEachRun(Run run) const
{
    if (size_ == 0)
        return;
    FlowBatchInputs columns;
    if (dims_.empty()) {
        for (std::size_t k = 0; k < kArguments.size(); ++k)
            columns.*kArguments[k].column = {data_[k], 0};
        run(columns, std::size_t{1}, std::size_t{0});
        return;
    }
    const std::size_t inner = dims_.size() - 1;
    const std::size_t length = dims_[inner];
    // Short runs (a broadcast of shape (n, 2), say) are gathered into contiguous columns, so
    // the engine still sees long batches rather than one short batch per run.
    const bool gather = inner > 0 && length < kShortRun;
    std::vector<double> staging(gather ? kArguments.size() * kStagingRows : 0);
    std::size_t staged = 0, firstStaged = 0;
    const auto stagingColumns = [&] {
        FlowBatchInputs contiguous;
        for (std::size_t k = 0; k < kArguments.size(); ++k)
            contiguous.*kArguments[k].column = {staging.data() + k * kStagingRows, 1};
        return contiguous;
    };

    std::vector<std::size_t> index(inner, 0);
    for (std::size_t first = 0; first < size_; first += length) {
        for (std::size_t k = 0; k < kArguments.size(); ++k) {
            std::ptrdiff_t offset = 0;
            for (std::size_t d = 0; d < inner; ++d)
                offset += static_cast<std::ptrdiff_t>(index[d]) * strides_[k][d];
            columns.*kArguments[k].column = {data_[k] + offset, strides_[k][inner]};
        }
        if (!gather) {
            run(columns, length, first);
        } else {
            for (std::size_t i = 0; i < length; ++i) {
                const FlowInputs row = RowInputs(columns, i);
                for (std::size_t k = 0; k < kArguments.size(); ++k)
                    staging[k * kStagingRows + staged] =
                        row.*flowInputField(kArguments[k].input).value;
                if (++staged == kStagingRows) {
                    run(stagingColumns(), staged, firstStaged);
                    firstStaged += staged;
                    staged = 0;
                }
            }
        }
        for (std::size_t d = inner; d-- > 0;) {
            if (++index[d] < dims_[d])
                break;
            index[d] = 0;
        }
    }
    if (staged > 0)
        run(stagingColumns(), staged, firstStaged);
}

} // namespace tarnwell_python
