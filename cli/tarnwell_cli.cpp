#include "tarnwell_cli.h"

#include "batch.h"
#include "errors.h"
#include "FlowClass.h"
#include "md_ranges.h"
#include "md_solve.h"
#include "md_vbcalc.h"
#include "units.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <nlohmann/json.hpp>

#include <deque>
#include <ostream>

namespace {

using Json = nlohmann::ordered_json;

// The flow server's fixed base conditions and site are the defaults here, so that
// `tarnwell flow` with no base options gives the library's flow for the same six inputs.
constexpr double kServerBaseTemperature = FlowClass::BaseTemperature;
constexpr double kServerBasePressure = FlowClass::BasePressure;
constexpr double kServerLatitude = FlowClass::Latitude;
constexpr double kServerElevation = FlowClass::Elevation;

// One number the command line takes, and where it goes.
struct NumberInput
{
    const char *flag;
    Quantity quantity;
    double FlowInputs::*field; // null for the flow a solver aims at
    const char *what;
    double defaultValue = 0; // used when not required and not given
};

const NumberInput kMeter{"--meter", Quantity::Length, &FlowInputs::Meter,
                         "meter run inside diameter"};
const NumberInput kBore{"--bore", Quantity::Length, &FlowInputs::Plate, "orifice bore"};
const NumberInput kGravity{"--gravity", Quantity::Dimensionless, &FlowInputs::SpecGravity,
                           "gas specific gravity (air = 1)"};
const NumberInput kTemperature{"--temperature", Quantity::Temperature, &FlowInputs::Temp,
                               "flowing temperature"};
const NumberInput kPressure{"--pressure", Quantity::GaugePressure, &FlowInputs::Pressure,
                            "upstream static pressure, gauge"};
const NumberInput kDifferential{"--differential", Quantity::Differential, &FlowInputs::Difference,
                                "differential pressure"};
const NumberInput kFlow{"--flow", Quantity::Flow, nullptr, "the flow wanted"};
const NumberInput kBase[] = {
    {"--base-temperature", Quantity::Temperature, &FlowInputs::Tb, "contract base temperature",
     kServerBaseTemperature},
    {"--base-pressure", Quantity::AbsPressure, &FlowInputs::Pb, "contract base pressure",
     kServerBasePressure},
    {"--latitude", Quantity::Angle, &FlowInputs::Lat, "latitude of the meter", kServerLatitude},
    {"--elevation", Quantity::Height, &FlowInputs::Elev, "elevation of the meter",
     kServerElevation},
};

std::string numberHelp(const NumberInput &number, bool required)
{
    std::string help = number.what;
    const auto units = UnitsOf(number.quantity);
    if (units.size() > 1)
        help += fmt::format(" ({}; {} when none given)", UnitList(number.quantity), units[0].name);
    else if (units.size() == 1)
        help += fmt::format(" ({})", units[0].name);
    if (!required)
        help += fmt::format(", default {:g}", number.defaultValue);
    return help;
}

// The number options of one subcommand, read as text and converted after parsing so that an
// error can name the option and say what is wrong with the value.
class NumberOptions
{
public:
    void add(CLI::App &app, const NumberInput &number, bool required)
    {
        Entry &e = entries_.emplace_back(Entry{&number, {}, nullptr});
        e.option = app.add_option(number.flag, e.text, numberHelp(number, required));
        e.option->type_name(UnitsOf(number.quantity).empty() ? "NUMBER" : "NUMBER[UNIT]");
        if (required)
            e.option->required();
    }
    void addBase(CLI::App &app)
    {
        for (const NumberInput &number : kBase)
            add(app, number, false);
    }

