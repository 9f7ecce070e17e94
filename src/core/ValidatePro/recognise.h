// The recognition driver: a learned-code text run against every code style
// of the library in file order; the first style whose expected signal the
// capture matches is encoded as a key record.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MrcDataUnit/codestyle.h"
#include "ValidatePro/context.h"

namespace tvq31 {

struct RecognitionResult {
  std::string record;  // the key record, empty when nothing matched
  std::string style;   // Name of the matching code style
  int index = -1;      // its position in the library, from 0
  std::string error;   // why the library could not be loaded, else empty
};

// True when the style can be tried at all: its counts fit the record's
// slots, every frame pattern it uses exists, and every data field it names
// is one of the four fields of its table. Styles that fail this are skipped.
bool StyleUsable(const CodeStyleNode& style);

// The template text of a style: its frame patterns joined by frame marks in
// sequence order, the repeating tail once more. Fills FieldLengthsA and
// FieldLengthsB. The style must be usable (StyleUsable).
std::string BuildTemplate(const CodeStyleNode& style, RecognitionContext& context);

// The frame loop: the capture frames (`frames`) against the template. The
// recognised text S, empty when the capture does not match; nullopt when a
// GroupValues entry the decoders needed was never set.
std::optional<std::string> RunFrameLoop(std::string_view template_text, std::string_view frames,
                                        const RecognitionContext& context);

struct PreparedStyle;

// A library made ready for many captures: every style's template, field
// lengths and group entries, and what its first frame pattern asks of a
// capture's first frame, worked out once.
class PreparedLibrary {
 public:
  PreparedLibrary();
  explicit PreparedLibrary(ArrCodeStyleNode styles);
  PreparedLibrary(PreparedLibrary&&) noexcept;
  PreparedLibrary& operator=(PreparedLibrary&&) noexcept;
  ~PreparedLibrary();

  const ArrCodeStyleNode& styles() const { return styles_; }

 private:
  friend class Recogniser;
  ArrCodeStyleNode styles_;
  std::vector<PreparedStyle> prepared_;
};

class Recogniser {
 public:
  RecognitionContext context;
  // With a prepared library, a style whose first frame pattern the capture's
  // first frame cannot fit (its header, or its timing where the frame has a
  // gap) is passed over without its frame loop; its writes to the context
  // still happen, so results and context are those of trying it. False:
  // every style runs its frame loop.
  bool prefilter = true;

  // `frames` is the learned-code text without its frame count and carrier
  // field. The library file is read afresh on every call.
  RecognitionResult RecogniseCapture(std::string_view frames, int key_code,
                                     const std::string& library_path);
  RecognitionResult RecogniseCapture(std::string_view frames, int key_code,
                                     const ArrCodeStyleNode& library);
  RecognitionResult RecogniseCapture(std::string_view frames, int key_code,
                                     const PreparedLibrary& library);
};

}  // namespace tvq31
