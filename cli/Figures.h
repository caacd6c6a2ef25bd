// How the command line writes times and speeds, in its lines and in the station's records.
#pragma once

#include <cstdint>
#include <string>

namespace vorlane::cli {

// Decimal megabytes a second, as card makers count; 0 before any time has passed.
double MegabytesPerSecond(std::uint64_t bytes, double seconds);

// "45.2 MB/s"
std::string DescribeRate(std::uint64_t bytes, double seconds);

// "2.10 s"
std::string DescribeSeconds(double seconds);

// "2.10 s, 45.2 MB/s"
std::string DescribeTimeAndRate(double seconds, std::uint64_t bytes);

}  // namespace vorlane::cli
