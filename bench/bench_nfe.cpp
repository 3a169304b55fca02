// NF-e component throughput: field set + XML + schema validation + signature
// for a 1-item and a 50-item invoice, the signature alone, and the floor of
// one RSA-2048/SHA-1 signature made directly with OpenSSL.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include "bench_database.hpp"
#include "billing/nfe/assina_nfe.hpp"
#include "billing/nfe/gera_nfe.hpp"
#include "billing/nota_dataset.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/schema_setup.hpp"
#include "billing/nfe/nfe_campos.hpp"
#include "billing/nfe/valida_nfe.hpp"
#include "billing/nfe/xml_nfe.hpp"

namespace {

namespace fs = std::filesystem;

// A self-signed A1 certificate and its key, made once with the openssl command.
const fs::path& Pasta() {
  static const fs::path pasta = [] {
    fs::path p = fs::temp_directory_path() / "zpk-bench-nfe";
    fs::create_directories(p);
    std::string comando =
        "cd '" + p.string() +
        "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout k.pem -out c.pem -days 2 "
        "-subj '/CN=BENCH' >/dev/null 2>&1 && openssl pkcs12 -export -inkey k.pem -in c.pem "
        "-out a1.pfx -passout pass:x >/dev/null 2>&1";
    if (std::system(comando.c_str()) != 0) std::abort();
    return p;
  }();
  return pasta;
}

// An invoice of Itens items with ICMS 00, PIS and COFINS, freight 9, cash.
zpk::nfe::TNFeCampos Nota(int Itens) {
  zpk::nfe::TNFeCampos n;
  n.NovaNFe();
  const std::pair<const char*, const char*> doc[] = {{"cUF_B02", "35"},
                                                     {"cNF_B03", "12345678"},
                                                     {"natOp_B04", "VENDA"},
                                                     {"mod_B06", "55"},
                                                     {"serie_B07", "1"},
                                                     {"nNF_B08", "123"},
                                                     {"dhEmi_B09", "2026-07-15T10:20:30-03:00"},
                                                     {"tpNF_B11", "1"},
                                                     {"idDest_B11a", "1"},
                                                     {"cMunFG_B12", "3550308"},
                                                     {"tpImp_B21", "1"},
                                                     {"tpEmis_B22", "1"},
                                                     {"tpAmb_B24", "2"},
                                                     {"finNFe_B25", "1"},
                                                     {"indFinal_B25a", "0"},
                                                     {"indPres_B25b", "9"},
                                                     {"procEmi_B26", "0"},
                                                     {"verProc_B27", "001"},
                                                     {"CNPJ_C02", "12345678000195"},
                                                     {"xNome_C03", "TECELAGEM"},
                                                     {"xLgr_C06", "RUA A"},
                                                     {"nro_C07", "10"},
                                                     {"xBairro_C09", "CENTRO"},
                                                     {"cMun_C10", "3550308"},
                                                     {"xMun_C11", "SAO PAULO"},
                                                     {"UF_C12", "SP"},
                                                     {"CEP_C13", "01001000"},
                                                     {"IE_C17", "111111111111"},
                                                     {"CRT_C21", "3"},
                                                     {"CNPJ_E02", "98765432000198"},
                                                     {"xNome_E04", "CLIENTE"},
                                                     {"xLgr_E06", "AV B"},
                                                     {"nro_E07", "1"},
                                                     {"xBairro_E09", "IND"},
                                                     {"cMun_E10", "3550308"},
                                                     {"xMun_E11", "SAO PAULO"},
                                                     {"UF_E12", "SP"},
                                                     {"indIEDest_E16a", "1"},
                                                     {"IE_E17", "222222222222"}};
  for (const auto& [nome, valor] : doc) n.Campo(nome) = valor;
  for (int i = 0; i < Itens; ++i) {
    n.IncluirItem();
    const std::pair<const char*, const char*> item[] = {{"cProd_I02", "MALHA01"},
                                                        {"cEAN_I03", "SEM GTIN"},
                                                        {"xProd_I04", "MALHA PENTEADA"},
                                                        {"NCM_I05", "60062200"},
                                                        {"CFOP_I08", "5101"},
                                                        {"uCom_I09", "KG"},
                                                        {"qCom_I10", "10"},
                                                        {"vUnCom_I10a", "21"},
                                                        {"vProd_I11", "210"},
                                                        {"cEANTrib_I12", "SEM GTIN"},
                                                        {"uTrib_I13", "KG"},
                                                        {"qTrib_I14", "10"},
                                                        {"vUnTrib_I14a", "21"},
                                                        {"indTot_I17b", "1"},
                                                        {"orig_N11", "0"},
                                                        {"CST_N12", "00"},
                                                        {"modBC_N13", "3"},
                                                        {"vBC_N15", "210"},
                                                        {"pICMS_N16", "18"},
                                                        {"vICMS_N17", "37.8"},
                                                        {"CST_Q06", "01"},
                                                        {"vBC_Q07", "210"},
                                                        {"pPIS_Q08", "1.65"},
                                                        {"vPIS_Q09", "3.47"},
                                                        {"CST_S06", "01"},
                                                        {"vBC_S07", "210"},
                                                        {"pCOFINS_S08", "7.6"},
                                                        {"vCOFINS_S11", "15.96"}};
    for (const auto& [nome, valor] : item) n.Campo(nome) = valor;
    n.SalvarItem();
  }
  const char* zeros[] = {"vICMSDeson_W04a", "vFCP_W04h",      "vBCST_W05", "vST_W06",   "vFCPST_W06a",
                         "vFCPSTRet_W06b",  "vFrete_W08",     "vSeg_W09",  "vDesc_W10", "vII_W11",
                         "vIPI_W12",        "vIPIDevol_W12a", "vOutro_W15"};
  for (const char* nome : zeros) n.Campo(nome) = "0";
  const std::string total = std::to_string(210 * Itens);
  n.Campo("vBC_W03") = total;
  n.Campo("vICMS_W04") = std::to_string(37.8 * Itens);
  n.Campo("vProd_W07") = total;
  n.Campo("vPIS_W13") = std::to_string(3.47 * Itens);
  n.Campo("vCOFINS_W14") = std::to_string(15.96 * Itens);
  n.Campo("vNF_W16") = total;
  n.Campo("modFrete_X02") = "9";
  n.IncluirPart("YA");
  n.Campo("tPag_YA02") = "01";
  n.Campo("vPag_YA03") = total;
  n.SalvarPart("YA");
  return n;
}

// The whole job: field set, XML, validation, signature.
void NFeCompleta(benchmark::State& state) {
  const fs::path a1 = Pasta() / "a1.pfx";
  for (auto _ : state) {
    auto nota = Nota(static_cast<int>(state.range(0)));
    auto xml = zpk::nfe::GeraXmlNFe(nota);
    auto violacoes = zpk::nfe::ValidaXmlNFe(xml.Xml);
    if (!violacoes.empty()) {
      state.SkipWithError((violacoes[0].Campo + ": " + violacoes[0].Mensagem).c_str());
      break;
    }
    benchmark::DoNotOptimize(zpk::nfe::AssinaXmlNFe(xml.Xml, a1, "x"));
  }
  state.counters["invoices/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(NFeCompleta)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond);

// The signature alone (the certificate's key is read once and kept while
// its file stays the same).
void NFeAssinatura(benchmark::State& state) {
  const fs::path a1 = Pasta() / "a1.pfx";
  auto nota = Nota(static_cast<int>(state.range(0)));
  const std::string xml = zpk::nfe::GeraXmlNFe(nota).Xml;
  for (auto _ : state) benchmark::DoNotOptimize(zpk::nfe::AssinaXmlNFe(xml, a1, "x"));
}
BENCHMARK(NFeAssinatura)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond);

// Invoices of the demo database: 009101 with one item (the demo's exempt
// line) and 009150 with fifty (that line fifty times), their tax totals
// agreeing with the items so that no reconciliation question is asked.
zpk::bench::BenchDatabase& BancoNotas() {
  static zpk::bench::BenchDatabase banco("nfe", [](zpk::TTIDatabase& setup) {
    zpk::seed_demo_data(setup, zpk::find_schema_dir());
    zpk::TTIQuery q(setup);
    // Every column of a table, to copy a row under another invoice.
    const auto colunas = [&](const char* tabela) {
      q.SQL.Text =
          "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = :T "
          "ORDER BY RDB$FIELD_POSITION";
      q.ParamByName("T").AsString = tabela;
      q.Open();
      std::vector<std::string> nomes;
      for (; !q.Eof(); q.Next()) nomes.push_back(q.Fields(0).AsString);
      q.Close();
      return nomes;
    };
    const auto copia = [&](const char* tabela, const std::string& onde,
                           const std::vector<std::pair<std::string, std::string>>& trocas) {
      std::string lista, valores;
      for (const auto& c : colunas(tabela)) {
        std::string valor = c;
        for (const auto& [nome, expressao] : trocas)
          if (nome == c) valor = expressao;
        lista += (lista.empty() ? "" : ", ") + c;
        valores += (valores.empty() ? "" : ", ") + valor;
      }
      q.SQL.Text = std::string("INSERT INTO ") + tabela + " (" + lista + ") SELECT " + valores + " FROM " +
                   tabela + " WHERE " + onde;
      q.ExecSQL();
    };
    for (const auto& [fatura, itens] : {std::pair<std::string, int>{"009101", 1}, {"009150", 50}}) {
      const std::string n = std::to_string(itens);
      copia("NOTA_001", "FATURA = '009001'",
            {{"FATURA", "'" + fatura + "'"}, {"VAL_PRODUTOS", "150.00 * " + n}, {"VALOR", "150.00 * " + n},
             {"BASE_CALC", "0"}, {"VAL_ICMS", "0"}, {"BASE_SUBST", "0"}, {"VAL_SUBST", "0"},
             {"VAL_FCP", "0"}, {"VAL_ICMS_DEST", "0"}, {"VAL_ICMS_REMET", "0"}, {"VAL_PIS", "2.48 * " + n},
             {"VAL_COFINS", "11.40 * " + n}, {"CHAVE_NFE", "NULL"}});
      for (int i = 1; i <= itens; ++i) {
        copia("NOTAITEN_001", "FATURA = '009001' AND ORDEM = 3",
              {{"FATURA", "'" + fatura + "'"}, {"ORDEM", std::to_string(i)}});
      }
    }
  });
  return banco;
}

// The whole job from a stored invoice: the invoice dataset, GeraNFe (field
// set, key, XML), the schema check and the signature.
void NFeDaNotaGravada(benchmark::State& state) {
  BancoNotas();
  const fs::path a1 = Pasta() / "a1.pfx";
  const std::string fatura = state.range(0) == 1 ? "009101" : "009150";
  zpk::RelogioNFe = [] { return zpk::EncodeDateTime(2025, 6, 2, 10, 0, 0, 0); };
  zpk::IFinNFe = zpk::ITpTrasNFe = zpk::ITpImpNFe = zpk::ITpEntrega = 1;
  for (auto _ : state) {
    zpk::TTIQuery q(zpk::Tabela.IBDatabase);
    zpk::TClientDataSet nota;
    zpk::MontaDataSetNota(q, nota, fatura, zpk::NotaOrdem::by_order);
    zpk::nfe::TNFeCampos campos;
    std::string chave, lote;
    zpk::GeraNFe(campos, nota, chave, lote);
    auto violacoes = zpk::nfe::ValidaXmlNFe(lote);
    if (!violacoes.empty() || static_cast<int>(campos.Itens().size()) != state.range(0)) {
      state.SkipWithError(violacoes.empty() ? "wrong item count"
                                            : (violacoes[0].Campo + ": " + violacoes[0].Mensagem).c_str());
      break;
    }
    benchmark::DoNotOptimize(zpk::nfe::AssinaXmlNFe(lote, a1, "x"));
  }
  state.counters["invoices/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(NFeDaNotaGravada)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond);

// The floor: one RSA-2048 SHA-1 signature of a SignedInfo-sized text, key
// loaded once.
void FloorRsa2048Sha1(benchmark::State& state) {
  FILE* f = std::fopen((Pasta() / "k.pem").c_str(), "r");
  EVP_PKEY* chave = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  const std::string texto(600, 'x');
  unsigned char assinatura[512];
  for (auto _ : state) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    size_t tamanho = sizeof assinatura;
    EVP_DigestSignInit(ctx, nullptr, EVP_sha1(), nullptr, chave);
    EVP_DigestSign(ctx, assinatura, &tamanho, reinterpret_cast<const unsigned char*>(texto.data()),
                   texto.size());
    EVP_MD_CTX_free(ctx);
    benchmark::DoNotOptimize(assinatura);
  }
  EVP_PKEY_free(chave);
}
BENCHMARK(FloorRsa2048Sha1)->Unit(benchmark::kMillisecond);

}  // namespace
