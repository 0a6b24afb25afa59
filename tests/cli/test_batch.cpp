// tarnwell batch: rows, statuses, volumes on the time line, day totals, files.
#include "cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>

namespace {

const std::vector<std::string> kSite = {"--meter", "2.067", "--bore", "0.5", "--gravity", "0.615"};

std::vector<std::string> batchArgs(std::vector<std::string> more)
{
    std::vector<std::string> args = {"batch", "-"};
    args.insert(args.end(), kSite.begin(), kSite.end());
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The flow of one reading at the site above, as `tarnwell flow` gives it: a batch row must
// give the same.
double flowOf(double pressure, double differential, double temperature, double meter = 2.067)
{
    const CliRun r =
        runCli({"flow", "--json", "--meter", numberText(meter), "--bore", "0.5", "--gravity",
                "0.615", "--temperature", numberText(temperature), "--pressure",
                numberText(pressure), "--differential", numberText(differential)});
    EXPECT_EQ(r.status, 0) << r.err;
    return nlohmann::json::parse(r.out)["flow_mcfd"].get<double>();
}

double number(const std::string &cell)
{
    return std::stod(cell);
}

void expectClose(const std::string &cell, double expected, const std::string &what)
{
    ASSERT_FALSE(cell.empty()) << what;
    EXPECT_NEAR(number(cell), expected, 1e-12 * std::fabs(expected)) << what;
}

// Six readings: a good one, a bad number, a time that goes back, a malformed time, two good
// ones with other differentials (so a volume taken from the wrong row shows). Hours worked by
// hand: A holds 04:00-07:30, B (a gap) 07:30-09:00, E 09:00-08:00 next day, and F, the last,
// as long as E: 08:00-07:00 the day after.
const std::string kReadings = "time,pressure,differential,temperature,tag\n"
                              "2024-03-01 04:00,100,4.9,55,A\n"
                              "2024-03-01 07:30,100,abc,55,B\n"
                              "2024-03-01 07:00,100,4.9,55,C\n"
                              "garbage,100,4.9,55,D\n"
                              "2024-03-01 09:00:00,100,10,55,E\n"
                              "2024-03-02 08:00,100,2,55,F\n";

TEST(Batch, RowsStatusesAndVolumes)
{
    const CliRun r = runCli(batchArgs({}), kReadings);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarnwell: 3 of 6 rows rejected (see the status column)\n");
    const auto rows = csvCells(r.out);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"time", "pressure", "differential", "temperature",
                                                 "tag", "flow_mcfd", "volume_mcf", "status"}));
    const double qA = flowOf(100, 4.9, 55), qE = flowOf(100, 10, 55), qF = flowOf(100, 2, 55);
    const struct
    {
        const char *tag;
        double flow;  // NaN: none
        double hours; // NaN: no volume
        const char *status;
    } expected[] = {
        {"A", qA, 3.5, "ok"},
        {"B", NAN, NAN, "bad number in differential"},
        {"C", NAN, NAN, "time not after 2024-03-01 07:30:00"},
        {"D", NAN, NAN, "bad time"},
        {"E", qE, 23, "ok"},
        {"F", qF, 23, "ok"},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto &row = rows[i + 1];
        const auto &e = expected[i];
        ASSERT_EQ(row.size(), 8u) << e.tag;
        EXPECT_EQ(row[4], e.tag);
        EXPECT_EQ(row[7], e.status) << e.tag;
        if (std::isnan(e.flow)) {
            EXPECT_EQ(row[5], "") << e.tag;
            EXPECT_EQ(row[6], "") << e.tag;
        } else {
            expectClose(row[5], e.flow, e.tag);
            expectClose(row[6], e.flow * e.hours / 24, e.tag);
        }
    }
}

