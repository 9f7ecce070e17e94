#include "ValidatePro/recognise.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "MrcDataUnit/timing.h"
#include "ValidatePro/framematch.h"
#include "ValidatePro/internal.h"
#include "ValidatePro/keyrecord.h"
#include "hextext/hextext.h"

namespace tvq31 {

namespace {

constexpr int32_t kPatternDivisor = 1048576;  // pattern number above the mark time

int32_t EntryPattern(uint32_t entry, const CodeStyleNode& style) {
  return ElementValue(entry, style) / kPatternDivisor;
}

// Field numbers are 0 to 3 in either table. The template looks references
// up by V mod 16, the encoder every field by V div 16; both must name a
// field.
bool FieldsUsable(const FramePattern& pattern, const CodeStyleNode& style) {
  if (pattern.Count > kMaxFrameElements) return false;
  for (int i = 0; i < pattern.Count; ++i) {
    const uint32_t e = pattern.Elements[static_cast<size_t>(i)];
    if (IsConstantField(e) || IsFreeSymbolElement(e) || IsDurationElement(e)) continue;
    const int32_t v = ElementValue(e, style);
    if (v < 0 || v / 16 >= 4) return false;
    const bool definition = IsFirstTableDefinition(e) || IsSecondTableDefinition(e);
    if (!definition && v % 16 >= 4) return false;
  }
  return true;
}

void AppendMark(std::string& out, uint32_t entry, const CodeStyleNode& style) {
  const int32_t v = ElementValue(entry, style);
  out.push_back(IsPeriodEntry(entry) ? 'h' : 't');
  out += WriteHex((v % kPatternDivisor) / 100, 4);
}

}  // namespace

bool StyleUsable(const CodeStyleNode& style) {
  if (!CountsWithinLimits(style)) return false;
  // The closing block is the last frame pattern: there must be one.
  if (style.TrailerCount > 0 && style.FrameCount == 0) return false;
  for (int k = 0; k < style.FrameCount; ++k) {
    if (!FieldsUsable(style.Frames[static_cast<size_t>(k)], style)) return false;
  }
  for (int j = 0; j < style.SequenceCount; ++j) {
    const int32_t p = EntryPattern(style.Sequence[static_cast<size_t>(j)], style);
    if (p < 0 || p >= kMaxFrames) return false;
    if (!FieldsUsable(style.Frames[static_cast<size_t>(p)], style)) return false;
  }
  return true;
}

std::string BuildTemplate(const CodeStyleNode& style, RecognitionContext& context) {
  context.FieldLengthsA.fill(0);
  context.FieldLengthsB.fill(0);
  std::array<std::string, kMaxFrames> patterns;
  const int frames = std::min<int>(style.FrameCount, kMaxFrames);
  // A field number outside the table (only in unusable styles) counts as no
  // symbols rather than reaching past the table.
  auto length = [](const std::array<int32_t, 4>& table, int32_t field) {
    return field >= 0 && field < 4 ? table[static_cast<size_t>(field)] : 0;
  };
  auto define = [](std::array<int32_t, 4>& table, int32_t field, int32_t len) {
    if (field >= 0 && field < 4) table[static_cast<size_t>(field)] = len;
  };
  for (int k = 0; k < frames; ++k) {
    const FramePattern& pattern = style.Frames[static_cast<size_t>(k)];
    std::string& text = patterns[static_cast<size_t>(k)];
    const int count = std::min<int>(pattern.Count, kMaxFrameElements);
    for (int i = 0; i < count; ++i) {
      const uint32_t e = pattern.Elements[static_cast<size_t>(i)];
      const int32_t v = ElementValue(e, style);
      if (IsConstantField(e)) {
        if (v > 65535) text.append(static_cast<size_t>(v / 65536), 'u');
      } else if (IsFreeSymbolElement(e)) {
        if (style.FreeSymbolMode == 1) {
          text += "u";
        } else if (style.FreeSymbolMode >= 2 && style.FreeSymbolMode <= 4) {
          text += "uu";
        }
      } else if (IsDurationElement(e)) {
        const int64_t magnitude = v < 0 ? -static_cast<int64_t>(v) : v;
        text += WriteHex(magnitude / 100, 4);
      } else if (IsFirstTableField(e)) {
        if (IsFirstTableDefinition(e)) {
          define(context.FieldLengthsA, v / 16, v % 16);
          text.append(static_cast<size_t>(v % 16), 'u');
        } else {
          text.append(static_cast<size_t>(std::max(0, length(context.FieldLengthsA, v % 16))), 'u');
        }
      } else if (IsSecondTableDefinition(e)) {
        define(context.FieldLengthsB, v / 16, v % 16);
        text.append(static_cast<size_t>(std::max(0, v % 16)), 'u');
      } else {
        text.append(static_cast<size_t>(std::max(0, length(context.FieldLengthsB, v % 16))), 'u');
      }
    }
  }
  auto pattern_text = [&](uint32_t entry) -> const std::string& {
    static const std::string kNone;
    const int32_t p = EntryPattern(entry, style);
    return p >= 0 && p < kMaxFrames ? patterns[static_cast<size_t>(p)] : kNone;
  };
  std::string out = patterns[0];
  const int sequence = std::min<int>(style.SequenceCount, kMaxSequence);
  for (int j = 1; j < sequence; ++j) {
    const uint32_t entry = style.Sequence[static_cast<size_t>(j)];
    AppendMark(out, entry, style);
    out += pattern_text(entry);
  }
  // The repeating tail follows once more, in order.
  for (int r = std::min<int>(style.RepeatCount, sequence); r >= 1; --r) {
    const uint32_t entry = style.Sequence[static_cast<size_t>(sequence - r)];
    AppendMark(out, entry, style);
    out += pattern_text(entry);
  }
  return out;
}

namespace {

// Positions of the frame ends ("EDED" items) of a learned-code text,
// counted in whole items from its start.
std::vector<size_t> FrameEnds(std::string_view frames) {
  std::vector<size_t> ends;
  for (size_t from = 0;;) {
    const size_t at = FindItem(frames.substr(from), "EDED");
    if (at == std::string_view::npos) return ends;
    ends.push_back(from + at);
    from += at + 4;
  }
}

// Scans the next frame pattern out of `m` into the pattern text `o` and its
// header `hd`: the run of literals before the first symbol, at most twenty
// of them. True when a frame mark follows (left at the head of `m`); false
// when the template ran out.
bool ScanPattern(std::string_view& m, std::string& o, std::string& hd) {
  o.clear();
  hd.clear();
  int n = 0;
  while (!m.empty()) {
    const char ch = m.front();
    if (IsSymbolLetter(ch)) {
      o.push_back(ch);
      m.remove_prefix(1);
      n = 20;
    } else if (ch == 'h' || ch == 't') {
      return true;
    } else {
      const std::string_view literal = m.substr(0, 4);
      o += literal;
      if (n <= 19) {
        hd += literal;
        ++n;
      }
      m.remove_prefix(literal.size());
    }
  }
  return false;
}

// The first frame of a capture, as the frame loop cuts it.
std::string_view FirstFrame(std::string_view frames) {
  const size_t end = FindItem(frames, "EDED");
  return end == std::string_view::npos ? frames.substr(0, 3) : frames.substr(0, end + 4);
}

// The frame loop; `ends`, when given, is FrameEnds(frames), so that the
// frames of a capture are found once for all the styles tried on it.
std::optional<std::string> FrameLoop(std::string_view template_text, std::string_view frames,
                                     const RecognitionContext& context,
                                     const std::vector<size_t>* ends) {
  size_t next_end = 0;  // first entry of `ends` not yet behind the frame start
  const validate_internal::GroupTable values = validate_internal::ReadGroupTable(context);
  std::string_view m = template_text;
  std::string_view c = frames;
  std::string s;
  std::string o, hd, stripped, candidate;
  for (;;) {
    // The last pattern of the template is never compared.
    if (!ScanPattern(m, o, hd)) break;
    const std::string_view mark = m.substr(0, 5);
    o += mark;
    m.remove_prefix(mark.size());

    std::string_view f;
    size_t end = std::string_view::npos;
    const size_t start = frames.size() - c.size();
    if (ends != nullptr && start % 4 == 0) {
      // Items of c are items of the whole text here.
      while (next_end < ends->size() && (*ends)[next_end] < start) ++next_end;
      if (next_end < ends->size()) end = (*ends)[next_end] - start;
    } else {
      end = FindItem(c, "EDED");
    }
    if (end == std::string_view::npos) {
      f = c.substr(0, 3);
    } else {
      f = c.substr(0, end + 4);
    }
    c.remove_prefix(f.size());

    const std::string_view data = validate_internal::StripHeaderView(f, hd, stripped);
    if (data == "EDED") {
      s += hd;
    } else {
      if (data.empty()) return std::string();
      // Only the first decoder that fits contributes: the encoder walks S
      // one frame mark per sequence entry, so a frame must be in it once.
      // MatchPattern reads no further into its candidate than the
      // pattern's length and one item: the decoders need not go on past
      // that (a long press is one frame of thousands of items).
      const size_t limit = o.size() + 8;
      std::string r;
      for (int variant = 0; variant < 4; ++variant) {
        const std::optional<std::string> symbols =
            validate_internal::DecodeSymbolsPrefix(variant, data, context, values, limit);
        if (!symbols) return std::nullopt;
        candidate.assign(hd);
        candidate += *symbols;
        r = MatchPattern(o, candidate);
        if (!r.empty()) break;
      }
      if (r.empty()) return std::string();
      s += r;
      // Only a frame followed by a gap has a timing to check.
      const bool timing_ok =
          FindItem(f, "FEFE") == std::string_view::npos || CheckFrameTiming(mark, f);
      if (!timing_ok) return std::string();
    }
    if (c.empty()) break;
  }
  return s;
}

}  // namespace

std::optional<std::string> RunFrameLoop(std::string_view template_text, std::string_view frames,
                                        const RecognitionContext& context) {
  return FrameLoop(template_text, frames, context, nullptr);
}

// What a style contributes before any capture is looked at: whether it can
// be tried, its template and the field lengths the template leaves in the
// context, its group entries as the context holds them, and its first frame
// pattern's header and mark.
struct PreparedStyle {
  bool usable = false;
  std::string template_text;
  std::array<int32_t, 4> lengths_a{}, lengths_b{};
  std::array<std::array<std::string, kMaxGroupElements>, kMaxGroups> group_values;
  bool marked = false;  // the first pattern is followed by a mark: it is compared
  std::string first_header;
  std::string first_mark;
};

namespace {

PreparedStyle Prepare(const CodeStyleNode& style) {
  PreparedStyle p;
  p.usable = StyleUsable(style);
  if (!p.usable) return p;
  for (int g = 0; g < style.GroupCount; ++g) {
    const SymbolGroup& group = style.Groups[static_cast<size_t>(g)];
    for (int i = 0; i < group.Count; ++i) {
      p.group_values[static_cast<size_t>(g)][static_cast<size_t>(i)] =
          std::to_string(ElementValue(group.Elements[static_cast<size_t>(i)], style) / 100);
    }
  }
  RecognitionContext scratch;
  p.template_text = BuildTemplate(style, scratch);
  p.lengths_a = scratch.FieldLengthsA;
  p.lengths_b = scratch.FieldLengthsB;
  std::string_view m = p.template_text;
  std::string o;
  p.marked = ScanPattern(m, o, p.first_header);
  if (p.marked) p.first_mark = m.substr(0, 5);
  return p;
}

// What every style's first comparison reads of the capture: its first
// frame and, once a style gets as far as its timing, that frame's timing.
class CaptureFacts {
 public:
  explicit CaptureFacts(std::string_view first) : first_(first) {}
  std::string_view First() const { return first_; }
  const validate_internal::FrameTiming& Timing() {
    if (!timing_) timing_ = validate_internal::ReadFrameTiming(first_);
    return *timing_;
  }

