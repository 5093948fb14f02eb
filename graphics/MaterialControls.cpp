#include "graphics/MaterialControls.h"

#include <cmath>
#include <locale>
#include <sstream>

const char *const BAD_CONTROL_FIELD_COUNT =
    "Incorrect number of parameters passed in params string for MaterialControls::addControl()";

namespace {

constexpr std::size_t CONTROL_FIELD_COUNT = 6;
// Setting separators of the files: the first of these ends the key.
const char *const SEPARATORS = "\t;=";
const char *const WHITESPACE = " \t\r\n";

std::string trimmed(const std::string &text) {
  const std::size_t first = text.find_first_not_of(WHITESPACE);
  if (first == std::string::npos)
    return "";
  const std::size_t last = text.find_last_not_of(WHITESPACE);
  return text.substr(first, last - first + 1);
}

std::vector<std::string> splitFields(const std::string &value) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = value.find(',', start);
    fields.push_back(
        trimmed(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos)
      return fields;
    start = comma + 1;
  }
}

// As the engine's converter reads numbers: the leading number of the text,
// 0 when there is none.
template <typename Number> Number leadingNumber(const std::string &text) {
  std::istringstream stream(text);
  stream.imbue(std::locale::classic());
  Number value{};
  if (!(stream >> value))
    return Number{};
  return value;
}

bool typeOfWord(const std::string &word, std::int32_t &type) {
  if (word == "GPU_VERTEX")
    type = GPU_VERTEX;
  else if (word == "GPU_FRAGMENT")
    type = GPU_FRAGMENT;
  else
    return false;
  return true;
}

struct Section {
  std::string name;
  std::string material;
  bool hasMaterial = false;
  std::vector<std::string> controls;
};

void finishSection(const Section &section, const std::string &fileName, MaterialControlsList &sets,
                   std::vector<std::string> &logLines) {
  if (!section.hasMaterial) {
    logLines.push_back(fileName + ": control set \"" + section.name + "\" names no material; skipped");
    return;
  }
  MaterialControls set(section.name, section.material);
  for (const std::string &value : section.controls) {
    ShaderControl control;
    std::string problem;
    if (parseShaderControl(value, control, problem))
      set.addControl(control);
    else
      logLines.push_back(problem == BAD_CONTROL_FIELD_COUNT ? problem
                                                            : fileName + ": control \"" + value + "\" of \"" +
                                                                  section.name + "\": " + problem);
  }
  sets.push_back(std::move(set));
}

} // namespace

bool parseShaderControl(const std::string &value, ShaderControl &control, std::string &problem) {
  const std::vector<std::string> fields = splitFields(value);
  if (fields.size() != CONTROL_FIELD_COUNT) {
    problem = BAD_CONTROL_FIELD_COUNT;
    return false;
  }
  ShaderControl parsed;
  parsed.name = fields[0];
  parsed.paramName = fields[1];
  if (!typeOfWord(fields[2], parsed.type)) {
    problem = "unknown type \"" + fields[2] + "\"";
    return false;
  }
  if (parsed.paramName.empty()) {
    problem = "no parameter name";
    return false;
  }
  parsed.minVal = leadingNumber<float>(fields[3]);
  parsed.maxVal = leadingNumber<float>(fields[4]);
  if (!std::isfinite(parsed.minVal) || !std::isfinite(parsed.maxVal) || parsed.maxVal < parsed.minVal) {
    problem = "bounds " + fields[3] + " to " + fields[4] + " do not make a range";
    return false;
  }
  const long element = leadingNumber<long>(fields[5]);
  if (element < 0 || element > INT32_MAX) {
    problem = "element index " + fields[5] + " out of range";
    return false;
  }
  parsed.elementIndex = std::int32_t(element);
  control = parsed;
  return true;
}

void parseMaterialControlsFile(const std::string &text, const std::string &fileName,
                               MaterialControlsList &sets, std::vector<std::string> &logLines) {
  std::istringstream lines(text);
  std::string line;
  Section section;
  bool inSection = false;
  int lineNumber = 0;
  while (std::getline(lines, line)) {
    ++lineNumber;
    line = trimmed(line);
    if (line.empty() || line[0] == '#' || line[0] == '@')
      continue;
    if (line[0] == '[' && line.back() == ']') {
      if (inSection)
        finishSection(section, fileName, sets, logLines);
      section = Section{};
      section.name = line.substr(1, line.size() - 2);
      inSection = true;
      continue;
    }
    const std::size_t separator = line.find_first_of(SEPARATORS);
    const std::string key = trimmed(line.substr(0, separator));
    const std::size_t valueStart =
        separator == std::string::npos ? std::string::npos : line.find_first_not_of(SEPARATORS, separator);
    const std::string value = valueStart == std::string::npos ? "" : trimmed(line.substr(valueStart));
    if (!inSection) {
      logLines.push_back(fileName + ":" + std::to_string(lineNumber) +
                         ": setting outside a control set; skipped");
      continue;
    }
    if (key == "material") {
      section.material = value;
      section.hasMaterial = !value.empty();
    } else if (key == "control") {
      section.controls.push_back(value);
    }
  }
  if (inSection)
    finishSection(section, fileName, sets, logLines);
}
