// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/color_names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kt58 {
namespace {

TEST(ColorNames, TableHoldsFortyOneDistinctNamesAndValuesInListOrder) {
  const auto& table = NamedColors();
  std::set<std::string> names;
  std::set<Color> values;
  for (const NamedColor& c : table) {
    names.insert(c.name);
    values.insert(c.value);
  }
  EXPECT_EQ(names.size(), 41u);
  EXPECT_EQ(values.size(), 41u);
  EXPECT_STREQ(table[0].name, "clBlack");
  EXPECT_STREQ(table[15].name, "clWhite");
  EXPECT_STREQ(table[16].name, "clBtnFace");
  EXPECT_STREQ(table[40].name, "clInfoBk");
  EXPECT_EQ(table[40].value, 0x80000018u);
}

TEST(ColorNames, ListsShowWordsAndCustomColoursInTheHexForm) {
  std::set<std::string> labels;
  for (const NamedColor& c : NamedColors()) {
    labels.insert(c.label);
    EXPECT_NE(std::string(c.label).rfind("cl", 0), 0u) << c.label;
    EXPECT_EQ(ColorLabel(c.value), c.label);
  }
  EXPECT_EQ(labels.size(), 41u);
  EXPECT_EQ(ColorLabel(0x8000000F), "Button face");
  EXPECT_EQ(ColorLabel(0x80000015), "Dark shadow");
  EXPECT_EQ(ColorLabel(0x00123456), "$00123456");
}

TEST(ColorNames, NamesAndHexForms) {
  const struct {
    Color value;
    const char* name;
  } cases[] = {
      {0x000000, "clBlack"},         {0x0000FF, "clRed"},
      {0xFF0000, "clBlue"},          {0xC0C0C0, "clSilver"},
      {0x8000000F, "clBtnFace"},     {0x80000000, "clScrollBar"},
      {0x80000001, "clBackground"},  {0x80000013, "clInactiveCaptionText"},
      {0x00FFEBD7, "$00FFEBD7"},     {0x00000001, "$00000001"},
      {0x80000019, "$80000019"},     {0xFFFFFFFF, "$FFFFFFFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ColorName(c.value), c.name);
    EXPECT_EQ(ColorFromName(c.name), c.value) << c.name;
  }
}

TEST(ColorNames, ParsingAcceptsAnyCaseAndShortHexAndRefusesJunk) {
  EXPECT_EQ(ColorFromName("CLBTNFACE"), 0x8000000Fu);
  EXPECT_EQ(ColorFromName("$ff"), 0xFFu);
  for (const char* bad : {"", "$", "$123456789", "$12g4", "clNoSuch", "0x00FF00", " clRed"})
    EXPECT_FALSE(ColorFromName(bad).has_value()) << bad;
}

}  // namespace
}  // namespace kt58
