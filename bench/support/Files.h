#pragma once

#include <cstddef>
#include <string>

// Generated trees for the benchmarks, kept between runs: a marker file
// records how many files a tree was made with.
namespace Bench {

// Writes `bytes` bytes of filler (none: an empty file).
void writeBytes(const std::string &path, size_t bytes);

bool isGenerated(const std::string &marker, int files);
void markGenerated(const std::string &marker, int files);

}  // namespace Bench
