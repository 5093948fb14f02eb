// Writing a compiled level as a Quake 3 BSP file (header "IBSP", version 46,
// 17 lumps), and reading one back with every count and offset checked.
#pragma once

#include "BspTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace levelc {

std::vector<uint8_t> encodeBsp(const BspLevel &level);

// Empty when the bytes are not a well-formed version 46 file or when an index
// in them points outside the records it refers to; `error` then says why.
std::optional<BspLevel> decodeBsp(const std::vector<uint8_t> &bytes, std::string &error);

bool writeFile(const std::string &path, const std::vector<uint8_t> &bytes, std::string &error);
std::optional<std::vector<uint8_t>> readFile(const std::string &path, std::string &error);

} // namespace levelc
