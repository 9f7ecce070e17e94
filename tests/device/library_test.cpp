// The six device operations of libtolvio.so against a real tvq31-remote.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "emulator_process.h"
#include "remote.h"
#include "tolvio.h"
#include "wire.h"

namespace tvq31 {
namespace {

using testing::EmulatorProcess;
using testing::TempDir;
using Clock = std::chrono::steady_clock;

// The emulator makes its factory codes with the library beside it.
const std::string kEmulatorLibrary = std::string(TVQ31_BIN_DIR) + "/QD01.csl";

std::string ReadBasicInfo() {
  std::vector<uint8_t> buf(TOLVIO_BASIC_INFO_SIZE, 0);
  if (!RBasicInfo(buf.data())) return {};
  return std::string(buf.begin(), buf.end());
}

std::string ReadTable() {
  std::vector<uint8_t> buf(TOLVIO_KEY_TABLE_SIZE, 0);
  if (!RCodeTypeData(buf.data())) return {};
  return std::string(buf.begin(), buf.end());
}

std::string Collect() {
  std::vector<uint8_t> buf(TOLVIO_CAPTURE_SIZE, 0);
  if (!RCollectCodeInfo(buf.data())) return {};
  return std::string(buf.begin(), buf.end());
}

std::string Padded(std::string text, size_t size) {
  text.resize(size, '\0');
  return text;
}

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class DeviceLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    remote_ = std::make_unique<EmulatorProcess>(tmp_.path());
    ASSERT_TRUE(remote_->Start());
  }
  TempDir tmp_;
  std::unique_ptr<EmulatorProcess> remote_;
};

TEST_F(DeviceLibrary, StartUpSequence) {
  ASSERT_TRUE(link_state());
  const std::string info = ReadBasicInfo();
  ASSERT_EQ(info.size(), 1024u);
  const auto status = remote_->Control(wire::Op::kStatus);
  ASSERT_TRUE(status);
  EXPECT_NE(status->find("identity: " + info.substr(0, 30)), std::string::npos);
  EXPECT_EQ(info.substr(64, 4), "0102");
  EXPECT_EQ(info.substr(70, 4), "0002");
  EXPECT_EQ(ReadTable(), Padded(remote::DefaultTable(kEmulatorLibrary), 12288));
}

TEST_F(DeviceLibrary, CaptureAfterAPress) {
  const std::string capture = remote::DemoCapture();
  ASSERT_TRUE(SetCodeCarrierWave());
  const auto start = Clock::now();
  EXPECT_EQ(Collect(), "");  // nothing pressed: false after a short wait
  const auto waited = MsSince(start);
  EXPECT_GE(waited, 40);
  EXPECT_LT(waited, 500);

  ASSERT_TRUE(remote_->Control(wire::Op::kPress, capture));
  EXPECT_EQ(Collect(), Padded(capture, 10240));
  EXPECT_EQ(Collect(), "") << "a capture is delivered once";
}

