#include "graphics/ScreenshotNames.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <system_error>

namespace {

const std::string PREFIX = "screenshot_";
const std::string SUFFIX = ".png";
// Numbers above this are ignored, so the next number always fits an int.
constexpr long LARGEST_NUMBER = std::numeric_limits<int>::max() - 1;

// The number of a screenshot file name, or 0 for any other name.
int screenshotNumber(const std::string &name) {
  if (name.size() <= PREFIX.size() + SUFFIX.size() || name.compare(0, PREFIX.size(), PREFIX) != 0 ||
      name.compare(name.size() - SUFFIX.size(), SUFFIX.size(), SUFFIX) != 0)
    return 0;
  const std::string digits = name.substr(PREFIX.size(), name.size() - PREFIX.size() - SUFFIX.size());
  if (digits.size() > 10 ||
      !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
    return 0;
  const long number = std::stol(digits);
  return number <= LARGEST_NUMBER ? static_cast<int>(number) : 0;
}

} // namespace

std::string screenshotName(int number) {
  return PREFIX + std::to_string(number) + SUFFIX;
}

int highestScreenshotNumber(const std::string &directory) {
  int highest = 0;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(directory, error), end; !error && entry != end;
       entry.increment(error))
    highest = std::max(highest, screenshotNumber(entry->path().filename().string()));
  return highest;
}