    // Every given or defaulted number into `in` (and the solver's flow into *flow); throws
    // UsageError naming the option.
    void read(FlowInputs &in, double *flow = nullptr) const
    {
        for (const Entry &e : entries_) {
            double value = e.number->defaultValue;
            if (e.option->count() > 0) {
                const ParsedNumber n = ParseQuantity(e.text, e.number->quantity);
                if (!n.ok)
                    throw UsageError(fmt::format("{}: {}", e.number->flag, n.error));
                value = n.value;
            }
            if (e.number->field)
                in.*e.number->field = value;
            else if (flow)
                *flow = value;
        }
    }

private:
    struct Entry
    {
        const NumberInput *number;
        std::string text;
        CLI::Option *option;
    };
    std::deque<Entry> entries_; // CLI11 keeps pointers to the strings
};

const char *kFactorMeaning[] = {
    "Reynolds number factor",
    "expansion factor",
    "supercompressibility factor",
    "location factor",
    "orifice thermal expansion factor",
    "contract temperature base factor",
    "flowing temperature factor",
    "contract pressure base factor",
    "basic orifice factor",
    "specific gravity factor",
    "all factors but Fb multiplied",
    "orifice flow constant",
};
static_assert(std::size(kFactorMeaning) == kFlowFactorFields.size());

const char *severityName(Severity s)
{
    return s == Severity::Error ? "error" : "warning";
}

Json findingsJson(const std::vector<Finding> &findings)
{
    Json list = Json::array();
    for (const Finding &f : findings)
        list.push_back(
            {{"code", f.code}, {"severity", severityName(f.severity)}, {"message", f.message}});
    return list;
}

void printFindings(std::ostream &out, const std::vector<Finding> &findings)
{
    if (findings.empty()) {
        out << "findings: none\n";
        return;
    }
    out << "findings:\n";
    for (const Finding &f : findings)
        out << fmt::format("  {:<8}{}: {}\n", severityName(f.severity), f.code, f.message);
}

Json inputsJson(const FlowInputs &in)
{
    Json j = Json::object();
    for (const FlowInputField &field : kFlowInputFields)
        j[field.name] = in.*field.value;
    return j;
}

void printInputs(std::ostream &out, const FlowInputs &in, FlowInput solvedFor = FlowInput::None)
{
    // The order of the command's options: the reading first, the base conditions last.
    constexpr FlowInput order[] = {FlowInput::Meter, FlowInput::Plate,    FlowInput::SpecGravity,
                                   FlowInput::Temp,  FlowInput::Pressure, FlowInput::Difference,
                                   FlowInput::Tb,    FlowInput::Pb,       FlowInput::Lat,
                                   FlowInput::Elev};
    out << "inputs:\n";
    for (FlowInput input : order)
        if (const FlowInputField &field = flowInputField(input); input != solvedFor)
            out << fmt::format("  {:<24}{:.10g}{}{}\n", field.label, in.*field.value,
                               *field.unit ? " " : "", field.unit);
}

std::string flowText(double mcfd)
{
    return fmt::format("{:.4f} Mcf/d ({:.7f} MMcf/d, {:.4f} 1Km3/d)", mcfd, mcfd / 1000,
                       mcfd * ThousandCubicMetresPerMcf());
}

// One calculation as the flow server makes it on a new object, with its checks.
struct Evaluation
{
    FlowFactors factors;
    FlowStepSet failed;
    double flow = 0;
    std::vector<Finding> findings;
};

Evaluation evaluate(const FlowInputs &in)
{
    FlowEngine engine(FlowEngine::NegativeBeta::KeepPreviousK);
    Evaluation e;
    e.factors = engine.ComputeFactors(in);
    e.failed = engine.FailedSteps();
    e.flow = FlowEngine::FlowRate(in.Pressure, in.Difference, e.factors.CPrime);
    e.findings = CheckRanges(in, e.failed);
    return e;
}

int runFlow(const FlowInputs &in, bool json, std::ostream &out)
{
    const Evaluation e = evaluate(in);
    const bool error = HasError(e.findings);
    // A factor whose step failed holds a value from no calculation at all; show none. The
    // products are computed, but from such values, so they are shown as none too.
    FlowFactorSet stale = FactorsNotComputed(e.failed);
    for (const FlowFactorField &f : kFlowFactorFields)
        if (f.factor != FlowFactor::Fb && f.factor != FlowFactor::CPrime &&
            stale.test(std::size_t(f.factor)))
            stale.set(std::size_t(FlowFactor::All));
    if (stale.test(std::size_t(FlowFactor::All)) || stale.test(std::size_t(FlowFactor::Fb)))
        stale.set(std::size_t(FlowFactor::CPrime));
    if (json) {
        Json j;
        j["flow_mcfd"] = error ? Json(nullptr) : Json(e.flow);
        for (const FlowFactorField &f : kFlowFactorFields) {
            const Json value =
                stale.test(std::size_t(f.factor)) ? Json(nullptr) : Json(e.factors.*f.value);
            j[f.factor == FlowFactor::CPrime ? "c_prime" : f.name] = value;
        }
        j["findings"] = findingsJson(e.findings);
        j["inputs"] = inputsJson(in);
        out << j.dump(2) << '\n';
    } else {
        printInputs(out, in);
        out << fmt::format(
            "{:<26}{}\n",
            "flow:", error ? "none: the inputs have errors (see findings)" : flowText(e.flow));
        // C' and Fb first: they are what the flow is built from.
        const FlowFactor order[] = {FlowFactor::CPrime, FlowFactor::Fb,  FlowFactor::Fr,
                                    FlowFactor::Y,      FlowFactor::Z,   FlowFactor::Fl,
                                    FlowFactor::Fa,     FlowFactor::FTb, FlowFactor::FTf,
                                    FlowFactor::FPb,    FlowFactor::Fg,  FlowFactor::All};
        out << "factors:\n";
        for (FlowFactor factor : order) {
            const FlowFactorField &f = kFlowFactorFields[std::size_t(factor)];
            const std::string value = stale.test(std::size_t(factor))
                                          ? std::string("not computed")
                                          : fmt::format("{:.6f}", e.factors.*f.value);
            out << fmt::format("  {:<8}{:<18}{}\n", factor == FlowFactor::CPrime ? "C'" : f.name,
                               value, kFactorMeaning[std::size_t(factor)]);
        }
        printFindings(out, e.findings);
    }
    return error ? 1 : 0;
}

enum class Unknown { Differential, Bore };

int runSolve(Unknown unknown, FlowInputs in, double flow, bool json, std::ostream &out,
             std::ostream &err)
{
    const SolveResult r =
        unknown == Unknown::Differential ? SolveDifferential(in, flow) : SizeBore(in, flow);
    const char *name = unknown == Unknown::Differential ? "differential" : "bore";
    if (!r.solved) {
        if (json) {
            Json j;
            j[unknown == Unknown::Differential ? "differential_psi" : "bore_in"] = nullptr;
            j["no_solution"] = {{"code", r.code}, {"message", r.message}};
            out << j.dump(2) << '\n';
        }
        err << fmt::format("tarnwell: no {} found: {}\n", name, r.message);
        return 1;
    }
    (unknown == Unknown::Differential ? in.Difference : in.Plate) = r.value;
    const Evaluation e = evaluate(in);
    if (json) {
        Json j;
        if (unknown == Unknown::Differential) {
            j["differential_psi"] = r.value;
            j["differential_inwc"] = r.value * InchesWaterPerPsi();
        } else {
            j["bore_in"] = r.value;
            j["beta"] = in.Plate / in.Meter;
            j["at_row_boundary"] = r.atRowBoundary;
        }
        j["flow_mcfd"] = r.flow;
        if (!r.message.empty())
            j["remark"] = {{"code", r.code}, {"message", r.message}};
        j["findings"] = findingsJson(e.findings);
        out << j.dump(2) << '\n';
    } else {
        printInputs(out, in,
                    unknown == Unknown::Differential ? FlowInput::Difference : FlowInput::Plate);
        if (unknown == Unknown::Differential)
            out << fmt::format("{:<26}{:.6f} psi ({:.4f} inWC)\n", "differential:", r.value,
                               r.value * InchesWaterPerPsi());
        else
            out << fmt::format("{:<26}{:.6f} in (diameter ratio {:.6f})\n", "bore:", r.value,
                               in.Plate / in.Meter);
        out << fmt::format("{:<26}{}\n", "flow there:", flowText(r.flow));
        if (!r.message.empty())
            out << fmt::format("{:<26}{}\n", "note:", r.message);
        printFindings(out, e.findings);
    }
    return HasError(e.findings) ? 1 : 0;
}

const Unit *unitOption(const std::string &flag, const std::string &text, Quantity q)
{
    if (const Unit *u = FindUnit(q, text))
        return u;
    throw UsageError(fmt::format("{}: unknown unit '{}' (use {})", flag, text, UnitList(q)));
}

} // namespace

