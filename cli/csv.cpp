#include "csv.h"

#include <cstring>

namespace {
constexpr std::size_t kReadBlock = std::size_t(1) << 16;
}

CsvReader::CsvReader(std::istream &in, std::size_t maxRecordBytes)
    : in_(in), maxRecord_(maxRecordBytes), buffer_(maxRecordBytes + kReadBlock)
{
}

void CsvReader::refill()
{
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    const std::size_t room = std::min(kReadBlock, buffer_.size() - end_);
    if (eof_ || room == 0)
        return;
    const std::streamsize got =
        in_.rdbuf()->sgetn(buffer_.data() + end_, static_cast<std::streamsize>(room));
    if (got <= 0)
        eof_ = true;
    else
        end_ += static_cast<std::size_t>(got);
}

// Scans one record starting at begin_. Complete when a line ending, or the end of the input,
// closes it; NeedMore when the buffer ends first.
CsvReader::Scan CsvReader::scan()
{
    const char *const data = buffer_.data();
    std::size_t i = begin_;
    spans_.clear();
    decoded_.clear();
    newlines_ = 0;
    for (;;) {
        const std::size_t fieldStart = i;
        if (i < end_ && data[i] == '"') {
            // Quoted: "" is a quote; anything after the closing quote up to the separator is
            // kept as it stands, as lenient readers do.
            const std::size_t offset = decoded_.size();
            ++i;
            for (;;) {
                if (i >= end_) {
                    if (!eof_)
                        return Scan::NeedMore;
                    throw CsvError(nextLine_, "a quoted field opened on this line is never closed");
                }
                const char c = data[i];
                if (c == '"') {
                    if (i + 1 >= end_ && !eof_)
                        return Scan::NeedMore;
                    if (i + 1 < end_ && data[i + 1] == '"') {
                        decoded_ += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (c == '\n')
                    ++newlines_;
                decoded_ += c;
                ++i;
            }
            while (i < end_ && data[i] != ',' && data[i] != '\n')
                decoded_ += data[i++];
            spans_.push_back({true, offset, decoded_.size() - offset});
        } else {
            while (i < end_ && data[i] != ',' && data[i] != '\n')
                ++i;
            spans_.push_back({false, fieldStart, i - fieldStart});
        }
        if (i >= end_) {
            if (!eof_)
                return Scan::NeedMore;
            consumed_ = i;
            break;
        }
        if (data[i] == ',') {
            ++i;
            continue;
        }
        consumed_ = i + 1; // past the '\n'
        break;
    }
    // The record's own text ends before the line ending; a CR before the LF is part of it.
    std::size_t recordEnd =
        consumed_ > begin_ && data[consumed_ - 1] == '\n' ? consumed_ - 1 : consumed_;
    if (recordEnd > begin_ && data[recordEnd - 1] == '\r') {
        --recordEnd;
        Span &last = spans_.back();
        if (last.decoded) {
            if (last.size > 0 && decoded_[last.offset + last.size - 1] == '\r')
                --last.size;
        } else if (last.size > 0) {
            --last.size;
        }
    }
    raw_ = std::string_view(data + begin_, recordEnd - begin_);
    return Scan::Complete;
}

bool CsvReader::next()
{
    if (line_ > 0) {
        begin_ = consumed_;
    }
    for (;;) {
        if (first_ && (end_ - begin_ < 3) && !eof_) {
            refill();
            continue;
        }
        if (first_) {
            first_ = false;
            if (end_ - begin_ >= 3 && std::memcmp(buffer_.data() + begin_, "\xEF\xBB\xBF", 3) == 0)
                begin_ += 3;
        }
        if (begin_ >= end_) {
            if (eof_)
                return false;
            refill();
            continue;
        }
        const bool complete = scan() == Scan::Complete;
        if ((complete ? consumed_ : end_) - begin_ > maxRecord_)
            throw CsvError(nextLine_, "a record is longer than " + std::to_string(maxRecord_) +
                                          " bytes (a quote never closed?)");
        if (complete)
            break;
        refill();
    }
    line_ = nextLine_;
    nextLine_ += newlines_ + 1;
    fields_.clear();
    for (const Span &s : spans_)
        fields_.push_back(s.decoded ? std::string_view(decoded_).substr(s.offset, s.size)
                                    : std::string_view(buffer_.data() + s.offset, s.size));
    return true;
}

void AppendCsvField(std::string &out, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}
