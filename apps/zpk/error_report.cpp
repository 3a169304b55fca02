#include "error_report.hpp"

#include <string>

#include "platform/db/database_error.hpp"

namespace zpk::cli {

namespace {

// `text` on one line: its lines, trimmed, joined by "; ".
std::string one_line(std::string_view text) {
  std::string line;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view part = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) part.remove_prefix(1);
    while (!part.empty() && (part.back() == ' ' || part.back() == '\r' || part.back() == '\t'))
      part.remove_suffix(1);
    if (part.empty()) continue;
    if (!line.empty()) line += "; ";
    line += part;
  }
  return line;
}

// Writes `text` with each of its lines indented under `label`.
void write_block(std::ostream& err, std::string_view label, std::string_view text) {
  err << "  " << label << ':';
  while (!text.empty()) {
    const size_t end = text.find('\n');
    err << "\n    " << text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  err << '\n';
}

}  // namespace

void report_error(std::ostream& err, const std::exception& e, std::string_view context, bool verbose) {
  const auto* db = dynamic_cast<const EDatabaseError*>(&e);
  const std::string line = db ? db->summary() : one_line(e.what());
  err << "error: ";
  // A message that already names what ran (the library's own refusals do) is not prefixed twice.
  const bool named = !context.empty() && line.size() > context.size() &&
                     line.compare(0, context.size(), context) == 0 && line[context.size()] == ':';
  if (!context.empty() && !named) err << context << ": ";
  err << line << '\n';
  if (!verbose || !db) return;
  if (db->message() != line) write_block(err, "engine", db->message());
  if (!db->sqlstate().empty()) err << "  SQLSTATE: " << db->sqlstate() << '\n';
  if (!db->error_codes().empty()) {
    err << "  codes:";
    for (int64_t code : db->error_codes()) err << ' ' << code;
    err << '\n';
  }
  if (!db->statement().empty()) write_block(err, "statement", db->statement());
}

}  // namespace zpk::cli
