#pragma once
// Shader control sets of the material panel, read from "*.controls" files:
// one set per section, naming a material and the sliders that adjust its
// first pass. The files are text from the media folder and are parsed
// defensively: whatever cannot be used is skipped with a log line, never
// turned into a set or a slider that would fail later. Free of the engine.

#include <cstdint>
#include <string>
#include <vector>

// What a slider writes: a constant of the pass's vertex or fragment program.
// The slider code also knows the pass's specular, diffuse and ambient colour
// components and shininess, but no word of the files selects them.
enum ShaderControlType : std::int32_t {
  GPU_VERTEX = 0,
  GPU_FRAGMENT = 1,
  MAT_SPECULAR = 2,
  MAT_DIFFUSE = 3,
  MAT_AMBIENT = 4,
  MAT_SHININESS = 5
};

struct ShaderControl {
  std::string name;      // the row's label
  std::string paramName; // the program parameter
  std::int32_t type = GPU_VERTEX;
  float minVal = 0; // the slider runs from minVal to maxVal
  float maxVal = 0;
  std::int32_t elementIndex = 0;  // float within the parameter, 0..
  std::int32_t physicalIndex = 0; // of the parameter in its buffer; set when the rows are built
};

class MaterialControls {
public:
  MaterialControls(std::string displayName, std::string materialName)
      : mDisplayName(std::move(displayName)), mMaterialName(std::move(materialName)) {}

  const std::string &getDisplayName() const { return mDisplayName; }
  const std::string &getMaterialName() const { return mMaterialName; }
  std::size_t getShaderControlCount() const { return mShaderControlsContainer.size(); }
  // index below getShaderControlCount().
  const ShaderControl &getShaderControl(std::size_t index) const { return mShaderControlsContainer[index]; }
  ShaderControl &getShaderControl(std::size_t index) { return mShaderControlsContainer[index]; }
  void addControl(const ShaderControl &control) { mShaderControlsContainer.push_back(control); }

private:
  std::string mDisplayName;
  std::string mMaterialName;
  std::vector<ShaderControl> mShaderControlsContainer;
};

using MaterialControlsList = std::vector<MaterialControls>;

// Written when a control line does not hold six fields.
extern const char *const BAD_CONTROL_FIELD_COUNT;

// One control's value: name, parameter name, type word ("GPU_VERTEX" or
// "GPU_FRAGMENT"), minimum, maximum, element index, comma-separated and
// trimmed. False, with the reason in `problem`, for anything else: another
// field count, an unknown type word, an empty parameter name, bounds that are
// not finite numbers or run backwards, a negative element index.
bool parseShaderControl(const std::string &value, ShaderControl &control, std::string &problem);

// Appends the usable sets of one control file, in the file's order, to
// `sets`, and one line per skipped piece to `logLines`. A section without a
// "material" setting is skipped, and so is anything before the first section.
void parseMaterialControlsFile(const std::string &text, const std::string &fileName,
                               MaterialControlsList &sets, std::vector<std::string> &logLines);
