// tvq31ctl remote program: keys of one device programmed from a code file
// when the original remote is gone.
//   remote program [--device TV|DVD|CBL|AMP] [--map FILE] [--dry-run] [--yes] [--json] CODEFILE
// Button names find their keys through the name table (remote/buttonnames.h)
// or the map; each signal goes through the receive chain as a learned
// capture of a press held two seconds. The plan comes first, then the keys
// are stored one by one in a copy of the table, which is written once.
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "capture/capturewriter.h"
#include "cli.h"
#include "hextext/hextext.h"
#include "hextext/jsontext.h"
#include "remote/buttonnames.h"
#include "remote/tableview.h"
#include "remote_device.h"

namespace tvq31::cli {

namespace {

struct ProgramOptions {
  std::string device = "TV";
  std::string map_file, file, format, library, transfer;
  bool dry_run = false, yes = false, json = false;
};

// One code of the file and what becomes of it.
struct Step {
  std::string name;
  const KeySpec* key = nullptr;
  bool from_map = false;
  std::string record, kind;
  int bytes = 0;
  std::string replaces;  // "downloaded" or "learned" when the key had a code
  bool stored = false;
  std::string error;     // why it is not stored
};

struct Outcome {
  std::vector<Step> steps;             // matched codes, in file order
  std::vector<std::string> unmatched;  // names no key takes
  std::vector<std::string> left_out;   // names the map leaves out
  std::vector<std::string> duplicates; // "NAME (KEY already takes OTHER)"
  std::vector<int> partners_lost;
  size_t image_chars = 0;
  bool checked = false;  // against the remote's table
  bool fits = true;
  bool written = false;
};

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + JsonString(items[i]);
  return out + "]";
}

void PrintJson(const ProgramOptions& o, const Outcome& out) {
  std::cout << "{\"device\":" << JsonString(o.device) << ",\"keys\":[";
  for (size_t i = 0; i < out.steps.size(); ++i) {
    const Step& s = out.steps[i];
    std::cout << (i ? "," : "") << "{\"key\":" << JsonString(s.key->path)
              << ",\"code\":" << JsonString(s.key->code) << ",\"name\":" << JsonString(s.name)
              << ",\"kind\":" << JsonString(s.kind) << ",\"bytes\":" << s.bytes
              << ",\"replaces\":" << JsonString(s.replaces)
              << ",\"stored\":" << (s.stored ? "true" : "false")
              << ",\"error\":" << JsonString(s.error) << "}";
  }
  std::vector<std::string> lost;
  for (int code : out.partners_lost) lost.push_back(ByteHex(code));
  std::cout << "],\"unmatched\":" << JsonList(out.unmatched)
            << ",\"left_out\":" << JsonList(out.left_out)
            << ",\"duplicates\":" << JsonList(out.duplicates)
            << ",\"partners_lost\":" << JsonList(lost) << ",\"checked\":"
            << (out.checked ? "true" : "false") << ",\"fits\":" << (out.fits ? "true" : "false")
            << ",\"image_chars\":" << out.image_chars
            << ",\"written\":" << (out.written ? "true" : "false") << "}\n";
}

void Program(const ProgramOptions& o) {
  const std::optional<Device> device = ParseDevice(o.device);
  if (!device) UsageError("--device must be TV, DVD, CBL or AMP");
  std::vector<ButtonMapEntry> map;
  if (!o.map_file.empty()) {
    std::string error;
    std::optional<std::vector<ButtonMapEntry>> parsed =
        ParseButtonMap(ReadTextInput(o.map_file), *device, &error);
    if (!parsed) Fail(o.map_file + ": " + error);
    map = std::move(*parsed);
  }
  const std::vector<NamedSignal> codes = ReadCodeFileOrFail(o.file, o.format);
  // Human text goes to standard error when standard output carries JSON.
  std::ostream& say = o.json ? std::cerr : std::cout;

  Outcome out;
  std::map<const KeySpec*, std::string> taken;
  std::vector<const NamedSignal*> signals;
  for (const NamedSignal& code : codes) {
    const ButtonMatch match = MatchButton(code.name, *device, map);
    if (match.left_out) {
      out.left_out.push_back(code.name);
      continue;
    }
    if (!match.key) {
      out.unmatched.push_back(code.name);
      continue;
    }
    if (const auto t = taken.find(match.key); t != taken.end()) {
      out.duplicates.push_back(code.name + " (" + match.key->path + " takes " + t->second + ")");
      continue;
    }
    taken[match.key] = code.name;
    Step step;
    step.name = code.name;
    step.key = match.key;
    step.from_map = match.from_map;
    if (!code.signal) step.error = code.error;
    out.steps.push_back(std::move(step));
    signals.push_back(&code);
  }

  auto list = [&](const char* title, const std::vector<std::string>& items) {
    if (items.empty()) return;
    say << title << " (" << items.size() << "):";
    for (const std::string& item : items) say << ' ' << item << ';';
    say << '\n';
  };
  if (out.steps.empty()) {
    list("Unmatched names", out.unmatched);
    list("Left out by the map", out.left_out);
    if (o.json) PrintJson(o, out);
    Fail("no button name of " + o.file + " matches a key of " + DeviceName(*device) +
         "; nothing was written (see --map)");
  }

  // The remote: needed to write, and for a dry run when it is there.
  std::optional<RemoteSnapshot> remote;
  if (!o.dry_run || RemoteAttached()) remote = OpenRemote(!o.dry_run);
  out.checked = remote.has_value();

  say << "Plan for " << DeviceName(*device) << " from " << o.file << ":\n" << std::flush;
  ReceiveChain chain = MakeReceiveChain(o.library, o.transfer);
  for (size_t i = 0; i < out.steps.size(); ++i) {
    Step& step = out.steps[i];
    const int code = *ReadHexNumber(step.key->code);
    if (step.error.empty()) {
      const ReceiveResult result = chain.Receive(WriteCapture(*signals[i]->signal), code);
      if (result.ok()) {
        step.record = result.record;
        step.kind = RecordKind(result);
        step.bytes = RecordBytes(result.record);
      } else {
        step.error = result.error;
      }
    }
    if (remote) {
      for (const std::string& entry : remote->states.entries) {
        if (KeyStateList::EntryCode(entry) != step.key->code) continue;
        step.replaces = KeyStateList::EntryState(entry) == '1' ? "downloaded" : "learned";
      }
    }
    char line[160];
    std::snprintf(line, sizeof line, "  %-22s <- %-20s ", KeyLabel(code).c_str(),
                  (step.name + (step.from_map ? " (map)" : "")).c_str());
    say << line;
    if (step.error.empty()) {
      say << step.kind << ", " << step.bytes << " bytes";
      if (!step.replaces.empty()) say << ", replaces its " << step.replaces << " code";
    } else {
      say << "cannot be stored: " << step.error;
    }
    say << '\n' << std::flush;
  }
  list("Unmatched names", out.unmatched);
  list("Left out by the map", out.left_out);
  list("Names of keys already planned", out.duplicates);

  if (!remote) {
    say << "No remote attached: the plan is not checked against its table.\n"
        << "Dry run: nothing was written.\n";
    if (o.json) PrintJson(o, out);
    return;
  }

  // Stored one by one into a copy of the table.
  std::string image = remote->image;
  std::set<int> touched;
  size_t ready = 0, done = 0;
  for (const Step& step : out.steps) ready += step.error.empty() ? 1 : 0;
  for (Step& step : out.steps) {
    if (!step.error.empty()) continue;
    const int code = *ReadHexNumber(step.key->code);
    std::string error;
    std::optional<std::string> next = PutKeyRecord(image, step.record, &error);
    ++done;
    if (!next) {
      step.error = "the key table cannot take it: " + error;
      say << "[" << done << "/" << ready << "] " << KeyLabel(code) << ": " << step.error << '\n';
      continue;
    }
    image = std::move(*next);
    step.stored = true;
    touched.insert(code);
    say << "[" << done << "/" << ready << "] " << KeyLabel(code) << " stored\n";
  }
  out.image_chars = image.size();
  std::vector<std::string> not_stored;
  for (const Step& step : out.steps) {
    if (!step.stored) not_stored.push_back(step.name + " (" + step.error + ")");
  }
  list("Not stored", not_stored);
  if (std::optional<KeyTable> after = ReadKeyTable(image)) {
    for (const KeyChange& change : DiffTables(remote->table, *after)) {
      if (change.kind == KeyChange::kLost && !touched.count(change.code)) {
        out.partners_lost.push_back(change.code);
        say << "also removed: " << KeyLabel(change.code) << ", the other key of its pair\n";
      }
    }
  }
  out.fits = ImageFitsRemote(image);
  const size_t stored = touched.size();
  if (!out.fits) {
    if (o.json) PrintJson(o, out);
    Fail("the key table would have " + std::to_string(image.size() / 2) + " bytes, the remote holds " +
         std::to_string(kRemoteImageChars / 2) + "; nothing was written");
  }
  if (stored == 0) {
    if (o.json) PrintJson(o, out);
    Fail("no code could be stored; nothing was written");
  }
  say << "The table takes " << image.size() / 2 << " of " << kRemoteImageChars / 2 << " bytes.\n";
  if (o.dry_run) {
    say << "Dry run: nothing was written.\n";
    if (o.json) PrintJson(o, out);
    return;
  }
  say << std::flush;
  if (!o.yes && !AskYesNo("Write " + std::to_string(stored) + (stored == 1 ? " key" : " keys") +
                          " to the remote?")) {
    Fail("not confirmed; nothing was written");
  }
  WriteTableOnce(*remote, image);
  out.written = true;
  say << "Written: " << stored << (stored == 1 ? " key" : " keys") << "; read back and compared.\n";
  if (o.json) PrintJson(o, out);
}

}  // namespace

TVQ31_COMMAND(81) {
  CLI::App* remote = root.get_subcommand("remote");
  auto o = std::make_shared<ProgramOptions>();
  CLI::App* program = remote->add_subcommand(
      "program", "Program a device's keys from a Flipper .ir file, Pronto hex or LIRC mode2 text");
  program->add_option("--device", o->device, "TV, DVD, CBL or AMP (default TV)");
  program->add_option("--map", o->map_file, "Map file of NAME = KEY lines, over the name table");
  program->add_flag("--dry-run", o->dry_run, "Show the plan; write nothing");
  program->add_flag("--yes,-y", o->yes, "Do not ask before writing");
  program->add_flag("--json", o->json, "Print the outcome as one JSON object (the text goes to stderr)");
  program->add_option("--format", o->format, "flipper, pronto or mode2 (default: judged)")
      ->check(CLI::IsMember({"flipper", "pronto", "mode2"}));
  program->add_option("--library", o->library, "Code-style library (default: beside tvq31ctl)");
  program->add_option("--transfer", o->transfer, "Transfer library (default: beside tvq31ctl)");
  program->add_option("CODEFILE", o->file, "The code file")->required();
  program->callback([o] { Program(*o); });
}

}  // namespace tvq31::cli
