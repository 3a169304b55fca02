// Where report layouts live: <root>\layout\<name>.prt, else
// <root>\Relatorio\<name>.prt, the root being the station's shared folder
// tree ("path" of section "Caminho" of the station INI).
#pragma once

#include <string>
#include <string_view>

namespace zpk {

// The stored path of the layout file `Nome` (without ".prt"): the one under
// "layout" when it exists, else the one under "Relatorio"; empty when neither
// exists. Folder and file names match in any case, as the shared folders
// were filled from Windows stations. A name that is not a plain file name
// (separators, "..") finds nothing.
std::string ArquivoLayout(std::string_view Nome);

// <root>\Relatorio\<Nome>.prt: the path the missing-layout message names.
std::string arquivo_layout_relatorio(std::string_view Nome);

}  // namespace zpk