 private:
  std::string_view first_;
  std::optional<validate_internal::FrameTiming> timing_;
};

// True when the frame loop cannot leave a recognised text for this style:
// its template compares nothing, or the first frame already fails. The
// first frame fails when its header does not strip (nothing left, or not
// the header), or when it is more than its header, has a gap and misses the
// pattern's timing: whatever its symbols give, the loop then clears the
// text. A frame of its header only passes whatever its timing.
bool CannotMatch(const PreparedStyle& p, CaptureFacts& capture, std::string& scratch) {
  if (!p.marked) return true;
  const std::string_view data =
      validate_internal::StripHeaderView(capture.First(), p.first_header, scratch);
  if (data == "EDED") return false;
  if (data.empty()) return true;
  const validate_internal::FrameTiming& timing = capture.Timing();
  return timing.has_gap && !validate_internal::FrameTimingFits(p.first_mark, timing);
}

// Group entries of passed-over styles: each slot remembers the last such
// style that wrote it and is written into the context (from that style's
// prepared text) before the next frame loop runs and when the walk ends, so
// the context ends as if every style had written its own.
class PendingGroupValues {
 public:
  PendingGroupValues() { writer_.fill(-1); }
  void Note(const CodeStyleNode& style, int index) {
    for (int g = 0; g < style.GroupCount; ++g) {
      const int count = style.Groups[static_cast<size_t>(g)].Count;
      for (int i = 0; i < count; ++i) writer_[static_cast<size_t>(g * kMaxGroupElements + i)] = index;
    }
    any_ = true;
  }
  void Flush(const std::vector<PreparedStyle>& prepared, RecognitionContext& context) {
    if (!any_) return;
    for (size_t slot = 0; slot < writer_.size(); ++slot) {
      const int w = writer_[slot];
      if (w < 0) continue;
      const size_t g = slot / kMaxGroupElements, i = slot % kMaxGroupElements;
      context.GroupValues[g][i] = prepared[static_cast<size_t>(w)].group_values[g][i];
      writer_[slot] = -1;
    }
    any_ = false;
  }

