#include "civil_time.h"
#include "csv.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct Record
{
    std::size_t line;
    std::string raw;
    std::vector<std::string> fields;
    bool operator==(const Record &) const = default;
};

std::vector<Record> readAll(const std::string &text, std::size_t maxRecord = 1 << 20)
{
    std::istringstream in(text);
    CsvReader reader(in, maxRecord);
    std::vector<Record> records;
    while (reader.next())
        records.push_back({reader.line(),
                           std::string(reader.raw()),
                           {reader.fields().begin(), reader.fields().end()}});
    return records;
}

TEST(CsvReader, ReadsTheCommonDialect)
{
    const struct
    {
        const char *name;
        std::string text;
        std::vector<Record> records;
    } cases[] = {
        {"plain", "a,b\n1,2\n", {{1, "a,b", {"a", "b"}}, {2, "1,2", {"1", "2"}}}},
        {"no final line ending", "a,b\n1,2", {{1, "a,b", {"a", "b"}}, {2, "1,2", {"1", "2"}}}},
        {"CRLF", "a,b\r\n1,2\r\n", {{1, "a,b", {"a", "b"}}, {2, "1,2", {"1", "2"}}}},
        {"byte order mark",
         "\xEF\xBB\xBF"
         "a,b\n",
         {{1, "a,b", {"a", "b"}}}},
        {"empty fields", ",\n", {{1, ",", {"", ""}}}},
        {"blank line kept as blank", "a\n\nb\n", {{1, "a", {"a"}}, {2, "", {""}}, {3, "b", {"b"}}}},
        {"quoted comma and quote",
         "\"x, y\",\"say \"\"hi\"\"\"\n",
         {{1, "\"x, y\",\"say \"\"hi\"\"\"", {"x, y", "say \"hi\""}}}},
        {"quoted line break counts lines",
         "\"two\nlines\",z\r\nnext\n",
         {{1, "\"two\nlines\",z", {"two\nlines", "z"}}, {3, "next", {"next"}}}},
        {"quoted CRLF ending", "\"q\"\r\n", {{1, "\"q\"", {"q"}}}},
        {"text after a closing quote is kept", "\"ab\"c,d\n", {{1, "\"ab\"c,d", {"abc", "d"}}}},
        {"quote inside a field is literal", "a\"b,c\n", {{1, "a\"b,c", {"a\"b", "c"}}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(readAll(c.text), c.records) << c.name;
}

TEST(CsvReader, RecordsLongerThanTheReadBlockAndSpanningRefills)
{
    // Records cross the reader's internal block boundaries at every offset.
    std::string text;
    std::vector<Record> expected;
    for (std::size_t i = 0; i < 3000; ++i) {
        const std::string field(i % 97, char('a' + i % 26));
        const std::string raw = "\"" + field + "\"\",x\"," + std::to_string(i);
        text += raw + (i % 2 ? "\r\n" : "\n");
        expected.push_back({i + 1, raw, {field + "\",x", std::to_string(i)}});
    }
    const std::string big(200000, 'z'); // longer than one read block
    text += big + "\n";
    expected.push_back({3001, big, {big}});
    EXPECT_EQ(readAll(text), expected);
}

TEST(CsvReader, UnreadableFilesNameTheLine)
{
    try {
        readAll("a\nb\n\"never closed\nc\n");
        FAIL() << "no error";
    } catch (const CsvError &e) {
        EXPECT_EQ(e.line, 3u);
        EXPECT_STREQ(e.what(), "a quoted field opened on this line is never closed");
    }
    try {
        readAll("a\n" + std::string(5000, 'x') + "\n", 4096);
        FAIL() << "no error";
    } catch (const CsvError &e) {
        EXPECT_EQ(e.line, 2u);
    }
}

TEST(CsvWriter, QuotesOnlyWhatNeedsIt)
{
    std::string out;
    for (const char *field : {"ok", "a, b", "say \"x\"", "two\nlines", ""}) {
        AppendCsvField(out, field);
        out += '|';
    }
    EXPECT_EQ(out, "ok|\"a, b\"|\"say \"\"x\"\"\"|\"two\nlines\"||");
}

TEST(CivilTime, ParsesTheTwoFormsAndRejectsTheRest)
{
    const struct
    {
        const char *text;
        bool ok;
        const char *formatted; // as FormatCivilTime gives it back
    } cases[] = {
        {"2024-01-01 00:00", true, "2024-01-01 00:00:00"},
        {"2024-02-29 23:59:59", true, "2024-02-29 23:59:59"},
        {" 1969-12-31 23:00 ", true, "1969-12-31 23:00:00"},
        {"2000-02-29 12:00", true, "2000-02-29 12:00:00"},
        {"2023-02-29 12:00", false, ""},
        {"1900-02-29 12:00", false, ""},
        {"2024-04-31 12:00", false, ""},
        {"2024-13-01 12:00", false, ""},
        {"2024-00-10 12:00", false, ""},
        {"2024-01-01 24:00", false, ""},
        {"2024-01-01 12:60", false, ""},
        {"2024-01-01 12:00:60", false, ""},
        {"2024-01-01T12:00", false, ""},
        {"2024-1-01 12:00", false, ""},
        {"2024-01-01 12:00:5", false, ""},
        {"2024-01-01 12:00:00.5", false, ""},
        {"2024-01-01", false, ""},
        {"", false, ""},
    };
    for (const auto &c : cases) {
        std::int64_t t = 0;
        EXPECT_EQ(ParseCivilTime(c.text, t), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(FormatCivilTime(t), c.formatted);
        }
    }
    std::int64_t t = 0;
    ASSERT_TRUE(ParseCivilTime("1970-01-02 00:00:01", t));
    EXPECT_EQ(t, kSecondsPerDay + 1);
}

TEST(CivilTime, DayNumbersRoundTripOverCenturies)
{
    for (std::int64_t day = DaysFromCivil(1600, 1, 1); day <= DaysFromCivil(2400, 12, 31);
         day += 7) {
        const std::string date = FormatCivilDate(day);
        std::int64_t t = 0;
        ASSERT_TRUE(ParseCivilTime(date + " 00:00", t)) << date;
        ASSERT_EQ(t, day * kSecondsPerDay) << date;
    }
}

} // namespace
