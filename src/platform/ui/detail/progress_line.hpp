// The progress of a long operation drawn as one text line: a bar redrawn in
// place on a terminal, or plain lines (one per tenth done) in a log or pipe.
// Shared by the console service and the headless service's echo.
#pragma once

#include <iosfwd>
#include <string>

namespace zpk::detail {

class ProgressLine {
 public:
  // Draws on `out`, each line starting with `prefix`; `in_place` redraws one
  // line with a carriage return (a terminal), else writes whole lines.
  ProgressLine(std::ostream& out, std::string prefix, bool in_place);

  // Shows `position` of `maximum` under `text`.
  void show(const std::string& text, int position, int maximum);
  // Ends the bar's line (in place) and forgets what was drawn.
  void close();

 private:
  std::ostream& out_;
  std::string prefix_;
  bool in_place_;
  bool drawn_ = false;   // a bar is on the current line
  int last_tenth_ = -1;  // plain lines: the tenth last written
  std::string last_text_;
};

// Whether `out` is the process's stderr and that is a terminal, where a bar
// can be redrawn in place.
bool is_terminal_stderr(const std::ostream& out);

}  // namespace zpk::detail
