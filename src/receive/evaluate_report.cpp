// The evaluation report as a text table and as JSON.
#include <cstdio>
#include <sstream>

#include "hextext/jsontext.h"
#include "receive/evaluate.h"

namespace tvq31 {

namespace {

std::string Rate(double per_second) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.0f", per_second);
  return buf;
}

std::string Percent(size_t part, size_t whole) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f %%",
                whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole));
  return buf;
}

std::string RowName(const EvalRow& row, bool sum) {
  if (sum || row.form == EvalForm::kParsed) return row.protocol;
  return std::string(EvalFormName(row.form)) + " " + row.protocol;
}

std::vector<std::string> Cells(const EvalRow& row, bool chain, bool sum) {
  auto n = [](size_t v) { return std::to_string(v); };
  std::vector<std::string> cells = {
      RowName(row, sum),   n(row.signals),      n(row.too_long),     n(row.decoded),
      n(row.recognised),   n(row.right_family), n(row.wrong_family), n(row.unrecognised),
      n(row.as_original),
  };
  if (chain) {
    cells.push_back(n(row.transfer));
    cells.push_back(n(row.transfer_faithful));
    cells.push_back(n(row.transfer_as_original));
    cells.push_back(n(row.failed));
  }
  cells.push_back(Rate(row.SignalsPerSecond()));
  return cells;
}

std::string JsonRow(const EvalRow& row, bool chain) {
  std::ostringstream out;
  out << "{\"protocol\":" << JsonString(row.protocol) << ",\"form\":\"" << EvalFormName(row.form)
      << "\",\"signals\":" << row.signals << ",\"too_long\":" << row.too_long
      << ",\"decoded\":" << row.decoded << ",\"recognised\":" << row.recognised
      << ",\"right_family\":" << row.right_family << ",\"wrong_family\":" << row.wrong_family
      << ",\"not_recognised\":" << row.unrecognised << ",\"as_original\":" << row.as_original;
  if (row.form != EvalForm::kParsed) {
    out << ",\"one_frame\":" << row.one_frame
        << ",\"one_frame_recognised\":" << row.one_frame_recognised;
  }
  if (chain) {
    out << ",\"transfer\":" << row.transfer << ",\"transfer_faithful\":" << row.transfer_faithful
        << ",\"transfer_as_original\":" << row.transfer_as_original
        << ",\"no_record\":" << row.failed;
  }
  out << ",\"signals_per_second\":" << Rate(row.SignalsPerSecond()) << "}";
  return out.str();
}

// One line per raw form: how much of it a style recognised, all and one-frame.
std::string RawSummary(const EvalRow& row, const char* what) {
  if (row.signals == 0) return {};
  return std::string(what) + ": recognised " + std::to_string(row.recognised) + " of " +
         std::to_string(row.signals) + " (" + Percent(row.recognised, row.signals) +
         "), of one-frame recordings " + std::to_string(row.one_frame_recognised) + " of " +
         std::to_string(row.one_frame) + " (" + Percent(row.one_frame_recognised, row.one_frame) +
         "); wrong family " + std::to_string(row.wrong_family) + "; plays back as original " +
         std::to_string(row.as_original) + " of " + std::to_string(row.recognised) + "\n";
}

}  // namespace

std::string FormatEvalTable(const EvalReport& report) {
  std::vector<std::string> head = {"protocol",     "signals",        "too long",   "decoded",
                                   "recognised",   "right family",   "wrong family",
                                   "not recognised", "as original"};
  if (report.chain) {
    head.insert(head.end(), {"transfer", "transfer faithful", "transfer as original", "no record"});
  }
  head.push_back("signals/s");
  std::vector<std::vector<std::string>> lines = {head};
  for (const EvalRow& row : report.rows) lines.push_back(Cells(row, report.chain, false));
  const size_t body_end = lines.size();
  for (const EvalRow* sum : {&report.tap_total, &report.held_total, &report.parsed_total}) {
    if (sum->signals > 0) lines.push_back(Cells(*sum, report.chain, true));
  }

  std::vector<size_t> width(head.size(), 0);
  for (const auto& line : lines) {
    for (size_t i = 0; i < line.size(); ++i) width[i] = std::max(width[i], line[i].size());
  }
  std::string out;
  auto emit = [&](const std::vector<std::string>& line) {
    for (size_t i = 0; i < line.size(); ++i) {
      if (i == 0) {
        out += line[i] + std::string(width[i] - line[i].size(), ' ');
      } else {
        out += "  " + std::string(width[i] - line[i].size(), ' ') + line[i];
      }
    }
    out += '\n';
  };
  emit(lines.front());
  for (size_t i = 1; i < body_end; ++i) emit(lines[i]);
  size_t rule = 0;
  for (size_t w : width) rule += w + 2;
  out += std::string(rule - 2, '-') + '\n';
  for (size_t i = body_end; i < lines.size(); ++i) emit(lines[i]);
  out += "Raw rows: tap = as recorded, held = extended to a 2 s press; the family is the one our "
         "decoders read in the recording.\n";
  out += RawSummary(report.tap_total, "Raw recordings as recorded");
  out += RawSummary(report.held_total, "Raw recordings held");
  if (!report.library_error.empty()) out += "\ncode-style library: " + report.library_error + '\n';
  if (!report.examples.empty()) {
    out += "\nFirst failures:\n";
    for (const std::string& line : report.examples) out += "  " + line + '\n';
  }
  if (!report.problems.empty()) {
    out += "\nNot evaluated (" + std::to_string(report.problems.size()) + "):\n";
    for (const std::string& line : report.problems) out += "  " + line + '\n';
  }
  return out;
}

std::string FormatEvalJson(const EvalReport& report) {
  std::ostringstream out;
  out << "{\"chain\":" << (report.chain ? "true" : "false") << ",\"rows\":[";
  for (size_t i = 0; i < report.rows.size(); ++i) {
    out << (i ? "," : "") << JsonRow(report.rows[i], report.chain);
  }
  out << "],\"parsed\":" << JsonRow(report.parsed_total, report.chain)
      << ",\"tap\":" << JsonRow(report.tap_total, report.chain)
      << ",\"held\":" << JsonRow(report.held_total, report.chain)
      << ",\"total\":" << JsonRow(report.total, report.chain) << ",\"failures\":[";
  for (size_t i = 0; i < report.examples.size(); ++i) {
    out << (i ? "," : "") << JsonString(report.examples[i]);
  }
  out << "],\"not_evaluated\":[";
  for (size_t i = 0; i < report.problems.size(); ++i) {
    out << (i ? "," : "") << JsonString(report.problems[i]);
  }
  out << "]";
  if (!report.library_error.empty()) out << ",\"library_error\":" << JsonString(report.library_error);
  out << "}\n";
  return out.str();
}

}  // namespace tvq31
