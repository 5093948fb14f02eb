// The "*.controls" files of the material panel: the stage's own file and a
// file with every kind of fault, each skipped with a log line.
#include "graphics/MaterialControls.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string fileText(const std::string &path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

} // namespace

TEST(MaterialControls, TheStageHullPaintFileGivesOneSetOfFiveSliders) {
  const std::string text = fileText(SW_SOURCE_DIR "/media/effects/hullpaint.controls");
  ASSERT_FALSE(text.empty());
  MaterialControlsList sets;
  std::vector<std::string> log;
  parseMaterialControlsFile(text, "hullpaint.controls", sets, log);
  EXPECT_TRUE(log.empty()) << log.front();
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].getDisplayName(), "Hull Paint");
  EXPECT_EQ(sets[0].getMaterialName(), "Sternwake/HullPaint");
  ASSERT_EQ(sets[0].getShaderControlCount(), 5u);
  const ShaderControl &gloss = sets[0].getShaderControl(3);
  EXPECT_EQ(gloss.name, "Gloss");
  EXPECT_EQ(gloss.paramName, "gloss");
  EXPECT_EQ(gloss.type, GPU_FRAGMENT);
  EXPECT_EQ(gloss.minVal, 1.0f);
  EXPECT_EQ(gloss.maxVal, 64.0f);
  EXPECT_EQ(gloss.elementIndex, 0);
  EXPECT_EQ(sets[0].getShaderControl(4).type, GPU_VERTEX);
  EXPECT_EQ(sets[0].getShaderControl(2).elementIndex, 2);
}

TEST(MaterialControls, EveryUnusablePieceIsSkippedWithALogLineAndTheRestKept) {
  const std::string text = "stray = before any set\n"
                           "[No Material]\n"
                           "control = Red, colour, GPU_FRAGMENT, 0, 1, 0\n"
                           "[Empty Material]\n"
                           "material =\n"
                           "[Second]\n"
                           "# comment\n"
                           "material\t=  Pkg/Second  \n"
                           "control = Too, few, GPU_VERTEX, 0, 1\n"
                           "control = Too, many, GPU_VERTEX, 0, 1, 0, 9\n"
                           "control = Odd, param, GPU_GEOMETRY, 0, 1, 0\n"
                           "control = Back, param, GPU_VERTEX, 5, 1, 0\n"
                           "control = Neg, param, GPU_VERTEX, 0, 1, -2\n"
                           "control = Unnamed, , GPU_VERTEX, 0, 1, 0\n"
                           "control = Swell ,  swell , GPU_VERTEX , -2.5 , 8 , 1\r\n"
                           "control=Text,bounds,GPU_FRAGMENT,low,high,first\n"
                           "[Third]\n"
                           "material = Pkg/Third\n";
  MaterialControlsList sets;
  std::vector<std::string> log;
  parseMaterialControlsFile(text, "broken.controls", sets, log);

  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].getDisplayName(), "Second");
  EXPECT_EQ(sets[0].getMaterialName(), "Pkg/Second");
  ASSERT_EQ(sets[0].getShaderControlCount(), 2u);
  const ShaderControl &swell = sets[0].getShaderControl(0);
  EXPECT_EQ(swell.name, "Swell");
  EXPECT_EQ(swell.paramName, "swell");
  EXPECT_EQ(swell.minVal, -2.5f);
  EXPECT_EQ(swell.maxVal, 8.0f);
  EXPECT_EQ(swell.elementIndex, 1);
  // Words where numbers belong read as 0, as the engine's converter does.
  const ShaderControl &text0 = sets[0].getShaderControl(1);
  EXPECT_EQ(text0.minVal, 0.0f);
  EXPECT_EQ(text0.maxVal, 0.0f);
  EXPECT_EQ(text0.elementIndex, 0);
  EXPECT_EQ(sets[1].getDisplayName(), "Third");
  EXPECT_EQ(sets[1].getShaderControlCount(), 0u);

  // One line per skipped piece: the stray setting, two sets without a
  // material, two bad field counts, the unknown type, the backward range,
  // the negative element and the missing parameter name.
  ASSERT_EQ(log.size(), 9u);
  EXPECT_NE(log[0].find("outside a control set"), std::string::npos);
  EXPECT_NE(log[1].find("\"No Material\" names no material"), std::string::npos);
  EXPECT_NE(log[2].find("\"Empty Material\" names no material"), std::string::npos);
  EXPECT_EQ(log[3], BAD_CONTROL_FIELD_COUNT);
  EXPECT_EQ(log[4], BAD_CONTROL_FIELD_COUNT);
  EXPECT_NE(log[5].find("unknown type \"GPU_GEOMETRY\""), std::string::npos);
  EXPECT_NE(log[6].find("do not make a range"), std::string::npos);
  EXPECT_NE(log[7].find("element index -2"), std::string::npos);
  EXPECT_NE(log[8].find("no parameter name"), std::string::npos);
}

TEST(MaterialControls, AnEmptyOrMissingFileGivesNoSet) {
  MaterialControlsList sets;
  std::vector<std::string> log;
  parseMaterialControlsFile("", "empty.controls", sets, log);
  parseMaterialControlsFile(std::string("\0\0[", 3), "binary.controls", sets, log);
  EXPECT_TRUE(sets.empty());
}
