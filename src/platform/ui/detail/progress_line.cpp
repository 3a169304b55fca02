#include "platform/ui/detail/progress_line.hpp"

#include <unistd.h>

#include <algorithm>
#include <iostream>

#include <fmt/format.h>

namespace zpk::detail {
namespace {

constexpr int kBarWidth = 30;

// "text [#######.......]  40% 800/2000"; a maximum of 0 or less shows no bar.
std::string render(const std::string& text, int position, int maximum) {
  if (maximum <= 0) return fmt::format("{} {}", text, position);
  const int done = std::clamp(position, 0, maximum);
  const int filled = static_cast<int>(static_cast<long long>(done) * kBarWidth / maximum);
  const int percent = static_cast<int>(static_cast<long long>(done) * 100 / maximum);
  return fmt::format("{} [{}{}] {:3}% {}/{}", text, std::string(filled, '#'),
                     std::string(kBarWidth - filled, '.'), percent, position, maximum);
}

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, std::string prefix, bool in_place)
    : out_(out), prefix_(std::move(prefix)), in_place_(in_place) {}

void ProgressLine::show(const std::string& text, int position, int maximum) {
  if (in_place_) {
    // Back to the start of the line, the bar, then clear what a longer one left.
    out_ << '\r' << prefix_ << render(text, position, maximum) << "\x1b[K" << std::flush;
    drawn_ = true;
    return;
  }
  // A log gets the start, each tenth and the end: a run over thousands of
  // records stays a dozen lines.
  const int tenth =
      maximum > 0 ? static_cast<int>(static_cast<long long>(std::clamp(position, 0, maximum)) * 10 / maximum)
                  : 0;
  if (tenth == last_tenth_ && text == last_text_) return;
  last_tenth_ = tenth;
  last_text_ = text;
  out_ << prefix_ << render(text, position, maximum) << '\n' << std::flush;
}

void ProgressLine::close() {
  if (in_place_ && drawn_) out_ << '\n' << std::flush;
  drawn_ = false;
  last_tenth_ = -1;
  last_text_.clear();
}

bool is_terminal_stderr(const std::ostream& out) {
  return &out == &std::cerr && isatty(STDERR_FILENO) != 0;
}

}  // namespace zpk::detail
