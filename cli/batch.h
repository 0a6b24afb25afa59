#pragma once

#include "md_vbcalc.h"
#include "units.h"

#include <iosfwd>
#include <optional>
#include <string>

struct BatchOptions
{
    std::string input = "-";  // a file, or "-" for the given input stream
    std::string output = "-"; // a file, or "-" for the given output stream
    std::string totals;       // a file for the day totals, or empty for none
    int dayStartHour = 0;
    // Engine units. Columns of the same name override these row by row.
    std::optional<double> meter, bore, gravity;
    FlowInputs base; // Tb, Pb, Lat and Elev of every row
    const Unit *pressureUnit = &UnitsOf(Quantity::GaugePressure)[0];
    const Unit *differentialUnit = &UnitsOf(Quantity::Differential)[0];
    const Unit *temperatureUnit = &UnitsOf(Quantity::Temperature)[0];
};

// Adds flow_mcfd, volume_mcf and status to every row of a CSV file of readings, and writes day
// totals if asked. Returns 0 when every row is ok, 1 when some were rejected; throws UsageError
// (and writes no file) for a file that cannot be read, or a header that lacks a column.
int RunBatch(const BatchOptions &options, std::istream &stdIn, std::ostream &stdOut,
             std::ostream &err);
