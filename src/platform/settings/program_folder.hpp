// The program's folder, where the station's INI files live and relative file
// names resolve, and the conversion of the "\"-separated paths that stored
// data holds into paths of this platform.
#pragma once

#include <filesystem>
#include <string_view>

namespace zpk {

// The folder set by the host, else the folder of the running executable.
std::filesystem::path program_folder();
// Sets the program's folder; an empty path returns to the executable's folder.
void set_program_folder(std::filesystem::path folder);

// A stored path with its "\" separators turned into this platform's "/".
std::filesystem::path native_path(std::string_view stored);
// A file name of the program: relative names (either separator) resolve in
// program_folder(); absolute ones stay as they are.
std::filesystem::path program_file(std::string_view name);

}  // namespace zpk
