// libtransfercode.so as the app uses it: opened by file name, Cominput
// looked up and called.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "transmitter/transferinput.h"
#include "transmitter/transmitter.h"

namespace tvq31 {
namespace {

using ComInputFn = const char* (*)(const char*);

class Cominput : public ::testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(TVQ31_BIN_DIR "/libtransfercode.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    fn_ = reinterpret_cast<ComInputFn>(dlsym(handle_, "Cominput"));
    ASSERT_NE(fn_, nullptr);
  }
  void TearDown() override {
    if (handle_) dlclose(handle_);
  }
  void* handle_ = nullptr;
  ComInputFn fn_ = nullptr;
};

const char kNecLike[] = "22612" "2328119401F4" "FEFE0028EDED" "232808CA01F4EDED";

TEST_F(Cominput, AnswersAPlayableRecordForTheKey) {
  const std::string input = BuildTransferInput(0x0E, kNecLike);
  const std::string record = fn_(input.c_str());
  ASSERT_FALSE(record.empty());
  EXPECT_EQ(record.substr(0, 6), "00010E");
  std::string error;
  const auto signal = TransmitKeyRecord(record, 0, &error);
  ASSERT_TRUE(signal) << error;
  ASSERT_EQ(signal->frames.size(), 2u);
  EXPECT_EQ(signal->frames[0].durations, (std::vector<uint32_t>{9000, 4500, 500}));
}

TEST_F(Cominput, MalformedInputAnswersTheEmptyText) {
  EXPECT_STREQ(fn_(nullptr), "");
  EXPECT_STREQ(fn_(""), "");
  EXPECT_STREQ(fn_("#99|010E\r\n"), "");
  EXPECT_STREQ(fn_(BuildTransferInput(0x0E, "1251222EE").c_str()), "");
}

TEST_F(Cominput, AnswerStaysValidUntilTheSameThreadCallsAgain) {
  const std::string input = BuildTransferInput(0x0E, kNecLike);
  const char* mine = fn_(input.c_str());
  const std::string copy = mine;
  std::thread other([&] {
    for (int i = 0; i < 50; ++i) fn_(BuildTransferInput(i, kNecLike).c_str());
  });
  other.join();
  EXPECT_EQ(std::string(mine), copy);
}

}  // namespace
}  // namespace tvq31
