#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Runs the tarnwell command line: args are the arguments after the program name; "-" as a file
// reads `in`. Returns the exit status: 0 all well, 1 ran but found problems (rows rejected, an
// error finding, no solution), 2 a usage, input or file error (one line on `err`).
int RunTarnwell(const std::vector<std::string> &args, std::istream &in, std::ostream &out,
                std::ostream &err);
