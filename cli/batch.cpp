#include "batch.h"

#include "civil_time.h"
#include "csv.h"
#include "errors.h"
#include "md_batch.h"
#include "md_ranges.h"
#include "output_file.h"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Rows go to the engine in blocks this long: enough for the batch path to pay off, small enough
// to keep memory flat.
constexpr std::size_t kBlockRows = 4096;
constexpr std::size_t kFlushBytes = std::size_t(1) << 20;

enum ColumnId : unsigned char { Time, Pressure, Differential, Temperature, Meter, Bore, Gravity };

struct Column
{
    const char *name;
    double FlowInputs::*field; // null for the time
    bool required;
};

constexpr std::array<Column, 7> kColumns{{
    {"time", nullptr, true},
    {"pressure", &FlowInputs::Pressure, true},
    {"differential", &FlowInputs::Difference, true},
    {"temperature", &FlowInputs::Temp, true},
    {"meter", &FlowInputs::Meter, false},
    {"bore", &FlowInputs::Plate, false},
    {"gravity", &FlowInputs::SpecGravity, false},
}};

constexpr std::array<const char *, 3> kAddedColumns{"flow_mcfd", "volume_mcf", "status"};

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The shortest text that reads back as v, in fixed notation for the usual magnitudes.
void appendNumber(std::string &out, double v)
{
    char buffer[32]; // the longest is 24, "-2.2250738585072014e-308"
    const char *end = fmt::format_to(buffer, FMT_COMPILE("{}"), v);
    out.append(buffer, static_cast<std::size_t>(end - buffer));
}

// Buffered writes to a stream, checked once at the end.
class Sink
{
public:
    explicit Sink(std::ostream &os) : os_(os) { buffer_.reserve(kFlushBytes + 4096); }
    std::string &buffer() { return buffer_; }
    void maybeFlush()
    {
        if (buffer_.size() >= kFlushBytes)
            flush();
    }
    void flush()
    {
        os_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        buffer_.clear();
    }
    bool finish()
    {
        flush();
        os_.flush();
        return bool(os_);
    }

private:
    std::ostream &os_;
    std::string buffer_;
};

// Finished output lines held back behind a row whose volume is not yet known. A long run of such
// lines moves to a temporary file, so memory stays flat whatever the input.
class HeldLines
{
public:
    ~HeldLines()
    {
        if (spill_)
            std::fclose(spill_);
    }
    std::string &buffer() { return memory_; }
    bool empty() const { return memory_.empty() && !spilled_; }
    void maybeSpill()
    {
        if (memory_.size() < kFlushBytes)
            return;
        if (!spill_ && !(spill_ = std::tmpfile()))
            return; // no temporary file: keep holding in memory
        if (std::fwrite(memory_.data(), 1, memory_.size(), spill_) != memory_.size())
            throw UsageError("cannot write a temporary file");
        spilled_ = true;
        memory_.clear();
    }
    void drainTo(Sink &sink)
    {
        if (spilled_) {
            sink.flush();
            std::rewind(spill_);
            char chunk[1 << 16];
            std::size_t got;
            while ((got = std::fread(chunk, 1, sizeof chunk, spill_)) > 0) {
                sink.buffer().append(chunk, got);
                sink.flush();
            }
            std::fclose(spill_);
            spill_ = nullptr;
            spilled_ = false;
        }
        sink.buffer() += memory_;
        memory_.clear();
        sink.maybeFlush();
    }

private:
    std::string memory_;
    std::FILE *spill_ = nullptr;
    bool spilled_ = false;
};

// Volume and row counts per day. Intervals and rows arrive in time order, so one day is open
// at a time and every earlier day is final when written.
class DayTotals
{
public:
    DayTotals(Sink *sink, int dayStartHour) : sink_(sink), offset_(dayStartHour * 3600)
    {
        if (sink_)
            sink_->buffer() += "day,volume_mcf,rows,rejected\n";
    }

    std::int64_t dayOf(std::int64_t t) const { return FloorDiv(t - offset_, kSecondsPerDay); }

