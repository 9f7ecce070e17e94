// tvq31ctl table: the key table image on the command line.
//   table states [FILE]              image -> key state list, one entry a line
//   table put IMAGE_FILE RECORD_FILE  image + key record -> rebuilt image
#include <iostream>
#include <memory>
#include <string>

#include "cli.h"
#include "keytable/keytable.h"

namespace tvq31::cli {

TVQ31_COMMAND(20) {
  CLI::App* table = root.add_subcommand("table", "Key table image operations");
  table->require_subcommand(1);

  auto states_file = std::make_shared<std::string>();
  CLI::App* states =
      table->add_subcommand("states", "Print the key state list of a key table image");
  states->add_option("FILE", *states_file, "Key table image (default: standard input)");
  states->callback([states_file] {
    std::string error;
    const auto list = ParseKeyStates(ReadTextInput(*states_file), &error);
    if (!list) Fail(error);
    for (const std::string& entry : list->entries) std::cout << entry << '\n';
  });

  auto image_file = std::make_shared<std::string>();
  auto record_file = std::make_shared<std::string>();
  CLI::App* put = table->add_subcommand(
      "put", "Store a key record in a key table image and print the rebuilt image");
  put->add_option("IMAGE_FILE", *image_file, "Key table image (\"-\": standard input)")
      ->required();
  put->add_option("RECORD_FILE", *record_file, "Key record (\"-\": standard input)")
      ->required();
  put->callback([image_file, record_file] {
    const bool image_stdin = image_file->empty() || *image_file == "-";
    const bool record_stdin = record_file->empty() || *record_file == "-";
    if (image_stdin && record_stdin) UsageError("only one input can come from standard input");
    const std::string image = ReadTextInput(*image_file);
    const std::string record = ReadTextInput(*record_file);
    std::string error;
    const auto rebuilt = PutKeyRecord(image, record, &error);
    if (!rebuilt) Fail(error);
    std::cout << *rebuilt << '\n';
    if (!ImageFitsRemote(*rebuilt)) {
      std::cerr << "tvq31ctl: warning: the rebuilt image has " << rebuilt->size()
                << " characters; the remote holds " << kRemoteImageChars << "\n";
    }
  });
}

}  // namespace tvq31::cli
