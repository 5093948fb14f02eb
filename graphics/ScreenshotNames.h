#pragma once
// Screenshots are "screenshot_" + number + ".png" in the working directory.
// Numbering goes on from the highest number already there, so a new run
// never overwrites the pictures of an earlier one.

#include <string>

std::string screenshotName(int number);

// The highest number of a "screenshot_<n>.png" in the directory, 0 when there
// is none (or the directory cannot be read). Names that are not exactly that
// pattern, or whose number is out of range, are ignored.
int highestScreenshotNumber(const std::string &directory);
