// The "*.controls" files of the material panel: a file with every kind of
// fault, each skipped with a log line. (The stage's own files are checked
// against the GL render system's materials by the media tests.)
#include "graphics/MaterialControls.h"

#include <gtest/gtest.h>

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

  MaterialControlsList none;
  parseMaterialControlsFile(std::string("\0\0[", 3), "binary.controls", none, log);
  EXPECT_TRUE(none.empty());
}
