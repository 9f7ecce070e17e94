// tvq31ctl's way to the remote: the device library's six operations, the
// start-up checks the app makes, and one careful write of the key table.
// Every failure ends the command through Fail with a one-line reason.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "keytable/keytable.h"
#include "receive/receivechain.h"
#include "remote/codefile.h"
#include "remote/startcheck.h"

namespace tvq31::cli {

// The remote as read at the start of a command.
struct RemoteSnapshot {
  RemoteIdentity identity;
  Verdict verdict = Verdict::kUnsupported;
  std::string image;  // the key table image, the remote's zero filler dropped
  KeyTable table;
  KeyStateList states;
};

// True when the remote is attached and answering.
bool RemoteAttached();

// Reads the basic information; Fail when the remote is not attached or
// does not answer.
RemoteIdentity ReadIdentityOrFail();

// Reads identity and key table; Fail when the remote is absent, the table
// cannot be read or parsed, or (with `for_writing`) the app would refuse
// the remote.
RemoteSnapshot OpenRemote(bool for_writing);

// Writes `image` once, after checking that the same remote is still
// attached and still holds the table of `before`; then reads the table
// back and compares. Fail, with what became of the remote's table, at the
// first step that does not hold.
void WriteTableOnce(const RemoteSnapshot& before, const std::string& image);

// Asks `question` on standard error and reads one line from standard input:
// "y" or "yes" (any case) is yes; anything else, or the end of the input, no.
bool AskYesNo(const std::string& question);

// ---------------------------------------------------------------------------
// Shared by the remote commands.

// "TV/Vol+ (01)", or "code 25" for a code that no key of the key pad has.
std::string KeyLabel(int code);

// The receive chain as the app runs it: the code-style library (default
// QD01.csl beside tvq31ctl) and the transfer library (default beside
// tvq31ctl; see TransferLibraryPath).
ReceiveChain MakeReceiveChain(const std::string& library, const std::string& transfer);
std::string TransferLibraryPath(const std::string& given);  // cmd_learn.cpp

// What a stored record is: the family of the code style that made it (or
// the style's name when it is of no known family), "raw" for a record of
// raw durations.
std::string RecordKind(const ReceiveResult& result);

// Head plus data bytes of a key record text (0 when it is too short).
int RecordBytes(const std::string& record);

// A code file's named signals; Fail when it cannot be read or holds none.
// `format`: "flipper", "pronto", "mode2" or "" (judged from the content).
std::vector<NamedSignal> ReadCodeFileOrFail(const std::string& path, const std::string& format);

}  // namespace tvq31::cli
