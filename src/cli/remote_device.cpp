#include "remote_device.h"

#include <cctype>
#include <cstdint>
#include <iostream>
#include <vector>

#include "MrcDataUnit/codestyle.h"
#include "cli.h"
#include "hextext/hextext.h"
#include "keypad/keypad.h"
#include "receive/evaluate.h"
#include "tolvio.h"

namespace tvq31::cli {

namespace {

// A read into a zero-filled buffer of the operation's size; every byte of a
// successful read becomes one character, an unsuccessful one gives "".
template <typename Read>
std::string ReadBuffer(Read read, size_t size) {
  std::vector<uint8_t> buffer(size, 0);
  if (read(buffer.data()) == 0) return {};
  return std::string(buffer.begin(), buffer.end());
}

bool ReadImageInto(std::string& image) {
  std::string raw = ReadBuffer(RCodeTypeData, TOLVIO_KEY_TABLE_SIZE);
  if (raw.empty()) return false;
  while (!raw.empty() && raw.back() == '\0') raw.pop_back();
  image = std::move(raw);
  return true;
}

}  // namespace

bool RemoteAttached() { return link_state() != 0; }

RemoteIdentity ReadIdentityOrFail() {
  if (!RemoteAttached()) Fail("the remote is not attached (no answer from it)");
  const std::string info = ReadBuffer(RBasicInfo, TOLVIO_BASIC_INFO_SIZE);
  if (info.size() != kBasicInfoChars) Fail("the remote does not give its basic information");
  return ReadRemoteIdentity(info);
}

RemoteSnapshot OpenRemote(bool for_writing) {
  RemoteSnapshot remote;
  remote.identity = ReadIdentityOrFail();
  remote.verdict = CheckRemote(remote.identity);
  if (for_writing && remote.verdict != Verdict::kAccepted) {
    Fail("the remote is refused (" + VerdictReason(remote.verdict) +
         "); nothing is written to it");
  }
  if (!ReadImageInto(remote.image)) Fail("the remote does not give its key table");
  std::string error;
  std::optional<KeyTable> table = ReadKeyTable(remote.image, &error);
  if (!table) {
    // A table this tool cannot read must not be rebuilt and written back:
    // that would destroy the codes in it.
    Fail("the remote's key table cannot be read: " + error);
  }
  remote.table = std::move(*table);
  std::optional<KeyStateList> states = ParseKeyStates(remote.image, &error);
  if (!states) Fail("the remote's key table cannot be read: " + error);
  remote.states = std::move(*states);
  return remote;
}

void WriteTableOnce(const RemoteSnapshot& before, const std::string& image) {
  if (!ImageFitsRemote(image)) {
    Fail("the new key table has " + std::to_string(image.size()) + " characters, the remote holds " +
         std::to_string(kRemoteImageChars) + "; nothing was written");
  }
  if (image.find('\0') != std::string::npos) Fail("the new key table holds a zero character; nothing was written");
  if (!RemoteAttached()) Fail("the remote was unplugged; nothing was written");
  const std::string info = ReadBuffer(RBasicInfo, TOLVIO_BASIC_INFO_SIZE);
  if (info.size() != kBasicInfoChars) Fail("the remote stopped answering; nothing was written");
  if (ReadRemoteIdentity(info).identity != before.identity.identity) {
    Fail("another remote is attached now (identity \"" +
         ShownIdentity(ReadRemoteIdentity(info).identity) + "\"); nothing was written");
  }
  std::string current;
  if (!ReadImageInto(current)) Fail("the remote stopped answering; nothing was written");
  if (current != before.image) {
    Fail("the remote's key table changed meanwhile; nothing was written (run the command again)");
  }

  if (WCodeTypeData(image.c_str()) == 0) {
    // The write may have failed before or after the remote stored it: say
    // which table it holds now, if it can still be read.
    std::string now;
    if (!ReadImageInto(now)) {
      Fail("the remote did not confirm the write and no longer answers; check its table with "
           "\"tvq31ctl remote keys\" once it is back");
    }
    if (now == before.image) Fail("the remote refused the write; its table is as it was");
    if (now == image) Fail("the remote did not confirm the write, but holds the new table");
    Fail("the remote refused the write and now holds another table");
  }
  std::string back;
  if (!ReadImageInto(back)) {
    Fail("the table was written, but the remote does not answer to have it read back");
  }
  if (back != image) Fail("the table read back differs from the table written");
}

bool AskYesNo(const std::string& question) {
  std::cerr << question << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) {
    std::cerr << '\n';
    return false;
  }
  while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back()))) answer.pop_back();
  for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return answer == "y" || answer == "yes";
}

}  // namespace tvq31::cli

namespace tvq31::cli {

std::string KeyLabel(int code) {
  const std::string hex = ByteHex(code);
  if (const KeySpec* key = FindKeyByCode(hex)) return std::string(key->path) + " (" + hex + ")";
  return "code " + hex;
}

ReceiveChain MakeReceiveChain(const std::string& library, const std::string& transfer) {
  ReceiveOptions options;
  options.library_path = library.empty() ? ExeDir() + kLibraryFileName : library;
  options.transfer_path = TransferLibraryPath(transfer);
  return ReceiveChain(std::move(options));
}

std::string RecordKind(const ReceiveResult& result) {
  if (result.source == ReceiveSource::kTransfer) return "raw";
  const std::string family = ProtocolFamily(result.style);
  return family.empty() ? result.style : family;
}

int RecordBytes(const std::string& record) {
  if (record.size() < 20) return 0;
  const auto head = ReadHexNumber(record.substr(12, 2));
  const auto data = ReadHexNumber(record.substr(18, 2));
  return head && data ? *head + *data : 0;
}

std::vector<NamedSignal> ReadCodeFileOrFail(const std::string& path, const std::string& format) {
  const std::string text = ReadTextInput(path);
  std::optional<ImportFormat> kind;
  if (format == "flipper") kind = ImportFormat::kFlipper;
  if (format == "pronto") kind = ImportFormat::kPronto;
  if (format == "mode2") kind = ImportFormat::kMode2;
  if (!kind) kind = GuessCodeFileFormat(text);
  if (!kind) Fail(path + ": not a Flipper .ir file, Pronto hex or LIRC mode2 text; give --format");
  std::string error;
  std::optional<std::vector<NamedSignal>> codes = ReadCodeFile(text, *kind, FileStem(path), &error);
  if (!codes) Fail(path + ": " + error);
  return std::move(*codes);
}

}  // namespace tvq31::cli
