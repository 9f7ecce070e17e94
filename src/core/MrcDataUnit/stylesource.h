// The code-style source form: a readable text that says every field and
// element of a code-style record exactly, so that the shipped library is
// written and reviewed as text and compiled into the binary library file.
// The format is described in docs/codestyle-format.md.
//
// Formatting a record and parsing the text back gives the same record, and
// parsing a text and formatting the records gives text that parses to the
// same records; the reserved bytes of the binary form are not kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "MrcDataUnit/codestyle.h"

namespace tvq31 {

inline constexpr char kStyleFileExtension[] = ".style";

// Parses the code styles of one source text (any number of "style" blocks)
// and appends them to `out`. On an error returns false, leaves `out` as it
// was and sets `error` to "FILE:LINE: reason", `file` being the name given.
bool ParseStyleSource(std::string_view text, std::string_view file, ArrCodeStyleNode& out,
                      std::string* error = nullptr);

// One record in source form, starting with its "style" line and ending with
// a newline.
std::string FormatStyleSource(const CodeStyleNode& style);

// Every record in source form, in order, separated by a blank line and a
// "# record N" comment; the result parses back to the same records.
std::string FormatLibrarySource(const ArrCodeStyleNode& nodes);

// A file name for record `index` of `count` when a library is split into
// source files: a zero-padded position in steps of ten (so that file-name
// order is record order and new styles fit in between), then the name in
// lower case, e.g. "010-nec.style".
std::string StyleFileName(size_t index, size_t count, const CodeStyleNode& style);

// Compiles source paths in order: a directory contributes its "*.style"
// files in file-name order (byte order), a file itself. Appends to `out`;
// on an error returns false with `out` as it was and `error` naming the file
// (and line).
bool CompileStyleSources(const std::vector<std::string>& paths, ArrCodeStyleNode& out,
                         std::string* error = nullptr);

}  // namespace tvq31