    // The interval [t0, t1) at `flow` Mcf/d, NaN for a row that is not ok (a gap).
    void addInterval(std::int64_t t0, std::int64_t t1, double flow)
    {
        for (std::int64_t d = dayOf(t0); d <= dayOf(t1 - 1); ++d) {
            open(d);
            const std::int64_t start = d * kSecondsPerDay + offset_;
            const std::int64_t seconds = std::min(t1, start + kSecondsPerDay) - std::max(t0, start);
            if (!std::isnan(flow))
                volume_ += flow * (double(seconds) / kSecondsPerDay);
        }
    }

    // A row on the time line, in the day of its time.
    void countRow(std::int64_t t, bool rejected)
    {
        open(dayOf(t));
        count(rejected);
    }
    // A row off the time line: in the open day, or if none yet, the first day to open.
    void countLoose(bool rejected)
    {
        if (haveDay_)
            count(rejected);
        else {
            ++pendingRows_;
            pendingRejected_ += rejected;
        }
    }

    // volumeKnown is false when no interval could be measured at all.
    void finish(bool volumeKnown)
    {
        if (haveDay_)
            write(volumeKnown);
        haveDay_ = false;
    }

private:
    void count(bool rejected)
    {
        ++rows_;
        rejected_ += rejected;
    }
    void open(std::int64_t d)
    {
        if (haveDay_ && d == day_)
            return;
        if (haveDay_)
            write(true);
        day_ = d;
        haveDay_ = true;
        volume_ = 0;
        rows_ = pendingRows_;
        rejected_ = pendingRejected_;
        pendingRows_ = pendingRejected_ = 0;
    }
    void write(bool volumeKnown)
    {
        if (!sink_)
            return;
        std::string &out = sink_->buffer();
        out += FormatCivilDate(day_);
        out += ',';
        if (volumeKnown)
            appendNumber(out, volume_);
        fmt::format_to(std::back_inserter(out), ",{},{}\n", rows_, rejected_);
        sink_->maybeFlush();
    }

    Sink *sink_;
    std::int64_t offset_;
    bool haveDay_ = false;
    std::int64_t day_ = 0;
    double volume_ = 0;
    std::size_t rows_ = 0, rejected_ = 0, pendingRows_ = 0, pendingRejected_ = 0;
};

struct Row
{
    std::size_t rawOffset = 0, rawSize = 0;
    std::size_t pad = 0; // fields missing at the end of the record
    bool onTimeLine = false;
    std::int64_t time = 0;
    std::string reasons; // empty: the row's numbers are good
    FlowInputs in;
    double flow = std::numeric_limits<double>::quiet_NaN();
};

void addReason(std::string &reasons, std::string_view reason)
{
    if (!reasons.empty())
        reasons += "; ";
    reasons += reason;
}

class Batch
{
public:
    Batch(const BatchOptions &options, Sink &out, Sink *totals, std::ostream &err)
        : options_(options), out_(out), totals_(totals, options.dayStartHour), err_(err)
    {
    }

    // Reads the header; throws UsageError when it lacks what the rows need.
    void header(const CsvReader &reader, const std::string &inputName);
    // Reads one record into the current block, which is run when full.
    void add(const CsvReader &reader);
    // Runs what is left and closes the time line.
    void finish();

    std::size_t rows() const { return rows_; }
    std::size_t rejected() const { return rejected_; }

private:
    void runBlock();
    void emit(Row &row);
    void resolvePending(std::int64_t duration);

    const BatchOptions &options_;
    Sink &out_;
    DayTotals totals_;
    std::ostream &err_;

    std::size_t fieldCount_ = 0;
    std::array<std::ptrdiff_t, kColumns.size()> index_{};
    std::array<double (*)(double), kColumns.size()> toEngine_{};
    std::array<std::optional<double>, kColumns.size()> fallback_{};

    std::vector<Row> block_;
    std::size_t blockUsed_ = 0;
    std::string arena_; // the raw records of the block
    // The engine's block: one array per input that varies from row to row.
    std::array<std::vector<double>, kColumns.size()> engineColumns_;
    std::vector<std::size_t> engineIndex_;
    std::vector<double> flows_;
    std::vector<unsigned char> failed_;

    bool haveLastTime_ = false;
    std::int64_t lastTime_ = 0;

    // The last row on the time line, waiting for the next one to know its interval.
    bool pending_ = false;
    std::int64_t pendingTime_ = 0;
    double pendingFlow_ = 0;
    bool pendingOk_ = false;
    std::string pendingHead_, pendingTail_;
    HeldLines held_;
    std::optional<std::int64_t> lastInterval_;

