#pragma once

#include <fstream>
#include <string>

// A file written under a temporary name beside its target and renamed over it only when
// complete, so a failed run never leaves a partial file behind (nor harms an existing one).
class OutputFile
{
public:
    // Throws UsageError when the temporary file cannot be created.
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    std::ostream &stream() { return stream_; }

    // Flushes and renames; throws UsageError if anything failed on the way.
    void commit();

private:
    std::string path_, temp_;
    std::ofstream stream_;
    bool committed_ = false;
};
