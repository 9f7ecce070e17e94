// What `tvq31-remote transmit` plays for a stored key.
#include <gtest/gtest.h>

#include "transmit.h"
#include "transmitter/rawrecord.h"

namespace tvq31::remote {
namespace {

TEST(Transmit, PlaysAStoredRawRecordAsAFlipperEntry) {
  Signal signal;
  signal.carrier_hz = 38000;
  signal.frames.push_back({{9000, 4500, 560, 560, 560, 1690, 560}, 40000});
  const std::string record = BuildRawKeyRecord(signal, 0x1A);
  ASSERT_FALSE(record.empty());
  // A one-key image is the record itself with the learned key type.
  std::string image = record;
  image.replace(6, 2, "CF");
  std::string error;
  const auto entry = TransmitStoredKey(image, 0x1A, &error);
  ASSERT_TRUE(entry) << error;
  EXPECT_NE(entry->find("name: KEY_1A\n"), std::string::npos);
  EXPECT_NE(entry->find("type: raw\n"), std::string::npos);
  EXPECT_NE(entry->find("data: 9000 4500 560"), std::string::npos) << *entry;

  EXPECT_FALSE(TransmitStoredKey(image, 0x05, &error));
  EXPECT_NE(error.find("has no code"), std::string::npos);
}

}  // namespace
}  // namespace tvq31::remote