TEST_F(DeviceLibrary, PressDuringAPollWakesIt) {
  ASSERT_TRUE(SetCodeCarrierWave());
  std::string got;
  Clock::time_point done;
  std::thread poller([&] {
    for (int i = 0; i < 40 && got.empty(); ++i) got = Collect();
    done = Clock::now();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  const auto pressed = Clock::now();
  ASSERT_TRUE(remote_->Control(wire::Op::kPress, "8100"));
  poller.join();
  EXPECT_EQ(got, Padded("8100", 10240));
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(done - pressed).count(), 200);
}

TEST_F(DeviceLibrary, UnplugDuringCapture) {
  ASSERT_TRUE(SetCodeCarrierWave());
  std::atomic<bool> polling{true};
  std::atomic<int> answers{0};
  std::thread poller([&] {
    while (polling) {
      EXPECT_EQ(Collect(), "");
      ++answers;
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  ASSERT_TRUE(remote_->Control(wire::Op::kUnplug));
  const auto start = Clock::now();
  EXPECT_FALSE(link_state());
  EXPECT_LT(MsSince(start), 100);
  EXPECT_EQ(ReadBasicInfo(), "");
  EXPECT_EQ(ReadTable(), "");
  EXPECT_FALSE(WCodeTypeData("0000"));
  EXPECT_FALSE(SetCodeCarrierWave());
  ASSERT_TRUE(remote_->Control(wire::Op::kPress, "8100"));
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  polling = false;
  poller.join();
  EXPECT_GT(answers.load(), 1);

  ASSERT_TRUE(remote_->Control(wire::Op::kPlug));
  EXPECT_TRUE(link_state());
  EXPECT_EQ(Collect(), "") << "capture mode ends when the remote loses power";
  ASSERT_TRUE(SetCodeCarrierWave());
  EXPECT_EQ(Collect(), Padded("8100", 10240)) << "the press stayed queued";
}

TEST_F(DeviceLibrary, WriteThenReadBackSurvivesARestart) {
  const std::string image = "000105CF0A00050F00010102030405CC";
  ASSERT_TRUE(WCodeTypeData(image.c_str()));
  EXPECT_EQ(ReadTable(), Padded(image, 12288));
  remote_->Stop(SIGTERM);
  EXPECT_FALSE(link_state());
  ASSERT_TRUE(remote_->Start());
  EXPECT_EQ(ReadTable(), Padded(image, 12288));
}

TEST_F(DeviceLibrary, RefusedAndOversizeWrites) {
  const std::string before = ReadTable();
  struct Case {
    const char* name;
    std::string image;
  } cases[] = {{"one character too long", std::string(12290, '0')},
               {"far too long", std::string(100000, 'A')},
               {"odd length", "00011"},
               {"not hexadecimal", "0001XY"},
               {"empty", ""}};
  for (const auto& c : cases) {
    EXPECT_FALSE(WCodeTypeData(c.image.c_str())) << c.name;
    EXPECT_EQ(ReadTable(), before) << c.name;
  }
  EXPECT_FALSE(WCodeTypeData(nullptr));

  ASSERT_TRUE(remote_->Control(wire::Op::kRefuseWrites, "on"));
  EXPECT_FALSE(WCodeTypeData("0000"));
  EXPECT_EQ(ReadTable(), before);
  ASSERT_TRUE(remote_->Control(wire::Op::kRefuseWrites, "off"));

  const std::string full(12288, 'F');
  EXPECT_TRUE(WCodeTypeData(full.c_str())) << "exactly the remote's size fits";
  EXPECT_EQ(ReadTable(), full);
}

TEST_F(DeviceLibrary, ChangedIdentityVersionsAndTypeShowInBasicInformation) {
  ASSERT_TRUE(remote_->Control(wire::Op::kSetIdentity, "OTHER"));
  ASSERT_TRUE(remote_->Control(wire::Op::kSetVersion, "0203"));
  ASSERT_TRUE(remote_->Control(wire::Op::kSetType, "8888"));
  remote_->Stop(SIGKILL);
  ASSERT_TRUE(remote_->Start());
  const std::string info = ReadBasicInfo();
  EXPECT_EQ(info.substr(0, 30), "OTHER" + std::string(25, ' '));
  EXPECT_EQ(info.substr(64, 4), "0203");
  EXPECT_EQ(info.substr(70, 4), "8888");
}

TEST_F(DeviceLibrary, HungRemoteCostsABoundedWait) {
  remote_->Signal(SIGSTOP);
  auto start = Clock::now();
  EXPECT_FALSE(link_state());
  EXPECT_LT(MsSince(start), 150);
  start = Clock::now();
  EXPECT_EQ(ReadBasicInfo(), "");
  EXPECT_LT(MsSince(start), 1100);
  remote_->Signal(SIGCONT);
  EXPECT_TRUE(link_state());
}

TEST(DeviceLibraryAbsent, EveryOperationIsFalseAndBuffersStayUntouched) {
  TempDir tmp;
  ::setenv("TVQ31_REMOTE", (tmp.path() + "/nobody.sock").c_str(), 1);
  std::vector<uint8_t> buf(TOLVIO_KEY_TABLE_SIZE, 0xAA);
  EXPECT_FALSE(link_state());
  EXPECT_FALSE(RBasicInfo(buf.data()));
  EXPECT_FALSE(RCodeTypeData(buf.data()));
  EXPECT_FALSE(WCodeTypeData("0000"));
  EXPECT_FALSE(SetCodeCarrierWave());
  EXPECT_FALSE(RCollectCodeInfo(buf.data()));
  EXPECT_FALSE(RBasicInfo(nullptr));
  EXPECT_EQ(buf, std::vector<uint8_t>(TOLVIO_KEY_TABLE_SIZE, 0xAA));
}

// A remote that answers every request with one fixed byte string.
class FakeRemote {
 public:
  FakeRemote(const std::string& path, std::string answer) : answer_(std::move(answer)) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    ::listen(fd_, 8);
    thread_ = std::thread([this] {
      for (;;) {
        const int c = ::accept(fd_, nullptr, nullptr);
        if (c < 0 || stop_) {
          if (c >= 0) ::close(c);
          return;
        }
        char buf[20000];
        (void)::recv(c, buf, sizeof(buf), 0);
        (void)::send(c, answer_.data(), answer_.size(), MSG_NOSIGNAL);
        ::close(c);
      }
    });
    path_ = path;
  }
  ~FakeRemote() {
    stop_ = true;
    ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
    ::close(fd_);
    ::unlink(path_.c_str());
  }

 private:
  std::string answer_;
  std::string path_;
  int fd_ = -1;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(DeviceLibraryMalformedAnswers, AreFalseAndNeverOverrunTheBuffer) {
  TempDir tmp;
  const std::string path = tmp.path() + "/fake.sock";
  ::setenv("TVQ31_REMOTE", path.c_str(), 1);
  const auto ok = static_cast<uint8_t>(wire::Status::kOk);
  const std::string good = wire::EncodeFrame(ok, std::string(1024, 'I'));
  std::string bad_magic = good;
  bad_magic[1] = 'X';
  struct Case {
    const char* name;
    std::string answer;
  } cases[] = {
      {"too long", wire::EncodeFrame(ok, std::string(2000, 'I'))},
      {"too short", wire::EncodeFrame(ok, std::string(1000, 'I'))},
      {"false", wire::EncodeFrame(0, std::string(1024, 'I'))},
      {"error", wire::EncodeFrame(2, std::string(1024, 'I'))},
      {"bad magic", bad_magic},
      {"cut short", good.substr(0, 600)},
      {"trailing bytes", good + "XX"},
      {"length beyond the limit", good.substr(0, 4) + std::string("\xff\xff\xff\x7f", 4)},
      {"garbage", "hello, world"},
  };
  for (const auto& c : cases) {
    FakeRemote fake(path, c.answer);
    std::vector<uint8_t> buf(1024 + 64, 0);
    EXPECT_FALSE(RBasicInfo(buf.data())) << c.name;
    EXPECT_EQ(buf, std::vector<uint8_t>(1024 + 64, 0)) << c.name;
  }
  FakeRemote fake(path, good);
  std::vector<uint8_t> buf(1024 + 64, 0);
  EXPECT_TRUE(RBasicInfo(buf.data()));
  EXPECT_EQ(std::string(buf.begin(), buf.begin() + 1024), std::string(1024, 'I'));
  EXPECT_EQ(std::vector<uint8_t>(buf.begin() + 1024, buf.end()), std::vector<uint8_t>(64, 0));
}

TEST_F(DeviceLibrary, ThreeThreadsAtOnceGetWellFormedAnswers) {
  const std::string image_a = Padded(remote::DefaultTable(kEmulatorLibrary), 12288);
  const std::string image_b = Padded("000105CF0A00050F00010102030405CC", 12288);
  const std::string info = ReadBasicInfo();
  const std::string capture = Padded("81008200", 10240);
  std::atomic<bool> run{true};
  std::atomic<int> bad{0}, slow{0}, captures{0}, polls{0};
  auto timed = [&](auto fn) {
    const auto start = Clock::now();
    fn();
    if (MsSince(start) > 1100) ++slow;
  };
  std::thread monitor([&] {  // the link monitor
    while (run) timed([&] { bad += !link_state(); });
  });
  std::thread capturer([&] {  // the capture thread
    while (run) {
      timed([&] { bad += !SetCodeCarrierWave(); });
      for (int i = 0; i < 4 && run; ++i) {
        std::string got;
        timed([&] { got = Collect(); });
        ++polls;
        if (got.empty()) continue;
        bad += got != capture;
        ++captures;
        break;
      }
    }
  });
  std::thread ui([&] {  // the user-interface thread
    for (int i = 0; run; ++i) {
      timed([&] { bad += ReadBasicInfo() != info; });
      std::string table;
      timed([&] { table = ReadTable(); });
      bad += table != image_a && table != image_b;
      const std::string& next = (i % 2) ? image_a : image_b;
      timed([&] { bad += !WCodeTypeData(next.c_str()); });
    }
  });
  for (int i = 0; i < 20; ++i) {
    remote_->Control(wire::Op::kPress, "81008200");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  run = false;
  monitor.join();
  capturer.join();
  ui.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_EQ(slow.load(), 0);
  EXPECT_GT(captures.load(), 5);
  EXPECT_GT(polls.load(), captures.load());
}

TEST(DeviceLibraryKilled, TableIsAlwaysTheOldOrTheNewOne) {
  TempDir tmp;
  EmulatorProcess remote(tmp.path());
  ASSERT_TRUE(remote.Start());
  // Two images of different lengths, so a mix of them could not pass.
  std::vector<std::string> images{remote::DefaultTable(), "000105CF0A00050F00010102030405CC"};
  for (int i = 0; i < 20; ++i) images.push_back(std::string(200 + 400 * i, "0123456789ABCDEF"[i % 16]));
  std::mt19937 rng(7);
  int acknowledged_rounds = 0;
  for (int round = 0; round < 25; ++round) {
    std::atomic<bool> run{true};
    std::atomic<int> last_ok{-1};
    std::thread writer([&] {
      for (int i = 1; run; ++i) {
        const int k = (round + i) % static_cast<int>(images.size());
        if (WCodeTypeData(images[k].c_str())) last_ok = k;
      }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + rng() % 30));
    remote.Stop(SIGKILL);
    run = false;
    writer.join();
    ASSERT_TRUE(remote.Start()) << "round " << round;
    const std::string table = ReadTable();
    ASSERT_EQ(table.size(), 12288u) << "round " << round;
    const std::string stored = table.substr(0, table.find('\0'));
    bool known = false;
    for (const auto& image : images) known = known || stored == image;
    EXPECT_TRUE(known) << "round " << round << ": " << stored.substr(0, 40);
    acknowledged_rounds += last_ok >= 0;
  }
  EXPECT_GT(acknowledged_rounds, 10);
}

// Clients that misbehave: none of them may stop the remote from answering
// or change its table.
TEST_F(DeviceLibrary, HostileClientsChangeNothing) {
  const std::string before = ReadTable();
  auto connect = [&]() {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, remote_->socket().c_str(), sizeof(addr.sun_path) - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
      ::close(fd);
      return -1;
    }
    return fd;
  };
  auto send_and_close = [&](const std::string& bytes) {
    const int fd = connect();
    ASSERT_GE(fd, 0);
    (void)::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    ::close(fd);
  };
  const std::string write_req = wire::EncodeFrame(0x04, "0000");
  std::string huge = wire::EncodeFrame(0x04, "");
  huge[7] = 0x7F;  // about 2 GB announced
  std::mt19937 rng(3);
  std::string noise(5000, '\0');
  for (auto& ch : noise) ch = static_cast<char>(rng());
  for (const std::string& bytes : {std::string("GET / HTTP/1.0\r\n\r\n"), noise, huge,
                                   write_req.substr(0, write_req.size() - 1),
                                   write_req.substr(0, 5), wire::EncodeFrame(0x99, "x"),
                                   write_req + write_req}) {
    send_and_close(bytes);
  }
  // Stalled clients: half a request, then silence, more of them than the
  // remote serves at once.
  std::vector<int> stalled;
  for (int i = 0; i < 80; ++i) {
    const int fd = connect();
    if (fd < 0) break;
    (void)::send(fd, write_req.data(), 6, MSG_NOSIGNAL);
    stalled.push_back(fd);
  }
  // The stalled connections time out (about a second); the remote then
  // answers again.
  bool answered = false;
  for (int i = 0; i < 40 && !answered; ++i) {
    answered = link_state();
    if (!answered) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  for (int fd : stalled) ::close(fd);
  EXPECT_TRUE(answered);
  EXPECT_TRUE(link_state());
  EXPECT_EQ(ReadTable(), before);
  EXPECT_TRUE(remote_->Control(wire::Op::kStatus));
}

TEST(DeviceLibraryDemo, PressesTheSampleAfterCaptureStarts) {
  TempDir tmp;
  EmulatorProcess remote(tmp.path(), /*demo=*/true);
  ASSERT_TRUE(remote.Start());
  ASSERT_TRUE(SetCodeCarrierWave());
  const auto start = Clock::now();
  std::string got;
  while (got.empty() && MsSince(start) < 3000) got = Collect();
  EXPECT_EQ(got, Padded(remote::DemoCapture(), 10240));
  EXPECT_GE(MsSince(start), 900);
}

}  // namespace
}  // namespace tvq31
