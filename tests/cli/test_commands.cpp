// tarnwell flow, differential and bore: what they print, what they compute, how they fail.
#include "cli_run.h"
#include "tarnwell.h"
#include "units.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <sys/wait.h>

namespace {

using nlohmann::json;

const std::vector<std::string> kReading = {"--meter",    "2.067", "--bore",         "0.5",
                                           "--gravity",  "0.615", "--temperature",  "55",
                                           "--pressure", "100",   "--differential", "4.9"};

std::vector<std::string> withReading(std::vector<std::string> head)
{
    head.insert(head.end(), kReading.begin(), kReading.end());
    return head;
}

// The reading above with some of its values replaced.
std::vector<std::string>
changed(std::vector<std::string> head,
        std::initializer_list<std::pair<const char *, const char *>> values)
{
    std::vector<std::string> args = withReading(std::move(head));
    for (const auto &[option, value] : values)
        for (std::size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == option)
                args[i + 1] = value;
    return args;
}

std::string golden(const std::string &name)
{
    return readFile(std::string(TARNWELL_CLI_GOLDEN) + "/" + name);
}

TEST(FlowCommand, GoldenTextAndJson)
{
    const CliRun text = runCli(withReading({"flow"}));
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.err, "");
    EXPECT_EQ(text.out, golden("flow.txt"));

    const CliRun j = runCli(withReading({"flow", "--json"}));
    EXPECT_EQ(j.status, 0);
    EXPECT_EQ(j.out, golden("flow.json"));
}

TEST(FlowCommand, ErrorFindingsGiveNoFlowAndNoStaleFactor)
{
    // Zero differential: step Fr divides by zero, so Fr, All and C' hold nothing computed.
    const CliRun r = runCli(changed({"flow", "--json"}, {{"--differential", "0"}}));
    EXPECT_EQ(r.status, 1);
    const json j = json::parse(r.out);
    EXPECT_TRUE(j["flow_mcfd"].is_null());
    for (const char *name : {"Fr", "All", "c_prime"})
        EXPECT_TRUE(j[name].is_null()) << name;
    EXPECT_EQ(j["Y"], 1.0); // computed: x1 is 0
    std::vector<std::string> codes;
    for (const json &f : j["findings"])
        codes.push_back(f["code"]);
    EXPECT_EQ(codes, (std::vector<std::string>{"differential-not-positive", "step-failed"}));
    EXPECT_EQ(j["findings"][0]["severity"], "error");
    EXPECT_EQ(j["findings"][0]["message"], "differential 0 psi is not positive");

    const CliRun text = runCli(changed({"flow"}, {{"--differential", "0"}}));
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.out.find("flow:                     none: the inputs have errors"),
              std::string::npos);
    EXPECT_NE(text.out.find("  Fr      not computed      Reynolds number factor"),
              std::string::npos)
        << text.out;
}

TEST(FlowCommand, WarningsLeaveTheFlowStanding)
{
    const CliRun r = runCli(changed({"flow", "--json"}, {{"--bore", "0.25"}}));
    EXPECT_EQ(r.status, 0);
    const json j = json::parse(r.out);
    EXPECT_TRUE(j["flow_mcfd"].is_number());
    ASSERT_EQ(j["findings"].size(), 1u);
    EXPECT_EQ(j["findings"][0]["code"], "beta-range");
    EXPECT_EQ(j["findings"][0]["severity"], "warning");
}

// With the default base conditions the flow is the library's, bit for bit, over meters, bores
// either side of table rows, both gravity branches, zero pressure and a large differential.
TEST(FlowCommand, DefaultsGiveTheLibraryFlowBitForBit)
{
    const double cases[][6] = {
        // meter, bore, gravity, degF, psig, psi
        {2.067, 0.5, 0.615, 55, 100, 4.9},
        {3.068, 1.5, 0.6, 80, 250, 2.0},
        {4.026, 3.0, 0.7, 60, 0, 1.0},
        {4.026, 0.904, 0.554, 20, 500, 10},
        {7.981, 0.9, 1.0, 120, 1200, 25},
        {2.067, 0.4649, 0.65, -20, 35, 0.3},
        {2.067, 1.4469, 0.699999, 150, 600, 120},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = {"flow", "--json"};
        const char *names[] = {"--meter",       "--bore",     "--gravity",
                               "--temperature", "--pressure", "--differential"};
        for (int i = 0; i < 6; ++i) {
            args.push_back(names[i]);
            args.push_back(numberText(c[i]));
        }
        const CliRun r = runCli(args);
        ASSERT_LE(r.status, 1) << r.err;
        tarnwell_flow_class *server = tarnwell_flow_class_new();
        const double expected = tarnwell_calc_flow(server, c[0], c[1], c[2], c[3], c[4], c[5]);
        tarnwell_flow_class_free(server);
        const double got = json::parse(r.out)["flow_mcfd"].get<double>();
        EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected))
            << c[0] << " " << c[1] << ": " << got << " vs " << expected;
    }
}