int RunTarnwell(const std::vector<std::string> &args, std::istream &in, std::ostream &out,
                std::ostream &err)
{
    CLI::App app{"Orifice gas flow by the factor method: one reading, the differential or the "
                 "bore for a wanted flow, or a file of readings with their volumes.",
                 "tarnwell"};
    app.require_subcommand(1);
    app.footer("Exit status: 0 all well; 1 ran, but found problems (an error finding, no "
               "solution, rejected rows); 2 usage, input or file error.");

    // flow, differential and bore: every number of the reading but the one solved for.
    bool json = false;
    const auto calculation = [&](const char *name, const char *description,
                                 std::initializer_list<const NumberInput *> required,
                                 NumberOptions &numbers) {
        CLI::App *sub = app.add_subcommand(name, description);
        for (const NumberInput *number : required)
            numbers.add(*sub, *number, true);
        numbers.addBase(*sub);
        sub->add_flag("--json", json, "print one JSON object instead of text");
        return sub;
    };
    NumberOptions flowNumbers, differentialNumbers, boreNumbers;
    CLI::App *flow = calculation(
        "flow", "the flow of one reading, every factor, C', Fb and the range checks",
        {&kMeter, &kBore, &kGravity, &kTemperature, &kPressure, &kDifferential}, flowNumbers);
    CLI::App *differential = calculation(
        "differential", "the differential at which the flow equals --flow",
        {&kFlow, &kMeter, &kBore, &kGravity, &kTemperature, &kPressure}, differentialNumbers);
    CLI::App *bore = calculation(
        "bore", "the orifice bore at which the flow equals --flow at the given differential",
        {&kFlow, &kDifferential, &kMeter, &kGravity, &kTemperature, &kPressure}, boreNumbers);

    BatchOptions batchOptions;
    NumberOptions batchNumbers;
    // Named after the engine's units, the defaults.
    std::string pressureUnit(UnitsOf(Quantity::GaugePressure)[0].name);
    std::string differentialUnit(UnitsOf(Quantity::Differential)[0].name);
    std::string temperatureUnit(UnitsOf(Quantity::Temperature)[0].name);
    CLI::App *batch = app.add_subcommand(
        "batch", "flow, volume and status for every row of a CSV file of readings");
    batch
        ->add_option("file", batchOptions.input,
                     "CSV file with a header naming the columns time, pressure, differential, "
                     "temperature (any order, more allowed) and optionally meter, bore, "
                     "gravity; - reads standard input")
        ->required();
    batch->add_option("-o,--output", batchOptions.output,
                      "write the rows here instead of standard output");
    batch->add_option("--totals", batchOptions.totals,
                      "write day totals here: day,volume_mcf,rows,rejected");
    batch
        ->add_option("--day-start", batchOptions.dayStartHour,
                     "hour (0-23) at which a day begins, default 0")
        ->check(CLI::Range(0, 23));
    // The columns override these row by row; an empty cell takes the option.
    struct Fallback
    {
        const NumberInput &number;
        std::string text;
        std::optional<double> &target;
        CLI::Option *option = nullptr;
    };
    std::deque<Fallback> fallbacks{{kMeter, {}, batchOptions.meter},
                                   {kBore, {}, batchOptions.bore},
                                   {kGravity, {}, batchOptions.gravity}};
    for (Fallback &f : fallbacks)
        f.option = batch->add_option(f.number.flag, f.text,
                                     numberHelp(f.number, true) +
                                         "; a column of this name overrides it row by row");
    batchNumbers.addBase(*batch);
    batch->add_option("--pressure-unit", pressureUnit,
                      "unit of the pressure column: " + UnitList(Quantity::GaugePressure));
    batch->add_option("--differential-unit", differentialUnit,
                      "unit of the differential column: " + UnitList(Quantity::Differential));
    batch->add_option("--temperature-unit", temperatureUnit,
                      "unit of the temperature column: " + UnitList(Quantity::Temperature));

    try {
        try {
            std::vector<std::string> reversed(args.rbegin(), args.rend());
            app.parse(reversed);
        } catch (const CLI::CallForHelp &e) {
            return app.exit(e, out, err);
        } catch (const CLI::CallForAllHelp &e) {
            return app.exit(e, out, err);
        } catch (const CLI::ParseError &e) {
            // CLI11 takes an unknown command for a missing one; say what was given.
            if (!args.empty() && !args[0].empty() && args[0][0] != '-' &&
                app.get_subcommands().empty()) {
                std::vector<std::string> names;
                for (const CLI::App *sub : app.get_subcommands([](CLI::App *) { return true; }))
                    names.push_back(sub->get_name());
                err << fmt::format("tarnwell: unknown command '{}' (use {})\n", args[0],
                                   fmt::join(names, ", "));
                return 2;
            }
            std::string what = e.what();
            // CLI11 lists surplus arguments last first; give them in the order typed.
            if (dynamic_cast<const CLI::ExtrasError *>(&e))
                what = "not expected: " + fmt::format("{}", fmt::join(app.remaining(true), " "));
            std::string sub;
            for (CLI::App *s : app.get_subcommands())
                sub = " " + s->get_name();
            err << fmt::format("tarnwell: {} (see tarnwell{} --help)\n", what, sub);
            return 2;
        }

        FlowInputs inputs;
        if (flow->parsed()) {
            flowNumbers.read(inputs);
            return runFlow(inputs, json, out);
        }
        if (differential->parsed() || bore->parsed()) {
            double wanted = 0;
            const bool forDifferential = differential->parsed();
            (forDifferential ? differentialNumbers : boreNumbers).read(inputs, &wanted);
            return runSolve(forDifferential ? Unknown::Differential : Unknown::Bore, inputs, wanted,
                            json, out, err);
        }
        batchNumbers.read(batchOptions.base);
        for (Fallback &f : fallbacks)
            if (f.option->count() > 0) {
                const ParsedNumber n = ParseQuantity(f.text, f.number.quantity);
                if (!n.ok)
                    throw UsageError(fmt::format("{}: {}", f.number.flag, n.error));
                f.target = n.value;
            }
        batchOptions.pressureUnit =
            unitOption("--pressure-unit", pressureUnit, Quantity::GaugePressure);
        batchOptions.differentialUnit =
            unitOption("--differential-unit", differentialUnit, Quantity::Differential);
        batchOptions.temperatureUnit =
            unitOption("--temperature-unit", temperatureUnit, Quantity::Temperature);
        return RunBatch(batchOptions, in, out, err);
    } catch (const UsageError &e) {
        err << "tarnwell: " << e.what() << '\n';
        return 2;
    } catch (const std::bad_alloc &) {
        err << "tarnwell: out of memory\n";
        return 2;
    }
}
