#include "cli/Figures.h"

#include <cstdio>

namespace vorlane::cli {

double MegabytesPerSecond(std::uint64_t bytes, double seconds) {
  return seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
}

std::string DescribeRate(std::uint64_t bytes, double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB/s", MegabytesPerSecond(bytes, seconds));
  return text;
}

std::string DescribeSeconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

std::string DescribeTimeAndRate(double seconds, std::uint64_t bytes) {
  return DescribeSeconds(seconds) + ", " + DescribeRate(bytes, seconds);
}

}  // namespace vorlane::cli