TEST(FlowCommand, UnitsReachTheEngineConverted)
{
    // The same reading in other units gives the same flow.
    const auto flow = [](std::vector<std::string> args) {
        args.insert(args.begin(), {"flow", "--json"});
        const CliRun r = runCli(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return json::parse(r.out)["flow_mcfd"].get<double>();
    };
    const double psi = flow({"--meter", "2.067", "--bore", "0.5", "--gravity", "0.615",
                             "--temperature", "50", "--pressure", "100", "--differential", "5"});
    const double metric =
        flow({"--meter", "2.067in", "--bore", "0.5", "--gravity", "0.615", "--temperature",
              "10degC", "--pressure", "689.4757293168361kPa", "--differential", "138.5682INWC"});
    EXPECT_NEAR(metric, psi, 1e-12 * psi);
    const double base =
        flow({"--meter", "2.067", "--bore", "0.5", "--gravity", "0.615", "--temperature", "50",
              "--pressure", "100", "--differential", "5", "--base-temperature",
              "15.5555555555555556degC", "--base-pressure", "14.73"});
    EXPECT_NEAR(base, psi, 1e-12 * psi);
}

TEST(SolveCommands, RoundTripThroughTheFlowCommand)
{
    const std::vector<std::string> gas = {"--gravity", "0.615",      "--temperature",
                                          "55",        "--pressure", "100"};
    const auto with = [&](std::vector<std::string> head, std::vector<std::string> more) {
        head.insert(head.end(), gas.begin(), gas.end());
        head.insert(head.end(), more.begin(), more.end());
        return head;
    };
    const auto flowOf = [&](const std::vector<std::string> &more) {
        const CliRun r = runCli(with({"flow", "--json"}, more));
        EXPECT_EQ(r.status, 0) << r.err;
        return json::parse(r.out)["flow_mcfd"].get<double>();
    };

    // 5.6 thousand cubic metres a day: the unit is read from the end of the text.
    const CliRun d = runCli(
        with({"differential", "--json", "--flow", "5.61Km3/d", "--meter", "2.067", "--bore", "0.5"},
             {}));
    ASSERT_EQ(d.status, 0) << d.err;
    const json dj = json::parse(d.out);
    const double wanted = 5.6 * 1000 / 28.316846592;
    const double psi = dj["differential_psi"].get<double>();
    EXPECT_NEAR(dj["differential_inwc"].get<double>(), psi * 27.71364, 1e-12 * psi * 27.71364);
    EXPECT_NEAR(flowOf({"--meter", "2.067", "--bore", "0.5", "--differential", numberText(psi)}),
                wanted, 1e-10 * wanted);
    EXPECT_TRUE(dj["findings"].is_array());

    const CliRun b = runCli(with(
        {"bore", "--json", "--flow", "0.2MMcf/d", "--differential", "50inWC", "--meter", "2.067"},
        {}));
    ASSERT_EQ(b.status, 0) << b.err;
    const json bj = json::parse(b.out);
    const double bore = bj["bore_in"].get<double>();
    EXPECT_DOUBLE_EQ(bj["beta"].get<double>(), bore / 2.067);
    EXPECT_NEAR(
        flowOf({"--meter", "2.067", "--bore", numberText(bore), "--differential", "50inWC"}), 200,
        1e-10 * 200);

    const CliRun text =
        runCli(with({"differential", "--flow", "200", "--meter", "2.067", "--bore", "0.5"}, {}));
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find(" psi ("), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" inWC)"), std::string::npos);
    EXPECT_NE(text.out.find("findings: none"), std::string::npos);
}

TEST(SolveCommands, ABoreAtATableRowBoundaryIsSaidSo)
{
    // At a diameter ratio of 0.5 the coefficient table changes rows and the flow steps from
    // about 874.1594 to 874.1584 Mcf/d; a flow between has no bore of its own.
    const std::vector<std::string> args = {"bore",  "--flow",        "874.1588", "--differential",
                                           "5",     "--meter",       "2.067",    "--gravity",
                                           "0.615", "--temperature", "55",       "--pressure",
                                           "100"};
    std::vector<std::string> jsonArgs = args;
    jsonArgs.push_back("--json");
    const CliRun j = runCli(jsonArgs);
    EXPECT_EQ(j.status, 0);
    const json body = json::parse(j.out);
    EXPECT_TRUE(body["at_row_boundary"].get<bool>());
    EXPECT_DOUBLE_EQ(body["beta"].get<double>(), 0.5);
    EXPECT_FALSE(body["remark"]["message"].get<std::string>().empty());
    const CliRun text = runCli(args);
    EXPECT_NE(text.out.find("\nnote:                     the flow jumps"), std::string::npos)
        << text.out;
}