TEST(Batch, DayTotalsSplitIntervalsProRata)
{
    const double qA = flowOf(100, 4.9, 55), qE = flowOf(100, 10, 55), qF = flowOf(100, 2, 55);
    const struct
    {
        const char *dayStart;
        std::vector<std::string> days;
        std::vector<double> volumes;
        std::vector<std::string> rows, rejected;
    } cases[] = {
        // Days from midnight: 1 March holds A 3.5 h and E 15 h; 2 March E 8 h and F 16 h;
        // 3 March F 7 h. B to D count on 1 March, where they sit.
        {"0",
         {"2024-03-01", "2024-03-02", "2024-03-03"},
         {qA * 3.5 / 24 + qE * 15 / 24, qE * 8 / 24 + qF * 16 / 24, qF * 7 / 24},
         {"5", "1", "0"},
         {"3", "0", "0"}},
        // Days from 06:00, named by the date they start on: A's 04:00 falls in the day of
        // 29 February (2 h of it), its last 1.5 h in that of 1 March, with E's first 21 h.
        {"6",
         {"2024-02-29", "2024-03-01", "2024-03-02", "2024-03-03"},
         {qA * 2 / 24, qA * 1.5 / 24 + qE * 21 / 24, qE * 2 / 24 + qF * 22 / 24, qF * 1 / 24},
         {"1", "4", "1", "0"},
         {"0", "3", "0", "0"}},
    };
    for (const auto &c : cases) {
        TempDir dir;
        const CliRun r =
            runCli(batchArgs({"--totals", dir / "days.csv", "--day-start", c.dayStart}), kReadings);
        EXPECT_EQ(r.status, 1);
        const auto days = csvCells(readFile(dir / "days.csv"));
        ASSERT_EQ(days.size(), c.days.size() + 1) << c.dayStart;
        EXPECT_EQ(days[0], (std::vector<std::string>{"day", "volume_mcf", "rows", "rejected"}));
        for (std::size_t i = 0; i < c.days.size(); ++i) {
            const auto &d = days[i + 1];
            EXPECT_EQ(d[0], c.days[i]);
            expectClose(d[1], c.volumes[i], c.dayStart + std::string(" ") + c.days[i]);
            EXPECT_EQ(d[2], c.rows[i]) << d[0];
            EXPECT_EQ(d[3], c.rejected[i]) << d[0];
        }
    }
}

TEST(Batch, RowsThatMustNotFlow)
{
    // Between good rows: a range error, a step that overflows, a missing and a non-finite
    // number, an empty override cell with no option behind it. None gets a flow, and the good
    // row after them gets its own.
    const std::string input = "time,pressure,differential,temperature,meter\n"
                              "2024-01-01 00:00,100,4.9,55,2.067\n"
                              "2024-01-01 00:01,100,0,55,2.067\n"
                              "2024-01-01 00:02,1e300,4.9,55,2.067\n"
                              "2024-01-01 00:03,,4.9,55,2.067\n"
                              "2024-01-01 00:04,100,inf,55,2.067\n"
                              "2024-01-01 00:05,100,4.9,55,\n"
                              "2024-01-01 00:06,100,4.9,60,3.068\n";
    const CliRun r = runCli({"batch", "-", "--bore", "0.5", "--gravity", "0.615"}, input);
    EXPECT_EQ(r.status, 1);
    const auto rows = csvCells(r.out);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[1][7], "ok");
    EXPECT_EQ(rows[2][7], "differential-not-positive");
    EXPECT_EQ(rows[3][7].rfind("step-failed: ", 0), 0u) << rows[3][7];
    EXPECT_EQ(rows[4][7], "missing pressure");
    EXPECT_EQ(rows[5][7], "non-finite differential");
    EXPECT_EQ(rows[6][7], "missing meter");
    for (std::size_t i = 2; i <= 6; ++i) {
        EXPECT_EQ(rows[i][5], "") << i;
        EXPECT_EQ(rows[i][6], "") << i;
    }
    expectClose(rows[7][5], flowOf(100, 4.9, 60, 3.068), "last");
    EXPECT_EQ(rows[7][7], "ok");
}

