// `zpk demo` step for the NF-e: the demo invoice 009001 generated, written to
// var/nfe/<key>-nfe.xml, checked against the official schema, signed with a
// certificate made for the occasion (a temporary folder, deleted afterwards)
// and verified; generated a second time it gives the same key and bytes.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include <fmt/format.h>

#include "billing/nfe/gera_nfe.hpp"
#include "certificado_teste.hpp"
#include "nfe_fatura.hpp"
#include "platform/rtl/datetime.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const RegisterDemo nfe_demo{
    {860, "NF-e: the demo invoice's XML, schema check, signature with a test certificate, regenerated",
     [](const CallOptions& options, std::ostream& out) {
       demo_session(options, out);
       const fs::path temp = fs::temp_directory_path() / fmt::format("zpk-demo-nfe-{}", ::getpid());
       fs::create_directories(temp);
       struct Cleanup {
         fs::path folder;
         ~Cleanup() {
           std::error_code ec;
           fs::remove_all(folder, ec);
           RelogioNFe = nullptr;
         }
       } cleanup{temp};
       const CertificadoNFe certificado{temp / "a1.pfx", "demo-a1"};
       CriaCertificadoTeste(certificado.arquivo, "TECELAGEM DEMONSTRACAO LTDA:11222333000181", certificado.senha);
       // The invoice's own day at 10:00, so that the demo prints the same XML on every run.
       RelogioNFe = [] { return EncodeDateTime(2025, 6, 2, 10, 0, 0, 0); };
       IFinNFe = 1;
       ITpTrasNFe = 1;
       ITpImpNFe = 1;
       ITpEntrega = 1;
       const fs::path pasta = fs::current_path() / "var" / "nfe";
       const NFeGerada r = gera_nfe_da_fatura("009001", "1", pasta, certificado);
       out << fmt::format("GeraNFe(009001, series 1): key {}, {} items\n  xml: {}\n", r.chave, r.itens,
                          r.xml.string());
       if (r.violacoes.empty()) {
         out << "  schema nfe_v4.00.xsd: valid\n";
       } else {
         out << fmt::format("  schema nfe_v4.00.xsd: {} violation(s)\n", r.violacoes.size());
         for (const auto& v : r.violacoes) out << fmt::format("    {} (line {}): {}\n", v.Campo, v.Linha, v.Mensagem);
       }
       out << fmt::format("  signature (self-made test certificate): {}\n",
                          r.assinatura_confere ? "verified" : "DOES NOT VERIFY");
       const std::string primeira = read_file(r.xml);
       const NFeGerada again = gera_nfe_da_fatura("009001", "1", pasta, certificado);
       out << fmt::format("  generated again: {} key, {} XML\n", again.chave == r.chave ? "same" : "DIFFERENT",
                          read_file(again.xml) == primeira ? "byte-identical" : "DIFFERENT");
     }}};

}  // namespace
}  // namespace zpk::cli