TEST(SolveCommands, NoSolutionIsStatusOneWithTheReason)
{
    const CliRun r =
        runCli({"bore", "--flow", "1e6", "--differential", "50inWC", "--meter", "2.067",
                "--gravity", "0.615", "--temperature", "55", "--pressure", "100"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("tarnwell: no bore found: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);

    const CliRun j =
        runCli({"differential", "--json", "--flow", "-5", "--meter", "2.067", "--bore", "0.5",
                "--gravity", "0.615", "--temperature", "55", "--pressure", "100"});
    EXPECT_EQ(j.status, 1);
    const json body = json::parse(j.out);
    EXPECT_TRUE(body["differential_psi"].is_null());
    EXPECT_FALSE(body["no_solution"]["code"].get<std::string>().empty());
}

// Every usage error: status 2, one line on standard error naming what is wrong, no output.
TEST(CommandLine, UsageErrors)
{
    const auto reading = [](const char *option, const char *value) {
        return changed({"flow"}, {{option, value}});
    };
    const struct
    {
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {{}, "tarnwell: A subcommand is required"},
        {{"flows"}, "tarnwell: unknown command 'flows' (use flow, differential, bore, batch)"},
        {{"flow"}, "tarnwell: --meter is required"},
        {{"flow", "--meter", "2"}, "tarnwell: --bore is required"},
        {withReading({"flow", "--flow", "5"}), "--flow"},
        {withReading({"flow", "--meter", "3"}), "--meter"},
        {reading("--meter", "abc"), "tarnwell: --meter: 'abc' is not a number"},
        {reading("--differential", "4.9xyz"),
         "tarnwell: --differential: '4.9xyz' has an unknown unit 'xyz' (use psi, inWC or kPa)"},
        {reading("--pressure", "100psi"), "tarnwell: --pressure: '100psi' has an unknown unit"},
        {reading("--temperature", "nan"), "tarnwell: --temperature: 'nan' is not a finite number"},
        {reading("--gravity", "1e400"), "tarnwell: --gravity: '1e400' is not a finite number"},
        {reading("--bore", ""), "tarnwell: --bore: no value given"},
        {withReading({"differential", "--flow", "200"}), "--differential"},
        {{"bore", "--flow", "x", "--differential", "5", "--meter", "2", "--gravity", "0.6",
          "--temperature", "55", "--pressure", "100"},
         "tarnwell: --flow: 'x' is not a number"},
        {{"batch"}, "tarnwell: file is required"},
        {{"batch", "x.csv", "--day-start", "24"}, "--day-start"},
        {{"batch", "x.csv", "--pressure-unit", "bar"},
         "tarnwell: --pressure-unit: unknown unit 'bar' (use psig or kPa)"},
        {{"batch", "x.csv", "--meter", "2in2"}, "tarnwell: --meter: '2in2'"},
    };
    for (const auto &c : cases) {
        const CliRun r = runCli(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.out, "") << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(CommandLine, HelpListsTheUnitsAndExitsZero)
{
    const CliRun r = runCli({"flow", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("psi, inWC or kPa"), std::string::npos);
    EXPECT_NE(r.out.find("default 14.73"), std::string::npos);
}

// The installed program itself: exit statuses reach the shell and "-" reads standard input.
TEST(CommandLine, TheProgramsExitStatus)
{
    TempDir dir;
    writeFile(dir / "in.csv", "time,pressure,differential,temperature\n"
                              "2024-01-01 00:00,100,4.9,55\n2024-01-01 01:00,100,x,55\n");
    const auto status = [&](const std::string &args) {
        const std::string command = std::string("'") + TARNWELL_EXE + "' " + args + " >'" +
                                    (dir / "out") + "' 2>'" + (dir / "err") + "'";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    std::string reading = "flow";
    for (const std::string &arg : kReading)
        reading += " " + arg;
    EXPECT_EQ(status(reading), 0);
    EXPECT_EQ(
        status("batch - --meter 2.067 --bore 0.5 --gravity 0.615 <'" + (dir / "in.csv") + "'"), 1);
    EXPECT_EQ(readFile(dir / "out").substr(0, 4), "time");
    EXPECT_EQ(status("flow --meter"), 2);
    EXPECT_EQ(readFile(dir / "err").rfind("tarnwell: ", 0), 0u);
}

} // namespace
