// Runs the shared case table through the Linux Tarnwell library and writes each row with
// the flow it returned, as the reference for the Windows COM server's tests.
//
//   tarnwell-cases <cases.csv> <expected.csv>
//
// Input: comment lines (#) and blank lines are skipped; the first other line is the header
// "label,object,Meter,Plate,SpecGravity,Temp,Pressure,Difference". Output: the header and
// each row with a ninth column, Flow, printed with 17 significant digits so it reads back
// to the same double.
#include "tarnwell.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char *kHeader = "label,object,Meter,Plate,SpecGravity,Temp,Pressure,Difference";

struct FreeFlowClass
{
    void operator()(tarnwell_flow_class *object) const { tarnwell_flow_class_free(object); }
};
using FlowClassHandle = std::unique_ptr<tarnwell_flow_class, FreeFlowClass>;

std::vector<std::string> SplitFields(const std::string &line)
{
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, ','))
        fields.push_back(field);
    return fields;
}

bool ParseDouble(const std::string &text, double &value)
{
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::cerr << "usage: tarnwell-cases <cases.csv> <expected.csv>\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "tarnwell-cases: cannot read " << argv[1] << '\n';
        return 2;
    }

    std::ostringstream out;
    std::map<std::string, FlowClassHandle> objects;
    bool headerSeen = false;
    std::string line;
    for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        auto fail = [&](const std::string &why) {
            std::cerr << argv[1] << ':' << lineNumber << ": " << why << '\n';
            return 2;
        };
        if (!headerSeen) {
            if (line != kHeader)
                return fail(std::string("expected the header ") + kHeader);
            out << line << ",Flow\n";
            headerSeen = true;
            continue;
        }
        const std::vector<std::string> fields = SplitFields(line);
        if (fields.size() != 8)
            return fail("expected 8 fields");
        double inputs[6];
        for (int i = 0; i < 6; ++i)
            if (!ParseDouble(fields[2 + i], inputs[i]))
                return fail("not a number: " + fields[2 + i]);

        FlowClassHandle &object = objects[fields[1]];
        if (!object)
            object.reset(tarnwell_flow_class_new());
        if (!object)
            return fail("out of memory");
        const double flow = tarnwell_calc_flow(object.get(), inputs[0], inputs[1], inputs[2],
                                               inputs[3], inputs[4], inputs[5]);
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", flow);
        out << line << ',' << text << '\n';
    }
    if (!headerSeen) {
        std::cerr << argv[1] << ": no header\n";
        return 2;
    }

    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file << out.str();
    file.close();
    if (!file) {
        std::cerr << "tarnwell-cases: cannot write " << argv[2] << '\n';
        return 2;
    }
    return 0;
}
