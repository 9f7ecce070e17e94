// Every real recording of the corpus that a shipped code style recognises,
// as a tap and as a held press, must play back as the same key to our own
// decoders: a style that takes a recording and sends something else would
// teach the remote a wrong key.
#include <gtest/gtest.h>

#include <filesystem>

#include "receive/evaluate.h"

namespace tvq31 {
namespace {

TEST(CorpusPlayback, RecognisedRecordingsPlayBackAsTheOriginal) {
  const std::string corpus = std::string(TVQ31_CORPUS_DIR) + "/flipper-irdb";
  if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus";
  EvalInputs in = CollectEvalCases({corpus});
  std::erase_if(in.cases, [](const EvalCase& c) { return c.parsed; });
  ASSERT_GT(in.cases.size(), 1000u);
  EvalOptions options;
  options.library_path = std::string(TVQ31_BIN_DIR) + "/QD01.csl";
  options.keep_outcomes = true;
  const EvalReport report = Evaluate(in.cases, options);
  ASSERT_TRUE(report.library_error.empty()) << report.library_error;

  size_t recognised = 0;
  std::vector<std::string> failures;
  for (const EvalOutcome& o : report.outcomes) {
    if (!o.recognised) continue;
    ++recognised;
    if (o.as_original.value_or(false)) continue;
    const EvalCase& c = in.cases[o.case_index];
    std::string line = c.file.substr(corpus.size() + 1) + " \"" + c.name + "\" (" +
                       EvalFormName(o.form) + ", " + o.family + ") by style \"" + o.style + "\": ";
    line += o.as_original ? o.why : "our decoders do not read the recording";
    failures.push_back(std::move(line));
  }
  EXPECT_GT(recognised, 0u);
  std::string listed;
  for (size_t i = 0; i < failures.size() && i < 40; ++i) listed += "  " + failures[i] + "\n";
  EXPECT_TRUE(failures.empty()) << failures.size() << " of " << recognised
                                << " recognised recordings do not play back as the original:\n"
                                << listed;
}

}  // namespace
}  // namespace tvq31