    std::size_t rows_ = 0, rejected_ = 0;
};

void Batch::header(const CsvReader &reader, const std::string &inputName)
{
    const auto &fields = reader.fields();
    fieldCount_ = fields.size();
    const auto where = [&] { return inputName + ":" + std::to_string(reader.line()) + ": "; };
    index_.fill(-1);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string name = lower(trim(fields[i]));
        for (std::size_t c = 0; c < kColumns.size(); ++c)
            if (name == kColumns[c].name) {
                if (index_[c] >= 0)
                    throw UsageError(fmt::format("{}column '{}' appears twice (columns {} and {})",
                                                 where(), kColumns[c].name, index_[c] + 1, i + 1));
                index_[c] = static_cast<std::ptrdiff_t>(i);
            }
        for (const char *added : kAddedColumns)
            if (name == added)
                throw UsageError(
                    fmt::format("{}the input already has a column '{}' (column {}); rename it",
                                where(), added, i + 1));
    }
    // The header as read, kept to one short line whatever the file holds.
    std::string header;
    for (std::size_t i = 0; i < fields.size() && header.size() < 80; ++i) {
        if (i)
            header += ", ";
        for (char c : trim(fields[i]))
            header += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    }
    if (header.size() > 80)
        header.replace(77, std::string::npos, "...");
    for (std::size_t c = 0; c < kColumns.size(); ++c)
        if (kColumns[c].required && index_[c] < 0) {
            std::string hint;
            if (fields.size() == 1 && fields[0].find(';') != std::string_view::npos)
                hint = " (columns must be separated by commas)";
            throw UsageError(fmt::format("{}no column '{}' in the header \"{}\"{}", where(),
                                         kColumns[c].name, header, hint));
        }
    const std::optional<double> *fallbacks[] = {
        nullptr, nullptr, nullptr, nullptr, &options_.meter, &options_.bore, &options_.gravity};
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        toEngine_[c] = [](double v) { return v; };
        if (fallbacks[c]) {
            fallback_[c] = *fallbacks[c];
            if (index_[c] < 0 && !fallback_[c])
                throw UsageError(fmt::format("no {0}: give --{0} or a '{0}' column in {1}",
                                             kColumns[c].name, inputName));
        }
    }
    toEngine_[Pressure] = options_.pressureUnit->toEngine;
    toEngine_[Differential] = options_.differentialUnit->toEngine;
    toEngine_[Temperature] = options_.temperatureUnit->toEngine;

    std::string &out = out_.buffer();
    out += reader.raw();
    for (const char *added : kAddedColumns) {
        out += ',';
        out += added;
    }
    out += '\n';
    block_.resize(kBlockRows);
}

void Batch::add(const CsvReader &reader)
{
    const auto &fields = reader.fields();
    if (fields.size() > fieldCount_)
        throw CsvError(reader.line(),
                       fmt::format("{} fields, but the header has {}", fields.size(), fieldCount_));
    Row &row = block_[blockUsed_++];
    row.rawOffset = arena_.size();
    row.rawSize = reader.raw().size();
    arena_ += reader.raw();
    row.pad = fieldCount_ - fields.size();
    row.reasons.clear();
    row.flow = std::numeric_limits<double>::quiet_NaN();
    const auto text = [&](std::size_t c) -> std::string_view {
        const std::ptrdiff_t i = index_[c];
        return i >= 0 && std::size_t(i) < fields.size() ? fields[std::size_t(i)]
                                                        : std::string_view();
    };

    // The time line takes every row whose time is good and later than the last one's, whatever
    // its numbers.
    std::int64_t t = 0;
    row.onTimeLine = false;
    const std::string_view time = trim(text(Time));
    if (time.empty())
        addReason(row.reasons, "missing time");
    else if (!ParseCivilTime(time, t))
        addReason(row.reasons, "bad time");
    else if (haveLastTime_ && t <= lastTime_)
        addReason(row.reasons, "time not after " + FormatCivilTime(lastTime_));
    else {
        row.onTimeLine = true;
        row.time = lastTime_ = t;
        haveLastTime_ = true;
    }

    row.in = options_.base;
    for (std::size_t c = Pressure; c < kColumns.size(); ++c) {
        double &target = row.in.*kColumns[c].field;
        const std::string_view cell = text(c);
        if (index_[c] < 0 || (fallback_[c] && trim(cell).empty())) {
            target = *fallback_[c];
            continue;
        }
        double v = 0;
        switch (ParseNumber(cell, v)) {
        case NumberStatus::Ok:
            target = toEngine_[c](v);
            break;
        case NumberStatus::Empty:
            addReason(row.reasons, std::string("missing ") + kColumns[c].name);
            break;
        case NumberStatus::NotANumber:
            addReason(row.reasons, std::string("bad number in ") + kColumns[c].name);
            break;
        case NumberStatus::NotFinite:
            addReason(row.reasons, std::string("non-finite ") + kColumns[c].name);
            break;
        }
    }
    if (blockUsed_ == block_.size())
        runBlock();
}

