// The emulated remote's memory on disk: a state directory holding
//   remote-state  identity, version pairs, type code and the key table image
//                 (text lines key=value)
//   lock          held while a remote serves from this directory
// Every change rewrites the one state file: a temporary file, synced,
// renamed over the old one and the directory synced, so a crash at any
// moment leaves the old or the new state, never a mix.
#pragma once

#include <optional>
#include <string>

#include "remote.h"

namespace tvq31::remote {

// Writes `content` to dir/name atomically and durably. False when any step
// fails (the old file then stays as it was).
bool WriteFileAtomic(const std::string& dir, const std::string& name, const std::string& content);

// The state file's text for `state`, and back. Parsing fails with a reason
// when a field is missing or invalid.
std::string FormatState(const RemoteState& state);
bool ParseState(const std::string& text, RemoteState* state, std::string* error);

class FileStore : public Store {
 public:
  // Opens (creating when needed) the state directory, takes its lock and
  // loads the state; a new directory gets a factory remote. Nothing, with a
  // reason, when the directory is locked by another remote, unreadable or
  // holds invalid state (it is never overwritten then).
  static std::optional<FileStore> Open(const std::string& dir, RemoteState* state,
                                       std::string* error);

  FileStore(FileStore&& other) noexcept;
  FileStore& operator=(FileStore&&) = delete;
  ~FileStore() override;

  bool Save(const RemoteState& state) override;

 private:
  FileStore(std::string dir, int lock_fd) : dir_(std::move(dir)), lock_fd_(lock_fd) {}
  std::string dir_;
  int lock_fd_ = -1;
};

// $XDG_STATE_HOME/tvq31-remote, else ~/.local/state/tvq31-remote.
std::string DefaultStateDir();

}  // namespace tvq31::remote
