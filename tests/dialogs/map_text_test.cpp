// Map texts between the map's code page and Qt strings.
#include "dialogs/map_text.h"

#include <gtest/gtest.h>

#include <QString>

namespace zelk {
namespace {

TEST(MapText, EveryByteComesBackUnchanged) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  const QString shown = MapTextToQt(all);
  EXPECT_EQ(shown.size(), static_cast<qsizetype>(all.size()));
  EXPECT_EQ(QtToMapText(shown), all);
}

TEST(MapText, CharactersAreThoseOfTheCodePage) {
  struct Case {
    std::string bytes;
    QString text;
  };
  const Case cases[] = {
      {"Road", "Road"},
      {"\xe4\x80", QString::fromUtf8("ä€")},
      {"Stra\xdf"
       "e \x96 \x84Mitte\x93",
       QString::fromUtf8("Straße – „Mitte“")},
      {"\xa0\xbd\xff", QString::fromUtf8("\u00a0½ÿ")},
      {"\x8a\x9e\x99", QString::fromUtf8("Šž™")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MapTextToQt(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(QtToMapText(c.text), c.bytes) << c.text.toStdString();
  }
}

TEST(MapText, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(QtToMapText(QString::fromUtf8("Ω ok 中")), "? ok ?");
  // U+0080 is not the euro sign's byte: the code page puts another character there.
  EXPECT_EQ(QtToMapText(QString(QChar(0x80))), "?");
  // A character beyond the basic plane is one character, one byte.
  EXPECT_EQ(QtToMapText(QString::fromUtf8("a\U0001F600b")), "a?b");
}

}  // namespace
}  // namespace zelk
