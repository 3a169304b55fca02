// `zpk demo` step for the station settings and the file store: a station in
// a throw-away folder whose INI names the store's root, a product photo
// stored and found again, a missing photo, a program started without a shell,
// a scale reading, and the user's default stock location.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>

#include <fmt/format.h>

#include "demo_station.hpp"
#include "foundation/external_programs.hpp"
#include "foundation/file_store.hpp"
#include "foundation/station_settings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "platform/tabela/tabela.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

const RegisterDemo file_store{
    {107, "Station settings and the file store", [](const CallOptions& options, std::ostream& out) {
       demo_session(options, out);
       const fs::path base = fs::temp_directory_path() / fmt::format("zpk-demo-station-{}", ::getpid());
       DemoStation station(base);
       const std::string root = (base / "servidor").string();

       GravaIni("Caminho", "path", root, Tabela.ArquivoIni);
       out << fmt::format("GravaIni(Caminho, path) in {}; LeIni(CAMINHO, PATH) = {}\n", Tabela.ArquivoIni,
                          LeIni("CAMINHO", "PATH", Tabela.ArquivoIni));

       std::ofstream(base / "foto.jpg") << "jpeg";
       out << fmt::format("SalvaArquivo(P1, foto.jpg, tpProduto) -> {}\n",
                          SalvaArquivo("P1", (base / "foto.jpg").string(), tpProduto));
       out << fmt::format("BuscaArquivo(P1, tpProduto) = {}\n", BuscaArquivo("P1", "", tpProduto));
       out << fmt::format("BuscaArquivo(P2, tpProduto) = {}\n", BuscaArquivo("P2", "", tpProduto));
       try {
         SalvaArquivo("..\\..\\programa\\zelvo", (base / "foto.jpg").string(), tpProduto);
       } catch (const EFileStoreError& e) {
         out << fmt::format("SalvaArquivo(..\\..\\programa\\zelvo) refused: {}\n", e.what());
       }

       const std::string linha = "C:\\Windows\\true.exe \"$(touch invadido)\" ;reboot";
       out << fmt::format("ExecutaEXE({}) = {} (no shell: the arguments are only texts)\n", linha,
                          ExecutaEXE(linha) ? "True" : "False");
       out << fmt::format("ExecutaEXE(C:\\Zelvo\\nao_existe.exe) = {}\n",
                          ExecutaEXE("C:\\Zelvo\\nao_existe.exe") ? "True" : "False");

       UserSettings("Venda").write_integer("Parametros\\Balanca\\Toledo", "Decimal", 3);
       bool estavel = false;
       const double peso = PegaPesoBalanca("ST,GS,+002.480kg", estavel, "Toledo");
       out << fmt::format("PegaPesoBalanca(ST,GS,+002.480kg, Toledo) = {} (Estavel {})\n", peso,
                          estavel ? "True" : "False");

       out << fmt::format("DepositoPadrao(1) = {}; DepositoPadrao(2) = {}\n", DepositoPadrao("1"),
                          DepositoPadrao("2"));
     }}};

}  // namespace
}  // namespace zpk::cli
