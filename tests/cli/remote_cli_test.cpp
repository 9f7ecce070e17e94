// tvq31-remote's control commands against a running remote, and its key
// table read by tvq31ctl.
#include <gtest/gtest.h>

#include "remote_process.h"

namespace tvq31::clitest {
namespace {

using RemoteCli = RemoteTest;

TEST_F(RemoteCli, FactoryKeysShowAndPlay) {
  const RunResult table = Remote({"table"});
  ASSERT_EQ(table.status, 0) << table.err;
  const RunResult states = Ctl({"table", "states"}, table.out);
  ASSERT_EQ(states.status, 0) << states.err;
  EXPECT_EQ(states.out,
            "01|1\n03|1\n05|1\n06|1\n07|1\n08|1\n09|1\n0A|1\n0C|1\n0E|1\n10|1\n12|1\n");
  const RunResult power = Remote({"transmit", "06"});
  ASSERT_EQ(power.status, 0) << power.err;
  EXPECT_NE(power.out.find("name: KEY_06"), std::string::npos) << power.out;
}

TEST_F(RemoteCli, ExitStatuses) {
  struct Case {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"press", "--protocol", "NEC", "--address", "0x04", "--command", "0x08"}, 0},
      {{"transmit", "30"}, 1},  // no code on that key
      {{"transmit", "ZZ"}, 1},
      {{"press", "--protocol", "Nope", "--address", "1", "--command", "1"}, 1},
      {{"set-type", "12345"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const RunResult r = Remote(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.status == 1) {
      EXPECT_FALSE(r.err.empty());
    }
  }
  Stop();
  const RunResult gone = Remote({"status"});
  EXPECT_EQ(gone.status, 1);
  EXPECT_FALSE(gone.err.empty());
}

}  // namespace
}  // namespace tvq31::clitest
