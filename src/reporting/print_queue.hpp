// The station's print queue: prepared reports go to CUPS through `lp`, started
// directly (never through a shell), or, when the station has no printer at
// all, to a file in the user's print folder whose path is reported back.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zpk {

// Runs one print command (argv[0] = "lp") to its end; true when the queue
// accepted the job. Replaceable so that tests and demos can record the
// command instead of printing.
using PrintSpawner = std::function<bool(const std::vector<std::string>& argv)>;
// Installs `spawner` (empty restores the default, which runs the command)
// and returns the one installed before (empty when that was the default).
PrintSpawner set_print_spawner(PrintSpawner spawner);

// Lists the station's printers. Replaceable like the spawner; the default
// reads `lpstat -e` (no printers when CUPS is not installed).
using PrinterLister = std::function<std::vector<std::string>()>;
PrinterLister set_printer_lister(PrinterLister lister);
// The printers the station's print queue offers, in its order.
std::vector<std::string> impressoras_instaladas();

// Where print jobs go when there is no printer: $XDG_DATA_HOME/zpk/impressao
// (~/.local/share/zpk/impressao without it).
std::filesystem::path pasta_impressao();

// What became of a print job.
struct PrintOutcome {
  std::string printer;  // the printer it went to; empty: it went to `file`
  std::string file;     // the file written instead of printing
};

// Sends `file` to `printer`, or, when that is empty, to the user's default
// printer (ImpressoraPadrao); `raw` passes the bytes untouched (text reports
// for matrix printers). With no printer at all the file is copied into
// pasta_impressao() under `job_name` and a unique suffix. Raises EZpkError
// when the queue refuses the job or the copy cannot be written.
PrintOutcome send_to_print_queue(const std::filesystem::path& file, const std::string& printer, bool raw,
                                 const std::string& job_name);

}  // namespace zpk
