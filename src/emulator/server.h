// The emulated remote's socket side: one thread, one poll loop, many short
// connections. Every connection is bounded in size and time, so a client
// that sends garbage, stalls or vanishes costs nothing but its own
// connection.
#pragma once

#include <string>

#include "remote.h"

namespace tvq31::remote {

struct ServerLimits {
  size_t max_connections = 256;
  // A request must arrive whole, and an answer be taken, within this time.
  int io_timeout_ms = 1000;
};

// Listens on `socket_path` (mode 0600; a stale socket file is replaced, a
// live remote on it is an error) and serves `core` until SIGINT or SIGTERM.
// False with a reason when it cannot listen.
bool Serve(RemoteCore& core, const std::string& socket_path, const ServerLimits& limits,
           std::string* error);

}  // namespace tvq31::remote
