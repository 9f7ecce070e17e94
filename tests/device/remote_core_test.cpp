// The emulated remote without sockets: its factory state, its answers and
// the frame decoder both sides use.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "emulator_process.h"
#include "remote.h"
#include "store.h"
#include "transmit.h"
#include "wire.h"

namespace tvq31::remote {
namespace {

using wire::Frame;
using wire::Op;
using wire::Status;

Frame Request(Op op, std::string payload = {}) {
  return Frame{static_cast<uint8_t>(op), std::move(payload)};
}

TEST(FactoryRemote, BasicInformationCarriesIdentityVersionsAndType) {
  const RemoteState state = FactoryState(NewIdentity());
  const std::string info = BasicInfo(state);
  ASSERT_EQ(info.size(), 1024u);
  EXPECT_EQ(info.substr(0, 30), state.identity);
  EXPECT_EQ(info.substr(64, 4), "0102");
  EXPECT_EQ(info.substr(70, 4), "0002");
  EXPECT_EQ(info.substr(30, 34), std::string(34, '\0'));
  EXPECT_EQ(info.substr(74), std::string(1024 - 74, '\0'));
}

TEST(FactoryRemote, ShortIdentityIsPaddedWithBlanks) {
  RemoteState state = FactoryState("ABC");
  EXPECT_EQ(BasicInfo(state).substr(0, 30), "ABC" + std::string(27, ' '));
}

TEST(FactoryRemote, IdentitiesAreThirtyCharactersAndDiffer) {
  const std::string a = NewIdentity(), b = NewIdentity();
  EXPECT_EQ(a.size(), 30u);
  EXPECT_TRUE(ValidIdentity(a));
  EXPECT_NE(a, b);
}

TEST(FactoryRemote, StoredKeysAreFoundByKeyCode) {
  const std::string image = DefaultTable();
  const auto power = FindStoredKey(image, 0x06);
  ASSERT_TRUE(power);
  EXPECT_EQ(power->key_type, 0x8F);
  EXPECT_FALSE(power->head.empty());
  EXPECT_FALSE(power->data.empty());
  EXPECT_FALSE(FindStoredKey(image, 0x30));
  EXPECT_FALSE(FindStoredKey("01", 0x06));
  // An entry pointing past the image.
  EXPECT_FALSE(FindStoredKey("0001068F0010040000000401", 0x06));
}

TEST(Validation, FieldsAndImages) {
  EXPECT_TRUE(ValidIdentity(std::string(30, 'X')));
  EXPECT_FALSE(ValidIdentity(std::string(31, 'X')));
  EXPECT_FALSE(ValidIdentity(""));
  EXPECT_FALSE(ValidIdentity("tab\there"));
  EXPECT_TRUE(ValidField("0A", 2));
  EXPECT_FALSE(ValidField("0A0", 2));
  EXPECT_TRUE(ValidTable("0000"));
  EXPECT_TRUE(ValidTable(std::string(12288, 'f')));
  EXPECT_FALSE(ValidTable(std::string(12290, '0')));
  EXPECT_FALSE(ValidTable("000"));
  EXPECT_FALSE(ValidTable("00G0"));
  EXPECT_FALSE(ValidTable(""));
  EXPECT_TRUE(ValidCapture(DemoCapture()));
}

TEST(RemoteCoreTest, DeviceOperationsAnswerWithFixedSizes) {
  NullStore store;
  RemoteCore core(FactoryState("ID"), &store, false);
  struct Case {
    Op op;
    size_t size;
  } cases[] = {{Op::kLinkState, 0}, {Op::kBasicInfo, 1024}, {Op::kReadTable, 12288},
               {Op::kStartCapture, 0}};
  for (const auto& c : cases) {
    const auto reply = core.Handle(Request(c.op), 0);
    ASSERT_EQ(reply.kind, RemoteCore::Reply::Kind::kAnswer);
    EXPECT_EQ(reply.frame.code, static_cast<uint8_t>(Status::kOk));
    EXPECT_EQ(reply.frame.payload.size(), c.size);
  }
}

TEST(RemoteCoreTest, CaptureIsDeliveredOnceAndOnlyInCaptureMode) {
  NullStore store;
  RemoteCore core(FactoryState("ID"), &store, false);
  ASSERT_EQ(core.Handle(Request(Op::kPress, "8100000A"), 0).frame.code,
            static_cast<uint8_t>(Status::kOk));
  // Not capturing yet: the press waits in the queue.
  EXPECT_EQ(core.Handle(Request(Op::kCollectCapture), 0).kind, RemoteCore::Reply::Kind::kPark);
  EXPECT_FALSE(core.TryCollect());
  core.Handle(Request(Op::kStartCapture), 0);
  const auto got = core.Handle(Request(Op::kCollectCapture), 0);
  ASSERT_EQ(got.kind, RemoteCore::Reply::Kind::kAnswer);
  ASSERT_EQ(got.frame.payload.size(), 10240u);
  EXPECT_EQ(got.frame.payload.substr(0, 8), "8100000A");
  EXPECT_EQ(got.frame.payload.substr(8), std::string(10240 - 8, '\0'));
  // Delivered once; capture mode ended with it.
  EXPECT_EQ(core.Handle(Request(Op::kPress, "8100000B"), 0).frame.code,
            static_cast<uint8_t>(Status::kOk));
  EXPECT_FALSE(core.TryCollect());
}

TEST(RemoteCoreTest, DemoPressesTheSampleAfterASecond) {
  NullStore store;
  RemoteCore core(FactoryState("ID"), &store, true);
  core.Handle(Request(Op::kStartCapture), 1000);
  EXPECT_EQ(core.Tick(1500), 2000);
  EXPECT_FALSE(core.TryCollect());
  core.Tick(2000);
  const auto capture = core.TryCollect();
  ASSERT_TRUE(capture);
  EXPECT_EQ(capture->payload.substr(0, DemoCapture().size()), DemoCapture());
}

TEST(RemoteCoreTest, UnpluggedRemoteIgnoresDeviceOperationsButObeysControl) {
  NullStore store;
  RemoteCore core(FactoryState("ID"), &store, false);
  core.Handle(Request(Op::kStartCapture), 0);
  core.Handle(Request(Op::kUnplug), 0);
  for (Op op : {Op::kLinkState, Op::kBasicInfo, Op::kReadTable, Op::kWriteTable,
                Op::kStartCapture, Op::kCollectCapture}) {
    EXPECT_EQ(core.Handle(Request(op), 0).kind, RemoteCore::Reply::Kind::kDrop);
  }
  EXPECT_EQ(core.Handle(Request(Op::kPress, "8100"), 0).frame.code,
            static_cast<uint8_t>(Status::kOk));
  core.Handle(Request(Op::kPlug), 0);
  // Capture mode did not survive the power loss.
  EXPECT_FALSE(core.TryCollect());
}

// A store whose disk is full.
class FailingStore : public Store {
 public:
  bool Save(const RemoteState&) override { return false; }
};

TEST(RemoteCoreTest, RefusedWritesLeaveTheTable) {
  NullStore ok_store;
  FailingStore full_disk;
  const std::string before = DefaultTable();
  struct Case {
    const char* name;
    std::string image;
    bool refuse_writes;
    Store* store;
  } cases[] = {
      {"too long", std::string(12290, '0'), false, &ok_store},
      {"odd length", "000", false, &ok_store},
      {"not hexadecimal", "00ZZ", false, &ok_store},
      {"empty", "", false, &ok_store},
      {"refusing", "0000", true, &ok_store},
      {"disk full", "0000", false, &full_disk},
  };
  for (const auto& c : cases) {
    RemoteCore core(FactoryState("ID"), c.store, false);
    if (c.refuse_writes) core.Handle(Request(Op::kRefuseWrites, "on"), 0);
    EXPECT_EQ(core.Handle(Request(Op::kWriteTable, c.image), 0).frame.code,
              static_cast<uint8_t>(Status::kFalse))
        << c.name;
    EXPECT_EQ(core.state().table, before) << c.name;
  }
}

TEST(RemoteCoreTest, ControlCommandsCheckTheirArguments) {
  NullStore store;
  RemoteCore core(FactoryState("ID"), &store, false);
  struct Case {
    Op op;
    std::string payload;
    Status expect;
  } cases[] = {
      {Op::kSetIdentity, "NEW REMOTE", Status::kOk},
      {Op::kSetIdentity, std::string(31, 'A'), Status::kError},
      {Op::kSetVersion, "0A02", Status::kOk},
      {Op::kSetVersion, "0A0", Status::kError},
      {Op::kSetType, "8888", Status::kOk},
      {Op::kSetType, "88", Status::kError},
      {Op::kRefuseWrites, "maybe", Status::kError},
      {Op::kPress, "", Status::kError},
      {Op::kPress, "XYZ", Status::kError},
      {Op::kPress, std::string(10241, '0'), Status::kError},
      {Op::kTransmit, "6", Status::kError},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(core.Handle(Request(c.op, c.payload), 0).frame.code, static_cast<uint8_t>(c.expect))
        << static_cast<int>(c.op) << " " << c.payload.substr(0, 20);
  }
  const std::string info = BasicInfo(core.state());
  EXPECT_EQ(info.substr(0, 10), "NEW REMOTE");
  EXPECT_EQ(info.substr(64, 4), "0A02");
  EXPECT_EQ(info.substr(70, 4), "8888");
  EXPECT_EQ(core.Handle(Frame{0x7E, ""}, 0).frame.code, static_cast<uint8_t>(Status::kError));
}

TEST(RemoteCoreTest, PressQueueIsBounded) {
  NullStore store;
  RemoteCore core(FactoryState("ID"), &store, false);
  for (size_t i = 0; i < RemoteCore::kMaxQueuedPresses; ++i) {
    ASSERT_EQ(core.Handle(Request(Op::kPress, "8100"), 0).frame.code,
              static_cast<uint8_t>(Status::kOk));
  }
  EXPECT_EQ(core.Handle(Request(Op::kPress, "8100"), 0).frame.code,
            static_cast<uint8_t>(Status::kError));
}

TEST(FrameReaderTest, DecodesAFrameFedInAnyPieces) {
  using namespace std::string_literals;
  const std::string payload = "payload with \0 zero"s;
  const std::string bytes = wire::EncodeFrame(0x04, payload);
  for (size_t step = 1; step <= bytes.size(); ++step) {
    wire::FrameReader reader;
    for (size_t at = 0; at < bytes.size(); at += step) {
      size_t used = 0;
      reader.Feed(std::string_view(bytes).substr(at, step), &used);
    }
    ASSERT_EQ(reader.state(), wire::FrameReader::State::kDone) << step;
    EXPECT_EQ(reader.frame().code, 0x04);
    EXPECT_EQ(reader.frame().payload, payload);
  }
}

TEST(FrameReaderTest, RefusesBrokenHeaders) {
  std::string good = wire::EncodeFrame(0x01, "");
  std::string bad_magic = good;
  bad_magic[0] = 'X';
  std::string bad_version = good;
  bad_version[3] = 2;
  std::string too_long = good;
  too_long[6] = 0x10;  // 1 MiB
  for (const auto& bytes : {bad_magic, bad_version, too_long}) {
    wire::FrameReader reader;
    size_t used = 0;
    EXPECT_EQ(reader.Feed(bytes, &used), wire::FrameReader::State::kBad);
  }
  wire::FrameReader reader;
  size_t used = 0;
  EXPECT_EQ(reader.Feed(good + "extra", &used), wire::FrameReader::State::kDone);
  EXPECT_EQ(used, good.size());
}

TEST(StateFile, RoundTripsAndRefusesDamage) {
  const RemoteState state = FactoryState("SOME REMOTE = WITH EQUALS");
  RemoteState read;
  std::string error;
  ASSERT_TRUE(ParseState(FormatState(state), &read, &error)) << error;
  EXPECT_EQ(read, state);
  const std::string text = FormatState(state);
  struct Case {
    const char* name;
    std::string from, to;
  } cases[] = {{"no identity", "identity=", "x="},
               {"bad version", "version1=01", "version1=1"},
               {"bad type", "type=0002", "type=02"},
               {"odd table", "table=01", "table=0"},
               {"no table", "table=", "nothing="}};
  for (const auto& c : cases) {
    std::string damaged = text;
    damaged.replace(damaged.find(c.from), c.from.size(), c.to);
    EXPECT_FALSE(ParseState(damaged, &read, &error)) << c.name;
  }
}

TEST(StateFile, NewDirectoryGetsAFactoryRemoteThatSurvivesReopening) {
  testing::TempDir tmp;
  const std::string dir = tmp.path() + "/a/b";
  RemoteState first, second;
  std::string error;
  {
    auto store = FileStore::Open(dir, &first, &error);
    ASSERT_TRUE(store) << error;
    // The directory is locked while it is served.
    RemoteState other;
    EXPECT_FALSE(FileStore::Open(dir, &other, &error));
    first.table = "0000";
    ASSERT_TRUE(store->Save(first));
  }
  auto store = FileStore::Open(dir, &second, &error);
  ASSERT_TRUE(store) << error;
  EXPECT_EQ(second, first);
}

TEST(StateFile, DamagedStateIsNeverOverwritten) {
  testing::TempDir tmp;
  const std::string path = tmp.path() + "/remote-state";
  { std::ofstream(path) << "identity=X\ntable=0\n"; }
  RemoteState state;
  std::string error;
  EXPECT_FALSE(FileStore::Open(tmp.path(), &state, &error));
  EXPECT_NE(error.find("remote-state"), std::string::npos);
  std::ifstream in(path);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "identity=X\ntable=0\n");
}

}  // namespace
}  // namespace tvq31::remote
