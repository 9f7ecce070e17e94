// The transfer library's input: the two lines the receive step hands over
// when no code style recognises a capture, and their reading inside the
// library.
//
//   "#99|" "01" key code                      CR LF
//   "0:" 按钮 "0:{X=310,Y=120}|" learned code  CR LF
//
// The two Chinese characters travel as their GBK bytes B0 B4 C5 A5; every
// other character is ASCII.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvq31 {

// "按钮" in GBK.
inline constexpr char kGbkButton[] = "\xB0\xB4\xC5\xA5";

// Drops a first frame that holds only a mark shorter than 30 us and its gap
// (a remote's wake-up flash, not part of the code) and lowers the frame
// count by one, as a number. The frames are found after the frame count and
// the carrier field, whatever their widths. A text that does not start with
// such a frame, or is no learned-code text, comes back unchanged.
std::string AdjustLearnedCodeForTransfer(std::string_view learned_code);

// The two-line input for key code `key_code` (0 to 255) and a learned-code
// text, adjusted with AdjustLearnedCodeForTransfer.
std::string BuildTransferInput(int key_code, std::string_view learned_code);

struct TransferInput {
  int key_code = 0;
  std::string learned_code;
};

// Reads a transfer input. The line ends may be CR LF or LF (the last one may
// be missing); the second line's caption up to its first "|" is not
// checked beyond its leading "0:". nullopt with a reason otherwise.
std::optional<TransferInput> ParseTransferInput(std::string_view input, std::string* error = nullptr);

// What the transfer library answers: the raw key record for the input's
// key and learned code, or the empty text (with a reason) for a malformed
// input or a signal too long for the record.
std::string TransferKeyRecord(std::string_view input, std::string* error = nullptr);

}  // namespace tvq31
