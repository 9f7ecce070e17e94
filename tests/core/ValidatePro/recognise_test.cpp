#include "ValidatePro/recognise.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "ValidatePro/keyrecord.h"
#include "test_styles.h"

namespace tvq31 {
namespace {

using namespace testing_styles;

const std::string kNecData(32, 'u');

// The worked NEC case, encoded by hand: base unit 158 ticks (2633 library
// units), multiplier 21, carrier byte 2 * 7 + 1.
const std::string kNecRecord =
    "000105C70A00121C000D"                 // header: key 05, LT 0x12, LD 0x0D
    "0A12" "9D0F141412331110"              // G, LT, timing bytes 2 to 9
    "0205" "02C080" "02C082"               // group table: u 1/1 unit, v 1/3
    "01" "07CF87" "4781" "4755" "47F0" "470F" "C0";  // one frame block

std::string NecCapture() { return NecFrame(kNecLetters) + NecRepeat(); }

TEST(BuildTemplate, PatternsMarksAndFieldLengths) {
  RecognitionContext ctx;
  EXPECT_EQ(BuildTemplate(NecStyle(), ctx),
            "23281194" + kNecData + "0230" "h006C" "23281194" + kNecData + "0230");
  EXPECT_EQ(ctx.FieldLengthsA, (std::array<int32_t, 4>{8, 8, 8, 8}));

  CodeStyleNode s;
  s.FreeSymbolMode = 3;
  s.FrameCount = 2;
  // References name their field by V mod 16 here.
  s.Frames[0] = Pattern({Mark(500), DefineA(2, 3), ReferA(0x22), DefineB(1, 2), ReferB(0x31),
                         Constant(2, 0x13), Constant(0, 0x13), FreeSymbol(), Space(1690)});
  s.Frames[1] = Pattern({Mark(9000)});
  s.SequenceCount = 3;
  s.Sequence[0] = Period(1, 10800);
  s.Sequence[1] = Gap(1, 4000);
  s.Sequence[2] = Period(0, 12345);
  s.RepeatCount = 2;
  EXPECT_EQ(BuildTemplate(s, ctx),
            "01F4" "uuu" "uuu" "uu" "uu" "uu" "" "uu" "069A"
            "t0028" "2328" "h007B" "01F4uuuuuuuuuuuuuu069A"
            "t0028" "2328" "h007B" "01F4uuuuuuuuuuuuuu069A");
  EXPECT_EQ(ctx.FieldLengthsA, (std::array<int32_t, 4>{0, 0, 3, 0}));
  EXPECT_EQ(ctx.FieldLengthsB, (std::array<int32_t, 4>{0, 2, 0, 0}));
}

TEST(RunFrameLoop, Cases) {
  RecognitionContext nec;
  nec.ActiveGroups = 2;
  nec.ElementCount = 2;
  nec.GroupValues[0] = {"560", "-560"};
  nec.GroupValues[1] = {"560", "-1690"};
  const std::string tmpl = "23281194" + kNecData + "0230" "h006C" "23281194" + kNecData + "0230";
  const std::string recognised = "23281194" + std::string(kNecLetters) + "0230h006C";
  struct Case {
    const char* name;
    std::string tmpl, frames, want;
  } cases[] = {
      {"worked case", tmpl, NecCapture(), recognised},
      {"real timings", tmpl, NecFrame(kNecLetters, 8942, 4558, 502, 620, 1650), recognised},
      {"frame too long for the period", tmpl, NecFrame(kNecLetters, 9000, 4500, 560, 560, 1690, 60),
       ""},
      {"one bit short", tmpl, NecFrame(kNecLetters.substr(1)), ""},
      {"no mark: the only pattern is never compared", "23281194" + kNecData + "0230",
       NecCapture(), ""},
      {"empty capture", tmpl, "", ""},
      // A frame that all four decoders accept is in S once.
      {"literal frame once", "232808CA0230h006C0000", "232808CA0230FEFE0060EDED",
       "232808CA0230h006C"},
      // A frame of its header only adds the header and goes on.
      {"header only", "23281194t0028" + tmpl, "23281194EDED" + NecCapture(),
       "23281194" + recognised},
      // 0x02ED before the frame end: the frame ends at the whole item.
      {"aligned frame end", "232808CA02BCt0028232808CA02BCt00280000",
       "232808CA02EDEDED232808CA02BCEDED", "232808CA02BC232808CA02BC"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunFrameLoop(c.tmpl, c.frames, nec), std::optional<std::string>(c.want)) << c.name;
  }
}

// A long capture frame (a held key) is compared on its beginning only; the
// rest of it must still be decoded when a symbol group entry might be unset,
// so that the frame is refused wherever the decoding would reach one.
TEST(RunFrameLoop, LongFrameComparedOnItsBeginning) {
  RecognitionContext nec;
  nec.ActiveGroups = 2;
  nec.ElementCount = 2;
  nec.GroupValues[0] = {"560", "-560"};
  nec.GroupValues[1] = {"560", "-1690"};
  const std::string tmpl = "23281194" + kNecData + "t0028" "0000";
  std::string head = Item(9000) + Item(4500);
  for (char c : kNecLetters) head += Item(560) + Item(c == 'v' ? 1690 : 560);
  // Zero bits, then one item that no group of two takes.
  std::string tail;
  for (int i = 0; i < 100; ++i) tail += "02300230";
  tail += "2328";
  // The gap's closing item is taken unread: here it is a filler.
  const std::string frame = head + "FEFE0028" "0000" + tail + "EDED";
  const std::string want = "23281194" + std::string(kNecLetters) + "t0028";
  EXPECT_EQ(RunFrameLoop(tmpl, frame, nec), std::optional<std::string>(want));

  // A third group that was never set: only the tail's last item reaches it.
  nec.ActiveGroups = 3;
  EXPECT_EQ(RunFrameLoop(tmpl, frame, nec), std::nullopt);
  EXPECT_EQ(RunFrameLoop(tmpl, head + "FEFE0028EDED", nec), std::optional<std::string>(want));
}

TEST(Recogniser, WorkedNecCaseEndToEnd) {
  Recogniser r;
  const RecognitionResult result = r.RecogniseCapture(NecCapture(), 0x05, ArrCodeStyleNode{NecStyle()});
  EXPECT_EQ(result.record, kNecRecord);
  EXPECT_EQ(result.style, "NEC");
  EXPECT_EQ(result.index, 0);
  EXPECT_EQ(r.context.BaseUnit, 158);
  EXPECT_EQ(r.context.MarkMultiplier, 21);
  EXPECT_EQ(r.context.TickRate, 6000);
  // The record comes from the style, not the capture's own timings.
  EXPECT_EQ(r.RecogniseCapture(NecFrame(kNecLetters, 8942, 4558, 502, 620, 1650), 0x05,
                               ArrCodeStyleNode{NecStyle()})
                .record,
            kNecRecord);
}

TEST(Recogniser, FirstMatchInFileOrderWins) {
  CodeStyleNode other = NecStyle();
  other.Name = "NEC long lead";
  other.Frames[0].Elements[0] = Mark(12000);  // does not match
  CodeStyleNode first = NecStyle(), second = NecStyle();
  first.Name = "first";
  second.Name = "second";
  Recogniser r;
  const RecognitionResult result = r.RecogniseCapture(NecCapture(), 1, {other, first, second});
  EXPECT_EQ(result.style, "first");
  EXPECT_EQ(result.index, 1);
}

// Styles that would crash or read outside the record are passed over, and
// the next style still gets its turn.
TEST(Recogniser, SkipsStylesThatCannotBeTried) {
  struct Case {
    const char* name;
    void (*spoil)(CodeStyleNode&);
  } cases[] = {
      {"no carrier frequency", [](CodeStyleNode& s) { s.CarrierFreq = 0; }},
      {"unit divisor 0", [](CodeStyleNode& s) { s.UnitDivisor = 0; }},
      {"five groups", [](CodeStyleNode& s) { s.GroupCount = 5; }},
      {"group of seven", [](CodeStyleNode& s) { s.Groups[1].Count = 7; }},
      {"seven patterns", [](CodeStyleNode& s) { s.FrameCount = 7; }},
      {"pattern of 33", [](CodeStyleNode& s) { s.Frames[0].Count = 33; }},
      {"nine entries", [](CodeStyleNode& s) { s.SequenceCount = 9; }},
      {"five trailer entries", [](CodeStyleNode& s) { s.TrailerCount = 5; }},
      {"repeat beyond sequence", [](CodeStyleNode& s) { s.RepeatCount = 2; }},
      {"pattern number 6", [](CodeStyleNode& s) {
         s.SequenceCount = 2;
         s.Sequence[1] = Period(6, 10800);
       }},
      {"field number 4", [](CodeStyleNode& s) { s.Frames[0].Elements[2] = DefineA(4, 8); }},
      {"reference to field 5", [](CodeStyleNode& s) { s.Frames[0].Elements[5] = ReferA(5); }},
      {"trailer without patterns", [](CodeStyleNode& s) {
         s.FrameCount = 0;
         s.TrailerCount = 1;
       }},
  };
  for (const Case& c : cases) {
    CodeStyleNode bad = NecStyle();
    c.spoil(bad);
    Recogniser r;
    const RecognitionResult result = r.RecogniseCapture(NecCapture(), 5, {bad, NecStyle()});
    EXPECT_EQ(result.index, 1) << c.name;
    EXPECT_EQ(result.record, kNecRecord) << c.name;
  }
}

// A style that matches the capture but breaks a limit of the key record
// would give a record whose cut bytes send another key: it is passed over
// like a style that does not match.
TEST(Recogniser, StylesWhoseRecordCannotBeWrittenArePassedOver) {
  struct Case {
    const char* name;
    void (*spoil)(CodeStyleNode&);
  } cases[] = {
      {"nine letters in a two-symbol field", [](CodeStyleNode& s) {
         s.Frames[0].Elements[2] = DefineA(0, 9);
         s.Frames[0].Elements[3] = DefineA(1, 7);
       }},
      {"eight letters in a four-symbol field",  // a third group: four-symbol packing
       [](CodeStyleNode& s) {
         s.GroupCount = 3;
         s.Groups[2] = Group({Mark(560), Space(3000)});
       }},
      {"data part over 255 bytes", [](CodeStyleNode& s) {
         // Five more patterns of 32 fields each, after the first frame: the
         // capture runs out before they are compared.
         s.FrameCount = 6;
         s.SequenceCount = 6;
         for (uint32_t k = 1; k < 6; ++k) {
           s.Frames[k].Count = 32;
           s.Frames[k].Elements.fill(DefineB(0, 0));
           s.Sequence[k] = Period(k, 10800);
         }
         s.RepeatCount = 0;
       }},
      {"base unit over 256", [](CodeStyleNode& s) { s.CarrierFreq = 20000; }},
      {"entry time of 65536 units or more", [](CodeStyleNode& s) {
         s.TrailerCount = 1;
         s.Trailer[0] = Gap(0, 200000);
       }},
      {"group duration under one unit", [](CodeStyleNode& s) {
         s.Groups[0] = Group({Mark(560), Space(560), Mark(1)});
       }},
      {"group duration over 64 units", [](CodeStyleNode& s) {
         s.Groups[0] = Group({Mark(560), Space(560), Space(55263)});
       }},
      {"closing block duration over 64 units", [](CodeStyleNode& s) {
         s.FrameCount = 2;
         s.Frames[1] = Pattern({Mark(40000)});
         s.TrailerCount = 1;
         s.Trailer[0] = Gap(1, 4000);
       }},
      {"timing byte over 255", [](CodeStyleNode& s) { s.ModeHigh = 16; }},
  };
  const std::string capture = NecFrame(kNecLetters);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CodeStyleNode broken = NecStyle();
    broken.Name = "broken";
    c.spoil(broken);
    ASSERT_TRUE(StyleUsable(broken));
    // It does match the capture.
    Recogniser alone;
    EXPECT_EQ(alone.RecogniseCapture(capture, 5, ArrCodeStyleNode{broken}).record, "");
    const std::string tmpl = BuildTemplate(broken, alone.context);
    const std::optional<std::string> s = RunFrameLoop(tmpl, capture, alone.context);
    ASSERT_TRUE(s && !s->empty());
    const RecognitionContext before = alone.context;
    EXPECT_EQ(EncodeKeyRecord(broken, *s, 5, alone.context), std::nullopt);
    EXPECT_EQ(alone.context.BaseUnit, before.BaseUnit);
    EXPECT_EQ(alone.context.MarkMultiplier, before.MarkMultiplier);

    Recogniser r;
    const RecognitionResult result = r.RecogniseCapture(capture, 5, {broken, NecStyle()});
    EXPECT_EQ(result.index, 1);
    EXPECT_EQ(result.record, kNecRecord);
    EXPECT_EQ(r.RecogniseCapture(capture, 5, PreparedLibrary({broken, NecStyle()})).record,
              kNecRecord);
    EXPECT_EQ(r.RecogniseCapture(capture, 5, PreparedLibrary({broken})).index, -1);
  }
}

// A style whose groups are shorter than the last one reads group values that
// an earlier style left. Without them the style cannot be tried.
TEST(Recogniser, GroupValuesCarryOverBetweenStylesAndRuns) {
  CodeStyleNode shortGroup = NecStyle();
  shortGroup.Name = "short";
  shortGroup.Groups[0].Count = 1;  // element 1 of "u" comes from the context
  CodeStyleNode unmatched = NecStyle();
  unmatched.Frames[0].Elements[0] = Mark(12000);

  Recogniser fresh;
  EXPECT_EQ(fresh.RecogniseCapture(NecCapture(), 5, {shortGroup}).index, -1);
  EXPECT_EQ(fresh.RecogniseCapture(NecCapture(), 5, {unmatched, shortGroup}).index, 1);
  // The next run still has the values.
  EXPECT_EQ(fresh.RecogniseCapture(NecCapture(), 5, {shortGroup}).index, 0);
}

TEST(Recogniser, LibraryFile) {
  char dir_template[] = "/tmp/tvq31-recognise-XXXXXX";
  ASSERT_NE(mkdtemp(dir_template), nullptr);
  const std::string dir = dir_template;
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    return dir + "/" + name;
  };
  Recogniser r;
  const std::string lib = write("QD01.csl", WriteCodeStyleBytes({NecStyle()}));
  RecognitionResult result = r.RecogniseCapture(NecCapture(), 5, lib);
  EXPECT_EQ(result.record, kNecRecord);
  EXPECT_EQ(result.error, "");