 private:
  std::array<int, kMaxGroups * kMaxGroupElements> writer_;
  bool any_ = false;
};

// The styles in file order against one capture. `prepared`, when given,
// holds Prepare() of every style; with `prefilter` as well, styles that
// CannotMatch are passed over.
RecognitionResult Recognise(std::string_view frames, int key_code, const ArrCodeStyleNode& library,
                            const std::vector<PreparedStyle>* prepared, bool prefilter,
                            RecognitionContext& context) {
  context.TickRate = kTickRate;
  // The frame ends are found when the first frame loop runs.
  std::optional<std::vector<size_t>> ends;
  prefilter = prefilter && prepared != nullptr;
  CaptureFacts capture(prefilter ? FirstFrame(frames) : std::string_view());
  PendingGroupValues pending;
  std::string scratch;
  for (size_t index = 0; index < library.size(); ++index) {
    const CodeStyleNode& style = library[index];
    // A style outside the format's limits cannot match; it is passed over
    // before it touches the context.
    const PreparedStyle* ready = prepared ? &(*prepared)[index] : nullptr;
    if (!(ready ? ready->usable : StyleUsable(style))) continue;
    if (prefilter && CannotMatch(*ready, capture, scratch)) {
      // What trying it would have left in the context.
      pending.Note(style, static_cast<int>(index));
      if (style.GroupCount > 0) context.ElementCount = style.Groups[style.GroupCount - 1u].Count;
      context.ActiveGroups = style.GroupCount;
      context.FieldLengthsA = ready->lengths_a;
      context.FieldLengthsB = ready->lengths_b;
      continue;
    }
    if (prepared) pending.Flush(*prepared, context);
    for (int g = 0; g < style.GroupCount; ++g) {
      const SymbolGroup& group = style.Groups[static_cast<size_t>(g)];
      context.ElementCount = group.Count;
      for (int i = 0; i < group.Count; ++i) {
        std::string& value = context.GroupValues[static_cast<size_t>(g)][static_cast<size_t>(i)];
        if (ready) {
          value = ready->group_values[static_cast<size_t>(g)][static_cast<size_t>(i)];
        } else {
          value = std::to_string(ElementValue(group.Elements[static_cast<size_t>(i)], style) / 100);
        }
      }
    }
    context.ActiveGroups = style.GroupCount;
    std::string built;
    if (ready) {
      context.FieldLengthsA = ready->lengths_a;
      context.FieldLengthsB = ready->lengths_b;
    } else {
      built = BuildTemplate(style, context);
    }
    const std::string& template_text = ready ? ready->template_text : built;
    if (!ends) ends = FrameEnds(frames);
    const std::optional<std::string> s = FrameLoop(template_text, frames, context, &*ends);
    if (!s || s->empty()) continue;
    std::optional<std::string> record = EncodeKeyRecord(style, *s, key_code, context);
    if (!record) continue;  // no time unit: the style cannot be encoded
    RecognitionResult result;
    result.record = std::move(*record);
    result.style = style.Name;
    result.index = static_cast<int>(index);
    return result;
  }
  if (prepared) pending.Flush(*prepared, context);
  return {};
}

constexpr size_t kMaxLibraryBytes = size_t{64} << 20;

// The library file, read afresh on every call through a descriptor kept
// open between calls: opening a file costs more than all the recognition
// that follows, and a look at the path tells whether it still names the
// file the descriptor has open. A file rewritten in place is read anew
// through the same descriptor; one replaced, moved away or removed is seen
// at once.
class LibraryFile {
 public:
  LibraryFile() = default;
  LibraryFile(const LibraryFile&) = delete;
  LibraryFile& operator=(const LibraryFile&) = delete;
  ~LibraryFile() { Close(); }

