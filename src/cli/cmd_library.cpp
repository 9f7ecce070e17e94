// tvq31ctl library: the code-style library file and its source form.
//   library build PATH... -o FILE    compile style sources (directories: their
//                                    *.style files in file-name order)
//   library dump FILE [--split DIR]  print every record as source, or write
//                                    one source file per record into DIR
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "MrcDataUnit/codestyle.h"
#include "MrcDataUnit/stylesource.h"
#include "cli.h"

namespace tvq31::cli {

namespace {

// Writes beside the target and renames, so a build that fails half-way never
// leaves a cut library where the recogniser would read it.
void WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string tmp = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) Fail(tmp + ": cannot create");
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ec;
      std::filesystem::remove(tmp, ec);
      Fail(tmp + ": write error");
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  if (ec) {
    std::filesystem::remove(tmp, ec);
    Fail(path + ": " + ec.message());
  }
}

}  // namespace

TVQ31_COMMAND(50) {
  CLI::App* library = root.add_subcommand("library", "Build or dump the code-style library file");
  library->require_subcommand(1);

  auto sources = std::make_shared<std::vector<std::string>>();
  auto output = std::make_shared<std::string>();
  CLI::App* build = library->add_subcommand(
      "build", "Compile code-style sources into a library file");
  build->add_option("PATH", *sources,
                    "Style source directories (their *.style files in file-name order) or files")
      ->required();
  build->add_option("-o,--output", *output, "Library file to write")->required();
  build->callback([sources, output] {
    ArrCodeStyleNode nodes;
    std::string error;
    if (!CompileStyleSources(*sources, nodes, &error)) Fail(error);
    WriteFileAtomically(*output, WriteCodeStyleBytes(nodes));
  });

  auto file = std::make_shared<std::string>();
  auto split = std::make_shared<std::string>();
  CLI::App* dump = library->add_subcommand(
      "dump", "Print every record of a library file in source form");
  dump->add_option("FILE", *file, "Library file")->required();
  dump->add_option("--split", *split,
                   "Write one source file per record into this directory instead");
  dump->callback([file, split] {
    ArrCodeStyleNode nodes;
    std::string error;
    if (!LoadCodeStyleFile(*file, nodes, &error)) Fail(error);
    if (split->empty()) {
      std::cout << FormatLibrarySource(nodes);
      return;
    }
    std::error_code ec;
    std::filesystem::create_directories(*split, ec);
    if (ec) Fail(*split + ": " + ec.message());
    for (size_t i = 0; i < nodes.size(); ++i) {
      const std::string path =
          (std::filesystem::path(*split) / StyleFileName(i, nodes.size(), nodes[i])).string();
      WriteFileAtomically(path, FormatStyleSource(nodes[i]));
    }
  });
}

}  // namespace tvq31::cli
