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

std::vector<std::string> Cells(const EvalRow& row, bool chain) {
  const bool raw = row.protocol == "raw";
  const bool mixed = row.protocol == "total";
  auto n = [](size_t v) { return std::to_string(v); };
  std::vector<std::string> cells = {
      row.protocol,
      n(row.signals),
      n(row.too_long),
      n(row.recognised),
      raw ? "-" : n(row.right_family) + (mixed ? "*" : ""),
      raw ? "-" : n(row.wrong_family) + (mixed ? "*" : ""),
      n(row.unrecognised),
      n(row.faithful),
  };
  if (chain) {
    cells.push_back(n(row.transfer));
    cells.push_back(n(row.transfer_faithful));
    cells.push_back(n(row.failed));
  }
  cells.push_back(Rate(row.SignalsPerSecond()));
  return cells;
}

std::string JsonRow(const EvalRow& row, bool chain) {
  std::ostringstream out;
  out << "{\"protocol\":" << JsonString(row.protocol) << ",\"signals\":" << row.signals
      << ",\"too_long\":" << row.too_long << ",\"recognised\":" << row.recognised
      << ",\"right_family\":" << row.right_family << ",\"wrong_family\":" << row.wrong_family
      << ",\"not_recognised\":" << row.unrecognised << ",\"faithful\":" << row.faithful;
  if (chain) {
    out << ",\"transfer\":" << row.transfer << ",\"transfer_faithful\":" << row.transfer_faithful
        << ",\"no_record\":" << row.failed;
  }
  out << ",\"signals_per_second\":" << Rate(row.SignalsPerSecond()) << "}";
  return out.str();
}

}  // namespace

std::string FormatEvalTable(const EvalReport& report) {
  std::vector<std::string> head = {"protocol", "signals", "too long", "recognised", "right family",
                                   "wrong family", "not recognised", "faithful"};
  if (report.chain) {
    head.insert(head.end(), {"transfer", "transfer faithful", "no record"});
  }
  head.push_back("signals/s");
  std::vector<std::vector<std::string>> lines = {head};
  for (const EvalRow& row : report.rows) lines.push_back(Cells(row, report.chain));
  lines.push_back(Cells(report.total, report.chain));

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
  for (size_t i = 1; i + 1 < lines.size(); ++i) emit(lines[i]);
  size_t rule = 0;
  for (size_t w : width) rule += w + 2;
  out += std::string(rule - 2, '-') + '\n';
  emit(lines.back());
  out += "* parsed entries only; raw entries have no protocol to compare with.\n";
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
  out << "],\"total\":" << JsonRow(report.total, report.chain) << ",\"failures\":[";
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
