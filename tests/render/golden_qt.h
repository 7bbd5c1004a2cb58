// Golden image comparison for rendering tests: reference PNGs with a per-pixel tolerance.
// Set ZELK_UPDATE_GOLDEN=1 to write the references anew (then look at them before committing).
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace zelk {

inline std::string GoldenDir() {
  return std::string(ZELK_TESTS_DIR) + "/render/golden";
}

// Compares `actual` with golden/<name>.png. A pixel differs when any channel differs by more than
// `channelTolerance`; the test fails when more than `maxDifferentPixels` differ. The actual and a
// difference image are written to the build folder for inspection.
inline void ExpectMatchesGolden(const QImage& actualIn, const std::string& name,
                                int channelTolerance = 24, int maxDifferentPixels = 40) {
  const QImage actual = actualIn.convertToFormat(QImage::Format_RGB32);
  const std::string reference = GoldenDir() + "/" + name + ".png";
  const std::string outDir = std::string(ZELK_TEST_OUTPUT_DIR) + "/golden-out";
  std::filesystem::create_directories(outDir);
  actual.save(QString::fromStdString(outDir + "/" + name + ".png"));
  const char* update = std::getenv("ZELK_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::filesystem::create_directories(GoldenDir());
    ASSERT_TRUE(actual.save(QString::fromStdString(reference))) << reference;
    return;
  }
  QImage expected(QString::fromStdString(reference));
  ASSERT_FALSE(expected.isNull()) << "missing reference " << reference
                                  << " (run with ZELK_UPDATE_GOLDEN=1 and look at it)";
  expected = expected.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(expected.size(), actual.size()) << name;
  QImage diff(actual.size(), QImage::Format_RGB32);
  diff.fill(Qt::white);
  int different = 0;
  for (int y = 0; y < actual.height(); ++y) {
    for (int x = 0; x < actual.width(); ++x) {
      const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
      if (std::abs(qRed(a) - qRed(e)) > channelTolerance ||
          std::abs(qGreen(a) - qGreen(e)) > channelTolerance ||
          std::abs(qBlue(a) - qBlue(e)) > channelTolerance) {
        ++different;
        diff.setPixel(x, y, qRgb(255, 0, 0));
      }
    }
  }
  diff.save(QString::fromStdString(outDir + "/" + name + ".diff.png"));
  EXPECT_LE(different, maxDifferentPixels)
      << name << ": " << different << " pixels differ; see " << outDir;
}

}  // namespace zelk
