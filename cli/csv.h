#pragma once

#include <cstddef>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A file that cannot be read as CSV at all; `line` is where the trouble starts (1-based).
struct CsvError : std::runtime_error
{
    CsvError(std::size_t line, const std::string &what) : std::runtime_error(what), line(line) {}
    std::size_t line;
};

// Reads comma-separated records in the common dialect (RFC 4180): fields in double quotes may
// hold commas, quotes written twice and line breaks; lines end in LF or CRLF; the last line
// needs no line ending; a UTF-8 byte order mark is skipped. Reads in large blocks and holds one
// record at a time, so memory does not grow with the file.
class CsvReader
{
public:
    explicit CsvReader(std::istream &in, std::size_t maxRecordBytes = std::size_t(1) << 20);

    // The next record; false at the end of the input. Throws CsvError for a quoted field that is
    // never closed or a record longer than the limit.
    bool next();

    std::size_t line() const { return line_; }    // where the current record starts
    std::string_view raw() const { return raw_; } // its text, without the line ending
    const std::vector<std::string_view> &fields() const { return fields_; } // decoded
    // An empty line: no text at all.
    bool blank() const { return raw_.empty(); }

private:
    enum class Scan { Complete, NeedMore };
    Scan scan();
    void refill();

    std::istream &in_;
    std::size_t maxRecord_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0, end_ = 0; // unread bytes
    bool eof_ = false;
    bool first_ = true;
    std::size_t line_ = 0, nextLine_ = 1;

    std::string_view raw_;
    std::vector<std::string_view> fields_;
    struct Span
    {
        bool decoded;
        std::size_t offset, size;
    };
    std::vector<Span> spans_;
    std::string decoded_; // quoted fields with their quotes undone
    std::size_t consumed_ = 0, newlines_ = 0;
};

// Appends `field` to `out`, in double quotes when it holds a comma, a quote or a line break.
void AppendCsvField(std::string &out, std::string_view field);