  // The file is read on every call: a library replaced in place (here by
  // one of the same size) or spoilt between captures is seen at once.
  CodeStyleNode renamed = NecStyle();
  renamed.Name = "NEB";
  write("QD01.csl", WriteCodeStyleBytes({renamed}));
  result = r.RecogniseCapture(NecCapture(), 5, lib);
  EXPECT_EQ(result.style, "NEB");
  write("QD01.csl", "not a library");
  result = r.RecogniseCapture(NecCapture(), 5, lib);
  EXPECT_EQ(result.record, "");
  EXPECT_NE(result.error, "");
  write("QD01.csl", WriteCodeStyleBytes({NecStyle()}));
  EXPECT_EQ(r.RecogniseCapture(NecCapture(), 5, lib).record, kNecRecord);
  // Replaced by another file, removed, put back, grown in place.
  CodeStyleNode other = NecStyle();
  other.Name = "other";
  const std::string next = write("next.csl", WriteCodeStyleBytes({other}));
  ASSERT_EQ(std::rename(next.c_str(), lib.c_str()), 0);
  EXPECT_EQ(r.RecogniseCapture(NecCapture(), 5, lib).style, "other");
  std::remove(lib.c_str());
  result = r.RecogniseCapture(NecCapture(), 5, lib);
  EXPECT_EQ(result.record, "");
  EXPECT_NE(result.error, "");
  write("QD01.csl", WriteCodeStyleBytes({NecStyle()}));
  EXPECT_EQ(r.RecogniseCapture(NecCapture(), 5, lib).style, "NEC");
  CodeStyleNode miss = NecStyle();
  miss.Frames[0].Elements[0] = Mark(12000);
  {
    std::ofstream(lib, std::ios::binary | std::ios::in) << WriteCodeStyleBytes({miss, other});
  }
  result = r.RecogniseCapture(NecCapture(), 5, lib);
  EXPECT_EQ(result.style, "other");
  EXPECT_EQ(result.index, 1);
  result = r.RecogniseCapture(NecCapture(), 5, dir);  // a folder
  EXPECT_EQ(result.record, "");
  EXPECT_NE(result.error, "");

  const std::string empty = write("empty.csl", WriteCodeStyleBytes({}));
  result = r.RecogniseCapture(NecCapture(), 5, empty);
  EXPECT_EQ(result.record, "");
  EXPECT_EQ(result.error, "");

  result = r.RecogniseCapture(NecCapture(), 5, dir + "/missing.csl");
  EXPECT_EQ(result.record, "");
  EXPECT_NE(result.error, "");

  std::remove(lib.c_str());
  std::remove(empty.c_str());
  rmdir(dir.c_str());
}

}  // namespace
}  // namespace tvq31