TEST(Batch, ColumnsOverrideOptionsAndTakeTheirUnits)
{
    // The meter column wins over --meter; its empty cell falls back on it. Pressure in kPa,
    // differential in inches of water, temperature in degC: the same readings as in psi/degF.
    const std::string input = "Temperature,Differential,Pressure,Time,Meter\n"
                              "10,138.5682,689.4757293168361,2024-01-01 00:00,3.068\n"
                              "10,138.5682,689.4757293168361,2024-01-01 00:10,\n";
    const CliRun r = runCli({"batch", "-", "--meter", "2.067", "--bore", "0.5", "--gravity",
                             "0.615", "--pressure-unit", "kpa", "--differential-unit", "INWC",
                             "--temperature-unit", "degC"},
                            input);
    EXPECT_EQ(r.status, 0) << r.err;
    const auto rows = csvCells(r.out);
    ASSERT_EQ(rows.size(), 3u);
    expectClose(rows[1][5], flowOf(100, 5, 50, 3.068), "meter column");
    expectClose(rows[2][5], flowOf(100, 5, 50, 2.067), "meter option");
}

TEST(Batch, KeepsEachRecordAsWritten)
{
    // Byte order mark, CRLF, a quoted field with a comma, a quote and a line break, a short
    // row, a blank line, no final line ending.
    const std::string input = "\xEF\xBB\xBF"
                              "time,pressure,differential,temperature,note,extra\r\n"
                              "2024-01-01 00:00,100,4.9,55,\"a, \"\"b\"\"\nc\",x\r\n"
                              "\r\n"
                              "2024-01-01 00:30,100,4.9,55";
    const CliRun r = runCli(batchArgs({}), input);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string q = numberText(flowOf(100, 4.9, 55));
    const std::string v = numberText(flowOf(100, 4.9, 55) * (1800.0 / 86400));
    EXPECT_EQ(r.out, "time,pressure,differential,temperature,note,extra,flow_mcfd,volume_mcf,"
                     "status\n"
                     "2024-01-01 00:00,100,4.9,55,\"a, \"\"b\"\"\nc\",x," +
                         q + "," + v +
                         ",ok\n"
                         "2024-01-01 00:30,100,4.9,55,,," +
                         q + "," + v + ",ok\n");
}

TEST(Batch, ALoneTimedRowHasNoVolume)
{
    TempDir dir;
    const CliRun r =
        runCli(batchArgs({"--totals", dir / "days.csv"}), "time,pressure,differential,temperature\n"
                                                          "2024-01-01 00:00,100,4.9,55\n");
    EXPECT_EQ(r.status, 0);
    const auto rows = csvCells(r.out);
    EXPECT_FALSE(rows[1][4].empty());
    EXPECT_EQ(rows[1][5], "");
    EXPECT_NE(r.err.find("no volume"), std::string::npos);
    EXPECT_EQ(readFile(dir / "days.csv"), "day,volume_mcf,rows,rejected\n2024-01-01,,1,0\n");
}

TEST(Batch, LongRunsOffTheTimeLineStayInOrder)
{
    // 60,000 rows with no good time behind one that waits for its successor: they are held
    // back (on disk past a limit) and come out in order, and the waiting row's interval spans
    // them.
    std::string input = "time,pressure,differential,temperature,n\n"
                        "2024-01-01 00:00,100,4.9,55,0\n";
    const int loose = 60000;
    for (int i = 1; i <= loose; ++i)
        input += "not a time,100,4.9,55," + std::to_string(i) + "\n";
    input += "2024-01-01 02:00,100,4.9,55," + std::to_string(loose + 1) + "\n";
    const CliRun r = runCli(batchArgs({}), input);
    EXPECT_EQ(r.status, 1);
    const auto rows = csvCells(r.out);
    ASSERT_EQ(rows.size(), std::size_t(loose + 3));
    for (int i = 0; i <= loose + 1; ++i)
        ASSERT_EQ(rows[std::size_t(i) + 1][4], std::to_string(i));
    expectClose(rows[1][6], flowOf(100, 4.9, 55) * 2 / 24, "first");
}

