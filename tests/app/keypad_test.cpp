#include "fakes.h"
#include "mainstudy/keypad.h"
#include "mainstudy/mainstudy.h"

#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

namespace tvq31 {
namespace {

// The key pad as the remote's artwork fixes it: number, name, code, left,
// top, width, height on the remote panel.
constexpr const char* kExpectedKeys = R"(
1 POWER/TV 06 26 63 34 26
2 POWER/DVD 04 62 63 34 26
3 POWER/CBL 02 104 63 34 26
4 POWER/AMP 00 142 64 30 25
5 TV/1 07 27 96 34 22
6 TV/2 05 62 96 34 22
7 TV/3 03 104 96 34 21
8 TV/Vol+ 01 143 96 34 21
9 TV/4 0E 27 124 32 20
10 TV/5 0C 62 124 34 21
11 TV/6 0A 105 124 31 22
12 TV/Vol- 08 143 124 31 21
13 TV/7 0F 27 149 31 21
14 TV/8 0D 62 149 32 19
15 TV/9 0B 105 149 34 21
16 TV/Channel+ 09 143 148 31 21
17 TV/-- 16 27 175 32 21
18 TV/0 14 62 176 34 26
19 TV/Mute 12 105 176 32 19
20 TV/Channel- 10 143 176 33 19
21 TV/Menu 17 26 200 34 20
22 TV/AV/TV 15 63 200 34 19
23 TV/OptionalKey 13 105 199 34 19
24 TV/OptionalKey 11 143 198 30 20
25 DVD/1 1E 26 234 31 19
26 DVD/2 1C 63 234 34 22
27 DVD/3 1A 105 234 34 21
28 DVD/4 18 144 234 33 20
29 DVD/5 1F 26 258 31 21
30 DVD/6 1D 63 258 33 22
31 DVD/7 1B 106 258 32 22
32 DVD/8 19 144 258 34 26
33 DVD/9 26 26 285 31 20
34 DVD/0 24 63 285 33 21
35 DVD/-- 22 106 285 34 26
36 DVD/Menu 20 144 284 32 21
37 DVD/OptionalKey 27 26 311 28 21
38 DVD/Up 23 82 307 40 23
39 DVD/Right 2A 115 324 22 37
40 DVD/OptionalKey 21 143 310 29 19
41 DVD/Left 2E 64 324 20 39
42 DVD/Enter 2C 82 325 32 28
43 AMP/Vol+ 49 142 572 34 21
44 DVD/OptionalKey 29 143 359 30 21
45 CBL/Guide 3E 26 441 30 22
46 DVD/Down 2B 83 359 42 21
47 AMP/OptionalKey 54 63 601 34 16
48 DVD/OptionalKey 2F 26 359 28 22
49 DVD/StepBackward 36 26 387 30 19
50 DVD/Rewind 34 63 387 31 17
51 DVD/Pause 33 105 412 33 18
52 DVD/Forward 32 105 387 31 19
53 DVD/Record 37 26 411 26 16
54 DVD/Stop 35 63 412 31 17
55 DVD/Play 31 144 412 30 16
56 DVD/StepForward 30 145 387 32 18
57 AMP/DSP 56 26 599 30 16
58 AMP/VCD 4D 63 573 34 26
59 CBL/Up 3C 82 440 39 21
60 CBL/Quit 38 143 441 28 21
61 CBL/Left 3F 63 458 20 43
62 CBL/OptionalKey 40 143 492 30 23
63 AMP/OptionalKey 52 104 600 34 17
64 CBL/Right 3B 116 459 22 39
65 CBL/Menu 46 26 491 28 21
66 CBL/StepBackward 47 26 520 30 18
67 AMP/Vol- 50 142 601 32 18
68 CBL/Enter 3D 82 459 33 34
69 CBL/Rewind 45 63 520 35 19
70 CBL/Forward 43 98 520 35 19
71 CBL/Down 44 82 495 39 19
72 CBL/StepForward 41 143 520 32 18
73 CBL/Stop 4E 26 544 30 18
74 AMP/CD 4B 104 574 34 21
75 CBL/Play 4A 63 543 71 18
76 CBL/Pause 48 143 543 31 19
77 AMP/DVD 4F 26 573 29 15
)";

struct Rig {
  testing::FakeDevice device;
  ScriptedPrompter prompter;
  testing::FakeDisplay display;
  Tmainselfstudy window{device, prompter, display};
  Rig() { window.show(); }
  ~Rig() { window.close(); }
};

TEST(KeyPad, EveryKeyHasItsNameCodeAndPlace) {
  Rig rig;
  Tmainselfstudy& w = rig.window;
  EXPECT_EQ(w.ykqbox->geometry(), QRect(146, 0, 197, 731));
  EXPECT_EQ(w.z->geometry(), QRect(0, 0, 197, 731));
  std::istringstream in(kExpectedKeys);
  int number = 0, left = 0, top = 0, width = 0, height = 0;
  std::string path, code;
  int count = 0;
  while (in >> number >> path >> code >> left >> top >> width >> height) {
    SCOPED_TRACE(number);
    ++count;
    IBtn* key = w.KeyButton(number);
    EXPECT_EQ(key->objectName(), QStringLiteral("IBtn%1").arg(number));
    EXPECT_EQ(key->parentWidget(), w.ykqbox);
    EXPECT_EQ(key->Path().toStdString(), path);
    EXPECT_EQ(key->Code().toStdString(), code);
    EXPECT_EQ(key->geometry(), QRect(left, top, width, height));
    EXPECT_EQ(key->MoveDown(), 1);
    EXPECT_EQ(key->MoveRight(), 1);
    EXPECT_EQ(key->cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(key->Picture().isNull());
  }
  EXPECT_EQ(count, kKeyCount);
}

TEST(KeyPad, CodesAreDistinctAndLeaveTheKnownGaps) {
  std::set<int> codes;
  std::map<std::string, int> sections;
  for (const KeySpec& key : kKeyPad) {
    codes.insert(std::stoi(key.code, nullptr, 16));
    const std::string path = key.path;
    ++sections[path.substr(0, path.find('/'))];
  }
  EXPECT_EQ(codes.size(), 77u);
  std::set<int> unused;
  for (int c = 0; c <= 0x56; ++c) {
    if (!codes.count(c)) unused.insert(c);
  }
  EXPECT_EQ(unused, (std::set<int>{0x25, 0x28, 0x2D, 0x39, 0x3A, 0x42, 0x4C, 0x51, 0x53, 0x55}));
  EXPECT_EQ(sections, (std::map<std::string, int>{
                          {"POWER", 4}, {"TV", 20}, {"DVD", 29}, {"CBL", 16}, {"AMP", 8}}));
}

// Where two keys overlap the one with the higher number lies on top and
// receives the press; a real click there reaches its handler.
TEST(KeyPad, OverlapsGoToTheHigherNumber) {
  Rig rig;
  Tmainselfstudy& w = rig.window;
  std::vector<IBtn*> pressed;
  for (IBtn* key : w.keys) {
    QObject::connect(key, &IBtn::MousePress,
                     [&pressed](IBtn* sender, Qt::MouseButton) { pressed.push_back(sender); });
  }
  int overlaps = 0;
  for (int a = 0; a < kKeyCount; ++a) {
    for (int b = a + 1; b < kKeyCount; ++b) {
      const QRect common = w.keys[a]->geometry() & w.keys[b]->geometry();
      if (common.isEmpty()) continue;
      SCOPED_TRACE(::testing::Message() << "IBtn" << a + 1 << " / IBtn" << b + 1);
      ++overlaps;
      // A spot of the overlap; where a third key covers it too, the highest
      // number of all wins.
      const QPoint spot = common.center();
      int top = b;
      for (int c = b + 1; c < kKeyCount; ++c) {
        if (w.keys[c]->geometry().contains(spot)) top = c;
      }
      EXPECT_EQ(w.ykqbox->childAt(spot), w.keys[top]);
      pressed.clear();
      rig.prompter.Clear();
      QTest::mouseClick(w.window()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                        w.ykqbox->mapTo(&w, spot));
      ASSERT_EQ(pressed.size(), 1u);
      EXPECT_EQ(pressed[0], w.keys[top]);
      // Not learning: the click asks the user to start learning.
      ASSERT_EQ(rig.prompter.shown().size(), 1u);
      EXPECT_EQ(rig.prompter.shown()[0].text,
                QStringLiteral("Please click on Start to learn first!"));
      EXPECT_EQ(rig.prompter.shown()[0].caption, QStringLiteral("hint"));
    }
  }
  EXPECT_EQ(overlaps, 14);
}

TEST(KeyPad, TheTwoTvOptionalKeysAreSeparate) {
  Rig rig;
  IBtn* k23 = rig.window.KeyButton(23);
  IBtn* k24 = rig.window.KeyButton(24);
  EXPECT_EQ(k23->Path(), k24->Path());
  EXPECT_EQ(k23->Code(), QStringLiteral("13"));
  EXPECT_EQ(k24->Code(), QStringLiteral("11"));
  EXPECT_NE(rig.window.key_pictures[0][0x13].cacheKey(),
            rig.window.key_pictures[0][0x11].cacheKey());
}

TEST(KeyPad, HidingThePadLocksTheLearningControls) {
  Rig rig;
  Tmainselfstudy& w = rig.window;
  w.SetControlsEnabled(false);
  EXPECT_FALSE(w.ykqbox->isVisible());
  EXPECT_FALSE(w.beginstudyibtn->isEnabled());
  EXPECT_FALSE(w.delstudykey->isEnabled());
  EXPECT_FALSE(w.delallstudykey->isEnabled());
  w.SetControlsEnabled(true);
  EXPECT_TRUE(w.ykqbox->isVisible());
  EXPECT_TRUE(w.beginstudyibtn->isEnabled());
}

}  // namespace
}  // namespace tvq31