void Batch::runBlock()
{
    // Only rows with good times and numbers and no range error reach the engine.
    for (auto &column : engineColumns_)
        column.clear();
    engineIndex_.clear();
    for (std::size_t i = 0; i < blockUsed_; ++i) {
        Row &row = block_[i];
        if (!row.reasons.empty())
            continue;
        if (HasInputError(row.in)) {
            for (const Finding &f : CheckRanges(row.in, {}))
                if (f.severity == Severity::Error)
                    addReason(row.reasons, f.code);
            continue;
        }
        for (std::size_t c = Pressure; c < kColumns.size(); ++c)
            engineColumns_[c].push_back(row.in.*kColumns[c].field);
        engineIndex_.push_back(i);
    }
    const std::size_t n = engineIndex_.size();
    flows_.resize(n);
    failed_.resize(n);
    if (n > 0) {
        const FlowInputs &base = options_.base;
        const auto column = [&](ColumnId c) { return FlowColumn{engineColumns_[c].data(), 1}; };
        FlowBatchInputs in;
        in.Temp = column(Temperature);
        in.Tb = FlowColumn::Repeat(base.Tb);
        in.Pb = FlowColumn::Repeat(base.Pb);
        in.Plate = column(Bore);
        in.Meter = column(Meter);
        in.SpecGravity = column(Gravity);
        in.Lat = FlowColumn::Repeat(base.Lat);
        in.Elev = FlowColumn::Repeat(base.Elev);
        in.Pressure = column(Pressure);
        in.Difference = column(Differential);
        ComputeFlowBatch(in, n, flows_.data(), failed_.data());
    }
    for (std::size_t j = 0; j < n; ++j) {
        Row &row = block_[engineIndex_[j]];
        if (failed_[j] == FlowRowOk) {
            row.flow = flows_[j];
            continue;
        }
        // Rare: run the row again on the checked engine to say which steps failed.
        FlowEngine engine;
        engine.ComputeFactors(row.in);
        std::string steps;
        for (std::size_t s = 1; s <= kFlowStepCount; ++s)
            if (engine.FailedSteps().contains(static_cast<FlowStep>(s)))
                steps.append(steps.empty() ? "" : " ").append(FlowStepName(FlowStep(s)));
        addReason(row.reasons, steps.empty() ? "flow-rate-failed" : "step-failed: " + steps);
    }
    for (std::size_t i = 0; i < blockUsed_; ++i)
        emit(block_[i]);
    blockUsed_ = 0;
    arena_.clear();
}

void Batch::resolvePending(std::int64_t duration)
{
    std::string &out = out_.buffer();
    out += pendingHead_;
    if (pendingOk_)
        appendNumber(out, pendingFlow_ * (double(duration) / kSecondsPerDay));
    out += pendingTail_;
    totals_.addInterval(pendingTime_, pendingTime_ + duration,
                        pendingOk_ ? pendingFlow_ : std::numeric_limits<double>::quiet_NaN());
    held_.drainTo(out_);
    pending_ = false;
}

