// Conversion of maps of the three older layouts, written by the fixture generator.
#include "storage/older_formats.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "map_fixture.h"
#include "old_map_writer.h"
#include "storage/document.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;
using test::OldRecord;
using test::WriteOldMap;

std::vector<OldRecord> SampleRecords() {
  return {
      {5011, 1, 450, {{100, 200}}, ""},
      {5012, 2, 0, {{0, 0}, {500, 0}, {500, -300}}, ""},
      {5013, 3, 0, {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, ""},
      {5014, 4, 900, {{-50, 70}}, "Old mill"},
      {5015, 5, 0, {{300, 300}, {100, 100}}, ""},
      {5016, 5, 0, {{0, 0}, {200, 50}}, "Framed"},
  };
}

struct ConvertFixture {
  TempDir dir;
  RecordingSink sink;
  Preferences prefs;
  Document doc{&sink, &prefs, nullptr, dir.Path("temp.~km")};
  NullProgress progress;
  ConvertFixture() { prefs.autoSave = false; }

  std::string Write(OldFormat f, const test::OldMapFiles& m) {
    const std::string path = dir.Path(f == OldFormat::Zelk3 ? "old.elt" : "old.zkm");
    WriteFileBytes(path, m.file);
    if (f == OldFormat::Zelk3) WriteFileBytes(dir.Path("old.IDX"), m.idx);
    return path;
  }
  ConversionResult Convert(OldFormat f, const test::OldMapFiles& m) {
    const int16_t kind = f == OldFormat::Zelk5   ? kFileKindZelk5
                         : f == OldFormat::Zelk4 ? kFileKindZelk4
                                                 : kFileKindZelk3;
    return ConvertOlderMap(doc, Write(f, m), kind, progress);
  }
};

class EveryFormat : public ::testing::TestWithParam<OldFormat> {};

TEST_P(EveryFormat, ConvertsEveryObjectType) {
  ConvertFixture f;
  const auto records = SampleRecords();
  const ConversionResult r = f.Convert(GetParam(), WriteOldMap(GetParam(), records, 25000));
  ASSERT_TRUE(r.converted) << (f.sink.errors.empty() ? "" : f.sink.errors[0]);
  EXPECT_EQ(r.objects, 6);
  EXPECT_EQ(r.skipped, 0);
  ASSERT_TRUE(f.doc.IsOpen());
  EXPECT_TRUE(f.doc.Name().empty());
  EXPECT_TRUE(f.doc.Modified());
  MapStore& store = f.doc.Store();
  EXPECT_EQ(store.Setup().MapScale(), GetParam() == OldFormat::Zelk5 ? 15000 : 25000);
  ASSERT_EQ(store.ObjectCount(), 6);
  for (int32_t n = 1; n <= 6; ++n) {
    const OldRecord& old = records[static_cast<size_t>(n - 1)];
    ObjectRecord o;
    ASSERT_TRUE(store.ReadObject(n, &o));
    EXPECT_EQ(static_cast<int>(o.type), old.type) << n;
    // Every object has a symbol of a fitting type, from the set or made for it.
    const int place = store.SymbolPlace(o.symbol);
    ASSERT_GE(place, 0) << n;
    const SymbolType st = store.Symbol(place).Type();
    const SymbolType want =
        old.type == 5 && !old.text.empty() ? SymbolType::Text : static_cast<SymbolType>(old.type);
    EXPECT_EQ(st, want) << n;
    // Made for it: drawn in the set's black, never in a white.
    if (store.Symbol(place).Description() == "Punch box" ||
        store.Symbol(place).Description() == "Rectangle") {
      const int black =
          store.Colors().colors[static_cast<size_t>(store.Colors().FindColor(0))].cmyk[3];
      EXPECT_EQ(black, 200);
      EXPECT_TRUE(store.Symbol(place).Colors().Has(0)) << n;
    }
    EXPECT_EQ(o.Text(), old.text) << n;
    // 0.1 mm become 0.01 mm.
    if (old.type <= 3) {
      ASSERT_EQ(o.PointCount(), static_cast<int>(old.points.size()));
      for (size_t i = 0; i < old.points.size(); ++i)
        EXPECT_EQ(o.coords[i],
                  Coord::FromUnits(old.points[i].first * 10, old.points[i].second * 10));
    }
  }
  ObjectRecord text, rect;
  store.ReadObject(4, &text);
  EXPECT_EQ(text.PointCount(), 5);
  EXPECT_EQ(text.coords[0], Coord::FromUnits(-500, 700));
  EXPECT_EQ(text.angle, 900);
  store.ReadObject(5, &rect);
  EXPECT_EQ(rect.coords,
            (std::vector<Coord>{Coord::FromUnits(1000, 1000), Coord::FromUnits(3000, 1000),
                                Coord::FromUnits(3000, 3000), Coord::FromUnits(1000, 3000)}));
  // Saved, the map reads back undamaged.
  const std::string saved = f.dir.Path("new.zkm");
  ASSERT_TRUE(f.doc.SaveAs(saved));
  RecordingSink sink;
  MapStore again(&sink);
  again.WorkingFile().OpenForReading(saved);
  ASSERT_TRUE(again.LoadFromWorkingFile());
  EXPECT_FALSE(again.Damage().Any());
  EXPECT_EQ(again.LiveObjectCount(), 6);
}

TEST_P(EveryFormat, ImplausibleEntriesAreSkipped) {
  ConvertFixture f;
  const int64_t dataUnits = 256 + 100;  // beyond what the sample occupies
  const std::vector<test::OldSlot> bad = {
      {100, 5},         // position below 256
      {300, 3},         // too short
      {300, 2004},      // too long
      {dataUnits, 10},  // beyond the end
      {0x7fffffff, 5},  // would overflow a 32-bit offset
  };
  auto records = SampleRecords();
  records.push_back({0, 2, 0, {{0, 0}, {1, 1}}, ""});     // symbol 0
  records.push_back({5017, 9, 0, {{0, 0}, {1, 1}}, ""});  // no such type
  records.push_back({5018, 2, 0, {{0, 0}}, ""});          // a line of one point
  const ConversionResult r = f.Convert(GetParam(), WriteOldMap(GetParam(), records, 15000, bad));
  ASSERT_TRUE(r.converted);
  EXPECT_EQ(r.objects, 6);
  EXPECT_EQ(r.skipped, 8);
  EXPECT_NE(r.note.find("8 damaged or unreadable objects were skipped."), std::string::npos)
      << r.note;
}

TEST_P(EveryFormat, TooManyCoordinatesForTheRecord) {
  ConvertFixture f;
  OldRecord r{5012, 2, 0, {{0, 0}, {10, 10}, {20, 0}}, "", 40};
  const ConversionResult c = f.Convert(GetParam(), WriteOldMap(GetParam(), {r}));
  // ZELK 5 cuts the count to what the record holds; the others skip the record.
  if (GetParam() == OldFormat::Zelk5) {
    EXPECT_EQ(c.objects, 1);
    ObjectRecord o;
    f.doc.Store().ReadObject(1, &o);
    EXPECT_EQ(o.PointCount(), 4);  // three points and the unit of the text's terminator
  } else {
    EXPECT_EQ(c.objects, 0);
    EXPECT_EQ(c.skipped, 1);
  }
}

TEST_P(EveryFormat, EscKeepsWhatWasConverted) {
  struct Esc : NullProgress {
    int steps = 0;
    void Step(int32_t, int32_t) override { ++steps; }
    bool AbortRequested() override { return steps >= 2; }
  };
  ConvertFixture f;
  Esc esc;
  const auto m = WriteOldMap(GetParam(), SampleRecords());
  const int16_t kind = GetParam() == OldFormat::Zelk5   ? kFileKindZelk5
                       : GetParam() == OldFormat::Zelk4 ? kFileKindZelk4
                                                        : kFileKindZelk3;
  const ConversionResult r = ConvertOlderMap(f.doc, f.Write(GetParam(), m), kind, esc);
  EXPECT_FALSE(r.converted);
  EXPECT_TRUE(r.stopped);
  EXPECT_TRUE(f.doc.IsOpen());
  EXPECT_EQ(f.doc.Store().LiveObjectCount(), 2);
}

TEST_P(EveryFormat, AnIndexOfOnlyItsHeader) {
  ConvertFixture f;
  const ConversionResult r = f.Convert(GetParam(), WriteOldMap(GetParam(), {}));
  EXPECT_TRUE(r.converted);
  EXPECT_EQ(r.objects, 0);
  EXPECT_TRUE(f.doc.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat,
                         ::testing::Values(OldFormat::Zelk5, OldFormat::Zelk4, OldFormat::Zelk3),
                         [](const auto& info) {
                           return info.param == OldFormat::Zelk5   ? "Zelk5"
                                  : info.param == OldFormat::Zelk4 ? "Zelk4"
                                                                   : "Zelk3";
                         });

TEST(OldIndex, Zelk4HeaderClaimingMoreEntriesThanTheFileHolds) {
  auto m = WriteOldMap(OldFormat::Zelk4, SampleRecords());
  // 1000 slots would need 16000 bytes of index alone.
  PutI32(m.file.data() + 8, 1000);
  m.file.resize(9000);
  const OldIndex index = ReadOldIndex(OldFormat::Zelk4, m.file);
  EXPECT_EQ(index.slotCount, 999);
  EXPECT_EQ(index.beyondEnd, 999 - (9000 / 16 - 1));
  EXPECT_TRUE(index.entries.empty());  // the data would begin at 16000, past the end
  ConvertFixture f;
  const ConversionResult r = f.Convert(OldFormat::Zelk4, m);
  EXPECT_EQ(r.objects, 0);
  EXPECT_NE(r.note.find("index entries lie beyond the end of the file and were skipped."),
            std::string::npos);
}

TEST(OldIndex, Zelk4SlotZeroIsTheHeader) {
  const auto m = WriteOldMap(OldFormat::Zelk4, SampleRecords());
  const OldIndex index = ReadOldIndex(OldFormat::Zelk4, m.file);
  EXPECT_EQ(index.slotCount, 6);
  EXPECT_EQ(index.entries.size(), 6u);
  EXPECT_EQ(index.dataStart, 16 * 7);
}

TEST(OldIndex, Zelk3CountsWholeSlotsOnly) {
  auto m = WriteOldMap(OldFormat::Zelk3, SampleRecords());
  m.idx.resize(m.idx.size() + 9, 0xff);  // a torn last slot
  const OldIndex index = ReadOldIndex(OldFormat::Zelk3, m.file, m.idx);
  EXPECT_EQ(index.slotCount, 6);
  EXPECT_EQ(index.entries.size(), 6u);
}

TEST(OldIndex, Zelk5StartOfDataIsClamped) {
  auto m = WriteOldMap(OldFormat::Zelk5, SampleRecords());
  for (const int32_t b : {-5, 0, 23, 0x7fffffff, static_cast<int32_t>(m.file.size()) + 1}) {
    PutI32(m.file.data() + 8, b);
    const OldIndex index = ReadOldIndex(OldFormat::Zelk5, m.file);
    EXPECT_GE(index.dataStart, 24);
    EXPECT_LE(index.dataStart, static_cast<int64_t>(m.file.size()));
    for (const OldEntry& e : index.entries)
      EXPECT_LE(e.offset + 4 * e.units, static_cast<int64_t>(m.file.size()));
  }
}

TEST(OldFormatsOpen, DocumentAsksAndConverts) {
  ConvertFixture f;
  const std::string path =
      f.Write(OldFormat::Zelk4, WriteOldMap(OldFormat::Zelk4, SampleRecords()));
  ConversionResult result;
  f.doc.convertOlderFormat = [&](const std::string& p, int16_t kind) {
    result = ConvertOlderMap(f.doc, p, kind, f.progress);
    return result.converted;
  };
  f.sink.answers = {Answer::Yes};
  ASSERT_TRUE(f.doc.Open(path));
  ASSERT_EQ(f.sink.questions.size(), 1u);
  EXPECT_NE(f.sink.questions[0].find("in ZELK 4 format. Convert?"), std::string::npos);
  EXPECT_EQ(result.objects, 6);
  EXPECT_EQ(f.doc.Caption(), "ZELK - Untitled");
}

}  // namespace
}  // namespace zelk
