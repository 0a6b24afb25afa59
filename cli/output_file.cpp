#include "output_file.h"

#include "errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string systemError(const std::string &what, const std::string &path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// What a new file gets from open(2): 0666 less the umask; an existing target keeps its own.
mode_t modeFor(const std::string &path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path))
{
    const std::filesystem::path target(path_);
    if (std::filesystem::is_directory(target))
        throw UsageError(path_ + " is a directory");
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
    std::string pattern = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw UsageError(systemError("cannot write", path_));
    const mode_t mode = modeFor(path_);
    ::fchmod(fd, mode);
    ::close(fd);
    temp_ = pattern;
    stream_.open(temp_, std::ios::binary | std::ios::trunc);
    if (!stream_)
        throw UsageError(systemError("cannot write", path_));
}

OutputFile::~OutputFile()
{
    if (!committed_ && !temp_.empty()) {
        stream_.close();
        std::remove(temp_.c_str());
    }
}

void OutputFile::commit()
{
    stream_.flush();
    if (!stream_)
        throw UsageError(systemError("cannot write", path_));
    stream_.close();
    if (!stream_ || std::rename(temp_.c_str(), path_.c_str()) != 0)
        throw UsageError(systemError("cannot write", path_));
    committed_ = true;
}