TEST(Batch, HeaderOnlyGivesTheHeader)
{
    const CliRun r = runCli(batchArgs({}), "time,pressure,differential,temperature\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "time,pressure,differential,temperature,flow_mcfd,volume_mcf,status\n");
}

// File errors: status 2, one line naming the file and line or column, no output file at all,
// an existing one untouched, no temporary file left behind.
TEST(Batch, FileErrorsLeaveNoPartialOutput)
{
    std::string late = "time,pressure,differential,temperature\n";
    for (int i = 0; i < 10000; ++i) // past the first block, so output has begun
        late += "2024-01-01 00:00,100,4.9,55\n";
    late += "2024-01-02 00:00,100,4.9,55,surplus\n";
    const struct
    {
        std::string input;
        std::vector<std::string> more;
        std::string message; // after "tarnwell: "
    } cases[] = {
        {"", {}, "in.csv is empty: it needs a header line naming the columns"},
        {"\n\n", {}, "in.csv is empty"},
        {"time,pressure,temperature\n",
         {},
         "in.csv:1: no column 'differential' in the header "
         "\"time, pressure, temperature\""},
        {"time;pressure;differential;temperature\n", {}, "(columns must be separated by commas)"},
        {"time,pressure,differential,temperature,TIME\n",
         {},
         "in.csv:1: column 'time' appears twice (columns 1 and 5)"},
        {"time,pressure,differential,temperature,status\n",
         {},
         "in.csv:1: the input already has a column 'status' (column 5); rename it"},
        {late, {}, "in.csv:10002: 5 fields, but the header has 4"},
        {"time,pressure,differential,temperature\n2024-01-01 00:00,\"100,4.9,55\n",
         {},
         "in.csv:2: a quoted field opened on this line is never closed"},
        {"time,pressure,differential,temperature\n",
         {"--totals", "OUT"},
         "--output and --totals name the same file"},
    };
    for (const auto &c : cases) {
        TempDir dir;
        writeFile(dir / "in.csv", c.input);
        writeFile(dir / "out.csv", "precious\n");
        std::vector<std::string> args = {"batch", dir / "in.csv", "-o", dir / "out.csv"};
        args.insert(args.end(), kSite.begin(), kSite.end());
        for (const std::string &m : c.more)
            args.push_back(m == "OUT" ? dir / "out.csv" : m);
        const CliRun r = runCli(args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("tarnwell: ", 0), 0u);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(readFile(dir / "out.csv"), "precious\n");
        EXPECT_EQ(dir.files().size(), 2u) << c.message;
    }

    TempDir dir;
    const CliRun missing =
        runCli({"batch", dir / "none.csv", "--meter", "2", "--bore", "1", "--gravity", "0.6"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("cannot read " + (dir / "none.csv") + ": No such file"),
              std::string::npos);
    writeFile(dir / "in.csv", "time,pressure,differential,temperature\n");
    const CliRun overwrite = runCli({"batch", dir / "in.csv", "-o", dir / "in.csv", "--meter", "2",
                                     "--bore", "1", "--gravity", "0.6"});
    EXPECT_EQ(overwrite.status, 2);
    EXPECT_NE(overwrite.err.find("is the input file"), std::string::npos);
    EXPECT_EQ(readFile(dir / "in.csv"), "time,pressure,differential,temperature\n");
}

TEST(Batch, OutputFilesAppearWhole)
{
    TempDir dir;
    writeFile(dir / "in.csv", kReadings);
    const CliRun r =
        runCli({"batch", dir / "in.csv", "-o", dir / "out.csv", "--totals", dir / "days.csv",
                "--meter", "2.067", "--bore", "0.5", "--gravity", "0.615"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(csvCells(readFile(dir / "out.csv")).size(), 7u);
    EXPECT_EQ(csvCells(readFile(dir / "days.csv")).size(), 4u);
    EXPECT_EQ(dir.files().size(), 3u);
}

} // namespace
