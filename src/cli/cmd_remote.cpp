// tvq31ctl remote: the attached remote itself, through libtolvio.so.
//   remote info [--json]                     link, identity, type, versions, accepted?
//   remote keys [--json]                     the 77 keys, their codes and the space left
//   remote backup FILE                       identity and key table into a checked file
//   remote restore FILE [--yes] [--other-remote] [--json]
//   remote learn KEY CODEFILE [--name NAME]  one key from a code file
//   remote delete KEY...                     learned codes of some keys
//   remote clear [--yes]                     every learned code
// (remote program lives in cmd_remote_program.cpp.)
// Every command that changes the table writes it once, after checking that
// the same remote still holds the table it started from, and reads it back.
#include <chrono>
#include <ctime>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "capture/capturewriter.h"
#include "cli.h"
#include "hextext/hextext.h"
#include "hextext/jsontext.h"
#include "keypad/keypad.h"
#include "remote/backupfile.h"
#include "remote/buttonnames.h"
#include "remote/tableview.h"
#include "remote_device.h"
#include "transmitter/transmitter.h"

namespace tvq31::cli {

namespace {

constexpr size_t kRemoteBytes = kRemoteImageChars / 2;

// Device text as people read it: printable ASCII as is, anything else
// escaped.
std::string Shown(std::string_view text) {
  const std::string quoted = QuoteText(text);
  return quoted.substr(1, quoted.size() - 2);
}

const char* StateName(char state) {
  switch (state) {
    case '1': return "downloaded";
    case '2':
    case '3': return "learned";
    default: return "none";
  }
}

char KeyState(const KeyStateList& states, std::string_view code) {
  for (const std::string& entry : states.entries) {
    if (KeyStateList::EntryCode(entry) == code) return KeyStateList::EntryState(entry);
  }
  return '\0';
}

std::string UtcNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  gmtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

// The family of a stored learned code: its playback is received the way a
// capture is, against the code-style library only.
std::string StoredFamily(ReceiveChain& chain, const KeyEntry& entry, int code) {
  const std::string record = KeyRecordOf(entry);
  const std::optional<KeyRecordParts> parts = ParseKeyRecordParts(record);
  if (parts && IsRawKeyRecord(*parts)) return "raw";
  const std::optional<Signal> signal = TransmitKeyRecord(record);
  if (!signal) return "";
  const ReceiveResult result = chain.Receive(WriteCapture(*signal), code);
  return result.source == ReceiveSource::kLibrary ? RecordKind(result) : "";
}

// What changes from one table to the other, key by key, then the pairs.
void PrintChanges(std::ostream& out, const KeyTable& before, const KeyTable& after) {
  for (const KeyChange& change : DiffTables(before, after)) {
    const char* kind = change.kind == KeyChange::kGained ? "gained "
                       : change.kind == KeyChange::kLost ? "lost   "
                                                          : "changed";
    out << "  " << kind << "  " << KeyLabel(change.code) << '\n';
  }
  const std::vector<std::string> old_pairs = PairTexts(before), new_pairs = PairTexts(after);
  if (old_pairs != new_pairs) {
    auto join = [](const std::vector<std::string>& v) {
      std::string s;
      for (const std::string& p : v) s += (s.empty() ? "" : " ") + p;
      return s.empty() ? std::string("none") : s;
    };
    out << "  pairs    " << join(old_pairs) << " -> " << join(new_pairs) << '\n';
  }
}

// Keys whose code went from the table with a key of their pair.
std::vector<int> PartnersLost(const KeyTable& before, const KeyTable& after,
                              const std::set<int>& touched) {
  std::vector<int> lost;
  for (const KeyChange& change : DiffTables(before, after)) {
    if (change.kind == KeyChange::kLost && !touched.count(change.code)) lost.push_back(change.code);
  }
  return lost;
}

KeyTable TableOrFail(const std::string& image, const std::string& what) {
  std::string error;
  std::optional<KeyTable> table = ReadKeyTable(image, &error);
  if (!table) Fail(what + " cannot be read: " + error);
  return std::move(*table);
}

std::string PutOrFail(const std::string& image, const std::string& record, int code) {
  std::string error;
  std::optional<std::string> next = PutKeyRecord(image, record, &error);
  if (!next) Fail("the key table cannot take " + KeyLabel(code) + ": " + error);
  return std::move(*next);
}

void Info(bool json) {
  if (!RemoteAttached()) {
    if (json) std::cout << "{\"link\":false}\n";
    else std::cout << "link: not attached\n";
    Fail("the remote is not attached (no answer from it)");
  }
  const RemoteIdentity id = ReadIdentityOrFail();
  const Verdict verdict = CheckRemote(id);
  if (json) {
    std::cout << "{\"link\":true,\"identity\":" << JsonString(ShownIdentity(id.identity))
              << ",\"type\":" << JsonString(id.type) << ",\"version1\":" << JsonString(id.version1)
              << ",\"version2\":" << JsonString(id.version2)
              << ",\"accepted\":" << (verdict == Verdict::kAccepted ? "true" : "false")
              << ",\"reason\":" << JsonString(VerdictReason(verdict)) << "}\n";
    return;
  }
  std::cout << "link: attached\n"
            << "identity: " << Shown(ShownIdentity(id.identity)) << '\n'
            << "type: " << Shown(id.type) << '\n'
            << "versions: " << Shown(id.version1) << ' ' << Shown(id.version2) << '\n'
            << "accepted: "
            << (verdict == Verdict::kAccepted ? std::string("yes")
                                              : "no (" + VerdictReason(verdict) + ")")
            << '\n';
}

void Keys(bool json, const std::string& library) {
  const RemoteSnapshot remote = OpenRemote(false);
  const std::map<int, KeyEntry> entries = EntriesByCode(remote.table);
  ReceiveChain chain = MakeReceiveChain(library, "");
  struct Row {
    std::string path, code, state, pair, family;
    int bytes = 0;
  };
  std::vector<Row> rows;
  std::set<int> on_pad;
  for (const KeySpec& key : kKeyPad) {
    const int code = *ReadHexNumber(key.code);
    on_pad.insert(code);
    Row row{key.path, key.code, StateName(KeyState(remote.states, key.code)),
            PairPartner(remote.table, key.code), "", 0};
    if (const auto e = entries.find(code); e != entries.end()) {
      row.bytes = e->second.head_len + e->second.data_len;
      if (row.state == std::string("learned")) row.family = StoredFamily(chain, e->second, code);
    }
    rows.push_back(std::move(row));
  }
  // Codes the table holds for slots no key of the key pad uses.
  for (const auto& [code, entry] : entries) {
    if (on_pad.count(code)) continue;
    const bool learned = (ReadHexNumber(entry.key_type).value_or(0) & kLearnedTypeBit) != 0;
    rows.push_back({"", ByteHex(code), learned ? "learned" : "downloaded",
                    PairPartner(remote.table, entry.key_code), "", entry.head_len + entry.data_len});
  }
  const size_t used = remote.image.size() / 2;
  const size_t left = used > kRemoteBytes ? 0 : kRemoteBytes - used;
  if (json) {
    std::cout << "{\"keys\":[";
    for (size_t i = 0; i < rows.size(); ++i) {
      const Row& r = rows[i];
      std::cout << (i ? "," : "") << "{\"key\":" << JsonString(r.path)
                << ",\"code\":" << JsonString(r.code) << ",\"state\":" << JsonString(r.state)
                << ",\"pair\":" << JsonString(r.pair) << ",\"bytes\":" << r.bytes
                << ",\"family\":" << JsonString(r.family) << "}";
    }
    std::cout << "],\"used_bytes\":" << used << ",\"free_bytes\":" << left
              << ",\"capacity_bytes\":" << kRemoteBytes << "}\n";
    return;
  }
  std::printf("%-18s %-4s %-10s %-4s %5s  %s\n", "KEY", "CODE", "STATE", "PAIR", "BYTES", "FAMILY");
  for (const Row& r : rows) {
    std::printf("%-18s %-4s %-10s %-4s %5s  %s\n", r.path.empty() ? "(no key)" : r.path.c_str(),
                r.code.c_str(), r.state.c_str(), r.pair.c_str(),
                r.bytes ? std::to_string(r.bytes).c_str() : "", r.family.c_str());
  }
  std::printf("space: %zu of %zu bytes used, %zu left\n", used, kRemoteBytes, left);
}

void Backup(const std::string& path) {
  const RemoteSnapshot remote = OpenRemote(false);
  if (!IsHexText(remote.image)) {
    Fail("the remote's key table holds characters that are not hexadecimal digits; no backup written");
  }
  RemoteBackup backup;
  backup.identity = remote.identity.identity;
  backup.version1 = remote.identity.version1;
  backup.version2 = remote.identity.version2;
  backup.type = remote.identity.type;
  backup.image = remote.image;
  backup.written = UtcNow();
  int downloaded = 0, learned = 0;
  std::string listing;
  for (const auto& [code, entry] : EntriesByCode(remote.table)) {
    const bool is_learned = (ReadHexNumber(entry.key_type).value_or(0) & kLearnedTypeBit) != 0;
    (is_learned ? learned : downloaded)++;
    listing += KeyLabel(code) + (is_learned ? " learned\n" : " downloaded\n");
  }
  backup.comment = std::to_string(downloaded + learned) + " keys with a code (" +
                   std::to_string(downloaded) + " downloaded, " + std::to_string(learned) +
                   " learned):\n" + listing;
  std::string error;
  if (!WriteFileDurably(path, FormatBackup(backup), &error)) Fail(error);
  std::cout << "Backed up the remote \"" << Shown(ShownIdentity(backup.identity)) << "\": "
            << downloaded + learned << " keys with a code (" << downloaded << " downloaded, "
            << learned << " learned), " << backup.image.size() << " characters of key table, to "
            << path << '\n';
}

void Restore(const std::string& path, bool yes, bool other_remote, bool json) {
  std::string error;
  const std::optional<RemoteBackup> backup = ParseBackup(ReadBinaryInput(path), &error);
  if (!backup) Fail(path + ": " + error);
  const KeyTable wanted = TableOrFail(backup->image, path + ": the backup's key table");
  if (!ImageFitsRemote(backup->image)) {
    Fail(path + ": the backup's key table is longer than the remote holds");
  }
  const RemoteSnapshot remote = OpenRemote(true);
  const bool same_remote = remote.identity.identity == backup->identity;
  if (!same_remote && !other_remote) {
    Fail(path + " was made on another remote (\"" + Shown(ShownIdentity(backup->identity)) +
         "\", this one is \"" + Shown(ShownIdentity(remote.identity.identity)) +
         "\"); give --other-remote to restore it here");
  }
  // Human text goes to standard error when standard output carries JSON.
  std::ostream& say = json ? std::cerr : std::cout;
  say << "Restoring " << path << " (made " << (backup->written.empty() ? "?" : backup->written)
            << " on \"" << Shown(ShownIdentity(backup->identity)) << "\") onto \""
            << Shown(ShownIdentity(remote.identity.identity)) << "\"\n";
  if (backup->type != remote.identity.type || backup->version1 != remote.identity.version1 ||
      backup->version2 != remote.identity.version2) {
    say << "note: the backup was made with type " << Shown(backup->type) << " and versions "
              << Shown(backup->version1) << ' ' << Shown(backup->version2) << "; the remote has "
              << Shown(remote.identity.type) << ", " << Shown(remote.identity.version1) << ' '
              << Shown(remote.identity.version2) << '\n';
  }
  const std::vector<KeyChange> changes = DiffTables(remote.table, wanted);
  auto print_json = [&](bool written) {
    if (!json) return;
    std::cout << "{\"same_remote\":" << (same_remote ? "true" : "false") << ",\"changes\":[";
    for (size_t i = 0; i < changes.size(); ++i) {
      const KeyChange& c = changes[i];
      std::cout << (i ? "," : "") << "{\"code\":" << JsonString(ByteHex(c.code))
                << ",\"key\":" << JsonString(KeyLabel(c.code)) << ",\"change\":"
                << JsonString(c.kind == KeyChange::kGained ? "gained"
                              : c.kind == KeyChange::kLost ? "lost"
                                                           : "changed")
                << "}";
    }
    std::cout << "],\"pairs_change\":"
              << (PairTexts(remote.table) != PairTexts(wanted) ? "true" : "false")
              << ",\"already_held\":" << (backup->image == remote.image ? "true" : "false")
              << ",\"written\":" << (written ? "true" : "false") << "}\n";
  };
  if (backup->image == remote.image) {
    say << "The remote already holds this table; nothing to write.\n";
    print_json(false);
    return;
  }
  PrintChanges(say, remote.table, wanted);
  if (changes.empty()) say << "No key changes; the table's layout differs.\n";
  else say << changes.size() << (changes.size() == 1 ? " key changes.\n" : " keys change.\n");
  say << std::flush;
  if (!yes && !AskYesNo("Write this table to the remote?")) {
    print_json(false);
    Fail("not confirmed; nothing was written");
  }
  WriteTableOnce(remote, backup->image);
  say << "Restored: the remote holds the backup's table (read back and compared).\n";
  print_json(true);
}

const KeySpec* KeyOrFail(const std::string& text) {
  std::string error;
  const KeySpec* key = FindKeyByName(text, std::nullopt, &error);
  if (!key) Fail(error);
  return key;
}

struct LearnOptions {
  std::string key, file, name, format, library, transfer;
};

void Learn(const LearnOptions& o) {
  const KeySpec* key = KeyOrFail(o.key);
  const int code = *ReadHexNumber(key->code);
  const std::vector<NamedSignal> codes = ReadCodeFileOrFail(o.file, o.format);
  const NamedSignal* chosen = nullptr;
  if (!o.name.empty()) {
    for (const NamedSignal& c : codes) {
      if (c.name == o.name) { chosen = &c; break; }
    }
    // Then the way button names are matched: any case, any separators.
    for (const NamedSignal& c : codes) {
      if (chosen) break;
      if (NormalizeButtonName(c.name) == NormalizeButtonName(o.name)) chosen = &c;
    }
    if (!chosen) Fail(o.file + ": no code named \"" + o.name + "\"");
  } else if (codes.size() == 1) {
    chosen = &codes.front();
  } else {
    std::string names;
    for (size_t i = 0; i < codes.size() && i < 8; ++i) names += (i ? ", " : "") + codes[i].name;
    Fail(o.file + " holds " + std::to_string(codes.size()) + " codes; name one with --name (" +
         names + (codes.size() > 8 ? ", ..." : "") + ")");
  }
  if (!chosen->signal) Fail(o.file + ": \"" + chosen->name + "\": " + chosen->error);

  const RemoteSnapshot remote = OpenRemote(true);
  ReceiveChain chain = MakeReceiveChain(o.library, o.transfer);
  const ReceiveResult result = chain.Receive(WriteCapture(*chosen->signal), code);
  if (!result.ok()) Fail("\"" + chosen->name + "\" cannot be stored: " + result.error);
  const std::string image = PutOrFail(remote.image, result.record, code);
  if (!ImageFitsRemote(image)) {
    Fail("the key table would have " + std::to_string(image.size()) + " characters, the remote holds " +
         std::to_string(kRemoteImageChars) + "; nothing was written");
  }
  const KeyTable after = TableOrFail(image, "the new key table");
  const char prior = KeyState(remote.states, key->code);
  std::cout << KeyLabel(code) << " <- " << chosen->name << ": " << RecordKind(result) << ", "
            << RecordBytes(result.record) << " bytes";
  if (prior) std::cout << " (replaces its " << StateName(prior) << " code)";
  std::cout << '\n';
  for (int lost : PartnersLost(remote.table, after, {code})) {
    std::cout << "also removed: " << KeyLabel(lost) << ", the other key of its pair\n";
  }
  std::cout << std::flush;
  WriteTableOnce(remote, image);
  std::cout << "Written and read back.\n";
}

void Delete(const std::vector<std::string>& names) {
  const RemoteSnapshot remote = OpenRemote(true);
  std::vector<const KeySpec*> keys;
  std::set<int> touched;
  // Every key is checked before anything changes: one key that cannot be
  // deleted leaves the whole table as it is.
  for (const std::string& name : names) {
    const KeySpec* key = KeyOrFail(name);
    const int code = *ReadHexNumber(key->code);
    const char state = KeyState(remote.states, key->code);
    if (state == '\0') Fail(KeyLabel(code) + " has no learned code to delete; nothing was written");
    if (state == '1') {
      Fail(KeyLabel(code) + " has a downloaded code; only learned codes are deleted; nothing was written");
    }
    if (touched.insert(code).second) keys.push_back(key);
  }
  std::string image = remote.image;
  for (const KeySpec* key : keys) {
    image = PutOrFail(image, OneKeyDeletionRecord(key->code), *ReadHexNumber(key->code));
  }
  const KeyTable after = TableOrFail(image, "the new key table");
  for (const KeySpec* key : keys) {
    std::cout << "delete: " << KeyLabel(*ReadHexNumber(key->code)) << '\n';
  }
  for (int lost : PartnersLost(remote.table, after, touched)) {
    std::cout << "also removed: " << KeyLabel(lost) << ", the other key of its pair\n";
  }
  std::cout << std::flush;
  WriteTableOnce(remote, image);
  std::cout << "Deleted " << keys.size() << (keys.size() == 1 ? " learned code" : " learned codes")
            << "; written and read back.\n";
}

void Clear(bool yes) {
  const RemoteSnapshot remote = OpenRemote(true);
  std::vector<std::string> learned;
  for (const std::string& entry : remote.states.entries) {
    const char state = KeyStateList::EntryState(entry);
    if (state == '2' || state == '3') learned.emplace_back(KeyStateList::EntryCode(entry));
  }
  if (learned.empty()) {
    std::cout << "No code can be deleted: the remote holds no learned code.\n";
    return;
  }
  std::string image = remote.image;
  std::set<int> touched;
  for (const std::string& code : learned) {
    const int value = *ReadHexNumber(code);
    touched.insert(value);
    image = PutOrFail(image, ClearAllDeletionRecord(code), value);
  }
  const KeyTable after = TableOrFail(image, "the new key table");
  std::cout << "Clearing " << learned.size() << (learned.size() == 1 ? " learned code:\n" : " learned codes:\n");
  PrintChanges(std::cout, remote.table, after);
  std::cout << std::flush;
  if (!yes && !AskYesNo("Clear all the learned codes?")) Fail("not confirmed; nothing was written");
  WriteTableOnce(remote, image);
  std::cout << "Cleared; written and read back. Downloaded codes stay.\n";
}

}  // namespace

TVQ31_COMMAND(80) {
  CLI::App* remote = root.add_subcommand(
      "remote", "The attached remote through libtolvio.so: look, back up, restore, program");
  remote->require_subcommand(1);

  auto info_json = std::make_shared<bool>(false);
  CLI::App* info = remote->add_subcommand(
      "info", "Link state, identity, type code, version pairs, and whether the app accepts it");
  info->add_flag("--json", *info_json, "Print one JSON object");
  info->callback([info_json] { Info(*info_json); });

  struct KeysOptions {
    bool json = false;
    std::string library;
  };
  auto keys_opt = std::make_shared<KeysOptions>();
  CLI::App* keys = remote->add_subcommand(
      "keys", "The 77 keys: names, codes, states, pairs, sizes, families; the space left");
  keys->add_flag("--json", keys_opt->json, "Print one JSON object");
  keys->add_option("--library", keys_opt->library,
                   "Code-style library for the families (default: QD01.csl beside tvq31ctl)");
  keys->callback([keys_opt] { Keys(keys_opt->json, keys_opt->library); });

  auto backup_file = std::make_shared<std::string>();
  CLI::App* backup = remote->add_subcommand(
      "backup", "Write the remote's identity and whole key table to a checked text file");
  backup->add_option("FILE", *backup_file, "The backup file to write")->required();
  backup->callback([backup_file] { Backup(*backup_file); });

  struct RestoreOptions {
    std::string file;
    bool yes = false, other_remote = false, json = false;
  };
  auto restore_opt = std::make_shared<RestoreOptions>();
  CLI::App* restore = remote->add_subcommand(
      "restore", "Write a backup's key table back, after showing what changes");
  restore->add_option("FILE", restore_opt->file, "A file written by remote backup")->required();
  restore->add_flag("--yes,-y", restore_opt->yes, "Do not ask before writing");
  restore->add_flag("--other-remote", restore_opt->other_remote,
                    "Restore a backup made on another remote");
  restore->add_flag("--json", restore_opt->json,
                    "Print the changes and the outcome as one JSON object (the text goes to stderr)");
  restore->callback([restore_opt] {
    Restore(restore_opt->file, restore_opt->yes, restore_opt->other_remote, restore_opt->json);
  });

  auto learn_opt = std::make_shared<LearnOptions>();
  CLI::App* learn = remote->add_subcommand(
      "learn", "Store one code of a code file on a key, as if it had been learned");
  learn->add_option("KEY", learn_opt->key, "Key code (1A) or key name (TV/Vol+)")->required();
  learn->add_option("CODEFILE", learn_opt->file, "Flipper .ir file, Pronto hex or LIRC mode2 text")
      ->required();
  learn->add_option("--name", learn_opt->name, "The code of that name in the file");
  learn->add_option("--format", learn_opt->format, "flipper, pronto or mode2 (default: judged)")
      ->check(CLI::IsMember({"flipper", "pronto", "mode2"}));
  learn->add_option("--library", learn_opt->library, "Code-style library (default: beside tvq31ctl)");
  learn->add_option("--transfer", learn_opt->transfer, "Transfer library (default: beside tvq31ctl)");
  learn->callback([learn_opt] { Learn(*learn_opt); });

  auto delete_keys = std::make_shared<std::vector<std::string>>();
  CLI::App* del = remote->add_subcommand("delete", "Delete the learned codes of keys");
  del->add_option("KEY", *delete_keys, "Key codes (1A) or key names (TV/Vol+)")->required();
  del->callback([delete_keys] { Delete(*delete_keys); });

  auto clear_yes = std::make_shared<bool>(false);
  CLI::App* clear = remote->add_subcommand("clear", "Delete every learned code; downloaded codes stay");
  clear->add_flag("--yes,-y", *clear_yes, "Do not ask before writing");
  clear->callback([clear_yes] { Clear(*clear_yes); });
}

}  // namespace tvq31::cli
