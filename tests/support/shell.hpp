// The standard output of a shell command, for tests that check files with the
// platform's own tools (pdftotext, pdfinfo, zbarimg, python3-openpyxl).
#pragma once

#include <cstdio>
#include <string>

namespace zpk::test {

// What the command printed on standard output ("" when it cannot run).
inline std::string shell_output(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

}  // namespace zpk::test