  // The bytes of the regular file at `path`, at most kMaxLibraryBytes, into
  // `out` (which keeps its storage from call to call); false for anything
  // else (the library reader then says what is wrong).
  bool Read(const std::string& path, std::string& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      Close();
      return false;
    }
    if (fd_ < 0 || path != path_ || st.st_dev != dev_ || st.st_ino != ino_) {
      Close();
      fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd_ < 0) return false;
      // What was opened, which may no longer be what the path named.
      if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return false;
      }
      path_ = path;
      dev_ = st.st_dev;
      ino_ = st.st_ino;
    }
    const size_t expected =
        std::min<size_t>(st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0, kMaxLibraryBytes);
    size_t size = 0;
    for (;;) {
      // Room for one byte more than the file should hold, so that a file
      // that grew is read on. A read of a regular file that returns less
      // than asked for has reached its end.
      const size_t want = std::max<size_t>(expected + 1 - std::min(size, expected), 4096);
      if (out.size() < size + want) out.resize(size + want);
      const ssize_t n = ::pread(fd_, out.data() + size, want, static_cast<off_t>(size));
      if (n < 0) {
        if (errno == EINTR) continue;
        Close();
        return false;
      }
      size += static_cast<size_t>(n);
      if (size > kMaxLibraryBytes) return false;
      if (static_cast<size_t>(n) < want) {
        out.resize(size);
        return true;
      }
    }
  }

 private:
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  int fd_ = -1;
  std::string path_;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
};

