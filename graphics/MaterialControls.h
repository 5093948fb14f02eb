#pragma once
// Shader-control sets read from the "*.controls" files: which parameter of
// which material a slider row adjusts.

#include <string>
#include <vector>

struct ShaderControl {
  std::string name;          // row label
  std::string parameterName; // program constant the row drives
  // 0 vertex-program constant, 1 fragment-program constant; 2 specular,
  // 3 diffuse, 4 ambient colour component, 5 shininess.
  int type = 0;
  float minimum = 0;
  float maximum = 0;
  int elementIndex = 0;
  int physicalIndex = 0; // filled when the slider rows are built
};

struct MaterialControls {
  std::string displayName;
  std::string materialName;
  std::vector<ShaderControl> mShaderControlsContainer;
};
