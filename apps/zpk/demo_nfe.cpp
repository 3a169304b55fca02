// `zpk demo` step for the NF-e: the demo invoice 009001 generated, written to
// var/nfe/<key>-nfe.xml, checked against the official schema, signed with a
// certificate made for the occasion (in a private folder, removed afterwards)
// and verified; generated a second time it gives the same key and bytes.
// (`zpk day` sends its NF-e to the local authoriser.)
#include <filesystem>
#include <ostream>
#include <string>

#include <fmt/format.h>

#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/invoice_nfe.hpp"
#include "certificado_teste.hpp"
#include "platform/rtl/datetime.hpp"
#include "private_folder.hpp"
#include "registry.hpp"
#include "session.hpp"

namespace zpk::cli {
namespace {

namespace fs = std::filesystem;

const RegisterDemo nfe_demo{
    {860, "NF-e: the demo invoice's XML, schema check, signature with a test certificate, regenerated",
     [](const CallOptions& options, std::ostream& out) {
       demo_session(options, out);
       const PrivateFolder temp("demo-nfe");
       struct Clock {
         ~Clock() { RelogioNFe = nullptr; }
       } clock;
       const nfe::A1Certificate certificado{temp / "a1.pfx", "demo-a1"};
       CriaCertificadoTeste(certificado.file, "TECELAGEM DEMONSTRACAO LTDA:11222333000181",
                            certificado.password);
       // The invoice's own day at 10:00, so that the demo prints the same XML on every run.
       RelogioNFe = [] { return EncodeDateTime(2025, 6, 2, 10, 0, 0, 0); };
       IFinNFe = 1;
       ITpTrasNFe = 1;
       ITpImpNFe = 1;
       ITpEntrega = 1;
       const fs::path pasta = fs::current_path() / "var" / "nfe";
       const nfe::InvoiceNFe r = nfe::nfe_of_invoice("009001", "1", certificado);
       const fs::path xml = nfe::write_nfe_file(
           pasta, r.key, r.xml, r.violations.empty() && (!r.is_signed || r.signature_verified));
       out << fmt::format("GeraNFe(009001, series 1): key {}, {} items\n  xml: {}\n", r.key, r.items,
                          xml.string());
       if (r.violations.empty()) {
         out << "  schema nfe_v4.00.xsd: valid\n";
       } else {
         out << fmt::format("  schema nfe_v4.00.xsd: {} violation(s)\n", r.violations.size());
         for (const auto& v : r.violations)
           out << fmt::format("    {} (line {}): {}\n", v.Campo, v.Linha, v.Mensagem);
       }
       out << fmt::format("  signature (self-made test certificate): {}\n",
                          r.signature_verified ? "verified" : "DOES NOT VERIFY");
       const nfe::InvoiceNFe again = nfe::nfe_of_invoice("009001", "1", certificado);
       out << fmt::format("  generated again: {} key, {} XML\n", again.key == r.key ? "same" : "DIFFERENT",
                          again.xml == r.xml ? "byte-identical" : "DIFFERENT");
     }}};

}  // namespace
}  // namespace zpk::cli
