// tvq31ctl evaluate: signals of .ir files learned through the receive step
// and played back, one table row per protocol (parsed entries) and per
// decoded family and form (recordings as taps and as held presses).
//   evaluate [--library FILE] [--transfer LIB] [--json] [--chain] [--seed N] PATH...
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "MrcDataUnit/codestyle.h"
#include "cli.h"
#include "receive/evaluate.h"

namespace tvq31::cli {

std::string TransferLibraryPath(const std::string& given);  // cmd_learn.cpp

TVQ31_COMMAND(80) {
  struct Options {
    std::vector<std::string> paths;
    std::string library;
    std::string transfer;
    bool json = false;
    bool chain = false;
    uint64_t seed = 1;
  };
  auto opt = std::make_shared<Options>();
  CLI::App* cmd = root.add_subcommand(
      "evaluate",
      "Learn every signal of .ir files (parsed entries through a distorting receiver, recordings "
      "as taps and as held presses), play the key records back and decode them: a table per "
      "protocol and per family our decoders read");
  cmd->add_option("--library", opt->library, "Code-style library (default: QD01.csl beside tvq31ctl)");
  cmd->add_option("--transfer", opt->transfer,
                  "Transfer library for --chain (default: libtransfercode.so beside tvq31ctl)");
  cmd->add_flag("--json", opt->json, "Print the table as one JSON object");
  cmd->add_flag("--chain", opt->chain,
                "Run the whole receive step: unrecognised signals go to the transfer library");
  cmd->add_option("--seed", opt->seed, "Seed of the receiver distortion (same seed, same table)");
  cmd->add_option("PATH", opt->paths, ".ir files or folders of them (searched recursively)")
      ->required();
  cmd->callback([opt] {
    EvalInputs inputs = CollectEvalCases(opt->paths);
    if (inputs.cases.empty()) {
      Fail(inputs.problems.empty() ? "no signals to evaluate"
                                   : "no signals to evaluate; " + inputs.problems.front());
    }
    EvalOptions options;
    options.library_path = opt->library.empty() ? ExeDir() + kLibraryFileName : opt->library;
    options.transfer_path = TransferLibraryPath(opt->transfer);
    options.chain = opt->chain;
    options.seed = opt->seed;
    EvalReport report = Evaluate(inputs.cases, options);
    // Without the transfer library nothing can be learned when the code
    // styles cannot be read; say so rather than print a table of zeros.
    if (!report.library_error.empty() && !opt->chain) Fail(report.library_error);
    report.problems = std::move(inputs.problems);
    std::cout << (opt->json ? FormatEvalJson(report) : FormatEvalTable(report));
  });
}

}  // namespace tvq31::cli
