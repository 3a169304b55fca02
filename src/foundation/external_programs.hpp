// Starting other programs from the library: a command line run to its end,
// a file opened with its associated program, a URL shown in the browser
// window, and pre-loading a module's pages. Programs are always started
// directly (posix_spawn), never through a shell, so no argument is ever
// interpreted as a command.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zpk {

// Splits a Windows-style command line into its arguments: blanks separate,
// double quotes group (a quoted "" is one quote), and backslashes are literal
// except before a quote (2n backslashes + quote: n backslashes and the quote
// groups; 2n+1: n backslashes and a literal quote). The program name, the
// first argument, ends at its closing quote or first blank and keeps every
// backslash, as paths like "C:\Zelvo\Fiscal.exe" need.
std::vector<std::string> split_command_line(std::string_view line);

// The program a command line's first argument names: the path itself
// (relative to the program's folder) when it is executable, else without a
// ".exe" ending, else the bare name ("C:\Zelvo\Fiscal.exe" -> Fiscal) in the
// program's folder and then in $PATH; nullopt when none is found.
std::optional<std::filesystem::path> find_program(std::string_view name);

// Starts the command line with the program's folder as working folder and
// waits until it ends; false when it cannot be started (empty line, program
// not found or not executable). The program's exit status does not matter.
bool ExecutaEXE(const std::string& Linha);

// Shows URL in the library's browser window. Until the window toolkit is
// there, the URL goes to the dialog service as a DialogKind::web_browser
// request captioned "ZELVO Browser"; Handle (the calling window) is not used.
void ExecutaBrowser(const void* Handle, const std::string& URL);

// Reads every readable page that the module maps from its file once, so that
// a program started from a network share keeps running when the share goes
// away; Modulo is the module's path or file name ("" = the running program).
// Returns the number of pages read (0 when the module is not loaded).
size_t RunImageLocally(const std::string& Modulo = "");

// Opens a file with the program the desktop associates with it, without
// waiting; false when that cannot be started.
using FileOpener = std::function<bool(const std::filesystem::path&)>;
bool open_with_associated_program(const std::filesystem::path& file);
// Replaces how files are opened (a host's own viewer, a test's recorder); an
// empty function restores the default, which starts "xdg-open FILE".
void set_file_opener(FileOpener opener);

}  // namespace zpk
