#pragma once

#include "tarnwell_cli.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// One run of the command line, in-process.
struct CliRun
{
    int status;
    std::string out, err;
};

inline CliRun runCli(const std::vector<std::string> &args, const std::string &input = {})
{
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = RunTarnwell(args, in, out, err);
    return {status, out.str(), err.str()};
}

// The shortest text that reads back as v.
inline std::string numberText(double v)
{
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return {buffer, r.ptr};
}

inline std::string readFile(const std::filesystem::path &path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

inline void writeFile(const std::filesystem::path &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A fresh directory, removed with everything in it.
class TempDir
{
public:
    TempDir()
    {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("tarnwell-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string operator/(const std::string &name) const { return (path_ / name).string(); }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto &e : std::filesystem::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        return names;
    }

private:
    std::filesystem::path path_;
};

// Splits text into lines (without their endings) and each line at commas (no quoting).
inline std::vector<std::vector<std::string>> csvCells(const std::string &text)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> cells;
        std::string cell;
        std::istringstream fields(line);
        while (std::getline(fields, cell, ','))
            cells.push_back(cell);
        if (!line.empty() && line.back() == ',')
            cells.emplace_back();
        rows.push_back(cells);
    }
    return rows;
}
