#pragma once

// printf-style formatting into a std::string, for the engine's messages. Internal to engine/.

#include <string>

namespace engine_detail {

std::string format(const char *pattern, ...) __attribute__((format(printf, 1, 2)));

} // namespace engine_detail