// The library file as last read on this thread: its bytes and the styles
// they hold, prepared. The file is still read on every call (a library
// replaced between captures is seen at once); only its parsing and the
// per-style preparation are skipped while the bytes stay the same.
struct LibraryCache {
  LibraryFile file;
  std::string bytes;
  PreparedLibrary library;
  bool valid = false;
};

}  // namespace

PreparedLibrary::PreparedLibrary() = default;
PreparedLibrary::PreparedLibrary(PreparedLibrary&&) noexcept = default;
PreparedLibrary& PreparedLibrary::operator=(PreparedLibrary&&) noexcept = default;
PreparedLibrary::~PreparedLibrary() = default;

PreparedLibrary::PreparedLibrary(ArrCodeStyleNode styles) : styles_(std::move(styles)) {
  prepared_.reserve(styles_.size());
  for (const CodeStyleNode& style : styles_) prepared_.push_back(Prepare(style));
}

RecognitionResult Recogniser::RecogniseCapture(std::string_view frames, int key_code,
                                               const ArrCodeStyleNode& library) {
  return Recognise(frames, key_code, library, nullptr, false, context);
}

RecognitionResult Recogniser::RecogniseCapture(std::string_view frames, int key_code,
                                               const PreparedLibrary& library) {
  return Recognise(frames, key_code, library.styles_, &library.prepared_, prefilter, context);
}

RecognitionResult Recogniser::RecogniseCapture(std::string_view frames, int key_code,
                                               const std::string& library_path) {
  context.TickRate = kTickRate;
  thread_local LibraryCache cache;
  thread_local std::string bytes;
  if (cache.file.Read(library_path, bytes)) {
    if (!cache.valid || bytes != cache.bytes) {
      cache.valid = false;
      ArrCodeStyleNode parsed;
      if (ParseCodeStyleBytes(bytes, parsed)) {
        cache.library = PreparedLibrary(std::move(parsed));
        cache.bytes = bytes;
        cache.valid = true;
      }
    }
    if (cache.valid) return RecogniseCapture(frames, key_code, cache.library);
  }
  // Unreadable, not a regular file, or not a library: the reader's own
  // verdict and message.
  ArrCodeStyleNode library;
  std::string error;
  if (!LoadCodeStyleFile(library_path, library, &error)) {
    RecognitionResult result;
    result.error = error.empty() ? library_path + ": cannot load the code-style library" : error;
    return result;
  }
  return RecogniseCapture(frames, key_code, library);
}

}  // namespace tvq31
