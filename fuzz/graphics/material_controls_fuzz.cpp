// Feeds arbitrary text to the "*.controls" parser: it must never crash, and
// every set and control it keeps must be one the panel can use.
#include "graphics/MaterialControls.h"

#include <cmath>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  MaterialControlsList sets;
  std::vector<std::string> logLines;
  parseMaterialControlsFile(text, "fuzz.controls", sets, logLines);
  for (const MaterialControls &set : sets) {
    if (set.getMaterialName().empty())
      std::abort();
    for (std::size_t i = 0; i < set.getShaderControlCount(); ++i) {
      const ShaderControl &control = set.getShaderControl(i);
      const bool knownType = control.type == GPU_VERTEX || control.type == GPU_FRAGMENT;
      if (!knownType || control.paramName.empty() || !std::isfinite(control.minVal) ||
          !std::isfinite(control.maxVal) || control.maxVal < control.minVal || control.elementIndex < 0)
        std::abort();
    }
  }
  return 0;
}