void Batch::emit(Row &row)
{
    const bool ok = row.reasons.empty();
    ++rows_;
    rejected_ += !ok;
    // head: the record, its missing fields and the flow; tail: the status.
    std::string *head = &pendingHead_;
    std::string *tail = &pendingTail_;
    if (row.onTimeLine) {
        if (pending_) {
            lastInterval_ = row.time - pendingTime_;
            resolvePending(*lastInterval_);
        }
        totals_.countRow(row.time, !ok);
        pending_ = true;
        pendingTime_ = row.time;
        pendingFlow_ = row.flow;
        pendingOk_ = ok;
        head->clear();
        tail->clear();
    } else {
        totals_.countLoose(!ok);
        head = tail = pending_ ? &held_.buffer() : &out_.buffer();
    }
    head->append(arena_, row.rawOffset, row.rawSize);
    head->append(row.pad, ',');
    *head += ',';
    if (ok)
        appendNumber(*head, row.flow);
    *head += ',';
    *tail += ',';
    AppendCsvField(*tail, ok ? std::string_view("ok") : std::string_view(row.reasons));
    *tail += '\n';
    if (!row.onTimeLine) {
        if (pending_)
            held_.maybeSpill();
        else
            out_.maybeFlush();
    }
}

void Batch::finish()
{
    runBlock();
    if (pending_) {
        // The last row holds as long as the one before it; alone, its interval is unknown.
        if (lastInterval_)
            resolvePending(*lastInterval_);
        else {
            out_.buffer() += pendingHead_;
            out_.buffer() += pendingTail_;
            held_.drainTo(out_);
            pending_ = false;
            if (pendingOk_)
                err_ << "tarnwell: only one row has a time on the time line, so no interval and "
                        "no volume can be measured\n";
        }
    }
    if (!haveLastTime_ && rows_ > 0)
        err_ << "tarnwell: no row has a good time, so there are no volumes\n";
    totals_.finish(lastInterval_.has_value());
}

std::string displayName(const std::string &path)
{
    return path == "-" ? std::string("<stdin>") : path;
}

bool sameFile(const std::string &a, const std::string &b)
{
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec))
        return true;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

} // namespace

int RunBatch(const BatchOptions &options, std::istream &stdIn, std::ostream &stdOut,
             std::ostream &err)
{
    const std::string inputName = displayName(options.input);
    if (options.input != "-") {
        for (const std::string *out : {&options.output, &options.totals})
            if (*out != "-" && !out->empty() && sameFile(options.input, *out))
                throw UsageError(fmt::format("{} is the input file; write to another file", *out));
    }
    if (options.output != "-" && !options.totals.empty() &&
        sameFile(options.output, options.totals))
        throw UsageError("--output and --totals name the same file");

    std::ifstream file;
    if (options.input != "-") {
        if (std::filesystem::is_directory(options.input))
            throw UsageError(options.input + " is a directory");
        file.open(options.input, std::ios::binary);
        if (!file)
            throw UsageError(
                fmt::format("cannot read {}: {}", options.input, std::strerror(errno)));
    }
    std::istream &in = options.input == "-" ? stdIn : file;

    CsvReader reader(in);
    try {
        while (reader.next() && reader.blank()) {
        }
        if (reader.line() == 0 || reader.blank())
            throw UsageError(inputName + " is empty: it needs a header line naming the columns");

        std::unique_ptr<OutputFile> outFile, totalsFile;
        if (options.output != "-")
            outFile = std::make_unique<OutputFile>(options.output);
        if (!options.totals.empty())
            totalsFile = std::make_unique<OutputFile>(options.totals);
        Sink out(outFile ? outFile->stream() : stdOut);
        std::optional<Sink> totals;
        if (totalsFile)
            totals.emplace(totalsFile->stream());

        Batch batch(options, out, totals ? &*totals : nullptr, err);
        batch.header(reader, inputName);
        while (reader.next())
            if (!reader.blank())
                batch.add(reader);
        batch.finish();

        if (!out.finish())
            throw UsageError("cannot write " +
                             displayName(options.output == "-" ? "<stdout>" : options.output));
        if (totals && !totals->finish())
            throw UsageError("cannot write " + options.totals);
        if (outFile)
            outFile->commit();
        if (totalsFile)
            totalsFile->commit();
        if (batch.rejected() > 0)
            err << fmt::format("tarnwell: {} of {} rows rejected (see the status column)\n",
                               batch.rejected(), batch.rows());
        return batch.rejected() > 0 ? 1 : 0;
    } catch (const CsvError &e) {
        throw UsageError(fmt::format("{}:{}: {}", inputName, e.line, e.what()));
    }
}
