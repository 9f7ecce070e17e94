#include <gtest/gtest.h>

#include "irtoolkit/irtoolkit.h"

namespace tvq31 {
namespace {

TEST(ParseIrNumber, DecimalHexAndIrBytes) {
  struct Case {
    const char* text;
    std::optional<uint32_t> want;
  } cases[] = {
      {"31", 31u},
      {"0x1F", 0x1Fu},
      {"0XfF", 0xFFu},
      {"1F 00 00 00", 0x1Fu},
      {"04 EF 00 00", 0xEF04u},
      {"4294967295", 0xFFFFFFFFu},
      {"0xFFFFFFFF", 0xFFFFFFFFu},
      {"4294967296", std::nullopt},   // beyond 32 bits
      {"0x100000000", std::nullopt},
      {"1F 00 00 00 00", std::nullopt},  // five bytes
      {"1 00", std::nullopt},           // a byte of one digit
      {"0x", std::nullopt},
      {"", std::nullopt},
      {"-1", std::nullopt},
      {"12a", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseIrNumber(c.text), c.want) << "'" << c.text << "'";
  }
}

}  // namespace
}  // namespace tvq31
