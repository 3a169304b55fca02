// The file store on real files: where pictures and documents are found and
// stored, what happens to codes that would lead out of the store, and the
// folder and file listings.
#include "foundation/file_store.hpp"

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/external_programs.hpp"
#include "station_fixture.hpp"

namespace zpk {
namespace {

using test::read_file;
using test::write_file;

using test::fs::path;

class FileStoreTest : public test::StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    set_root(root());
    set_file_opener([this](const path& file) {
      opened_.push_back(file);
      return true;
    });
  }
  void TearDown() override {
    set_file_opener({});
    StationTest::TearDown();
  }

  path images() const { return store_ / "arquivos" / "imagens"; }
  std::vector<path> opened_;
};

TEST_F(FileStoreTest, BuscaArquivoFindsPicturesInTheCompanyFolderWhenItExists) {
  const std::string r = root();
  const struct {
    const char* label;
    std::vector<std::string> files;  // below arquivos/imagens
    std::string codigo;
    TTipo tipo;
    std::string expected;
  } kCases[] = {
      {"no photo", {}, "P1", tpProduto, r + "\\imagem.jpg"},
      {"photo in the kind's folder",
       {"produto/P1.jpg"},
       "P1",
       tpProduto,
       r + "\\arquivos\\imagens\\produto\\P1.jpg"},
      {"company folder present",
       {"_001/produto/P1.jpg", "produto/P1.jpg"},
       "P1",
       tpProduto,
       r + "\\arquivos\\imagens\\_001\\produto\\P1.jpg"},
      {"company folder present, photo only outside it",
       {"_001/cores/X.jpg", "produto/P1.jpg"},
       "P1",
       tpProduto,
       r + "\\imagem.jpg"},
      {"another company's folder is not used",
       {"_002/produto/P1.jpg", "produto/P1.jpg"},
       "P1",
       tpProduto,
       r + "\\arquivos\\imagens\\produto\\P1.jpg"},
      {"trailing blanks of the code",
       {"material/M 7.jpg"},
       "M 7  ",
       tpMaterial,
       r + "\\arquivos\\imagens\\material\\M 7.jpg"},
      {"kind folder",
       {"tinturaria/T1.jpg"},
       "T1",
       tpTinturaria,
       r + "\\arquivos\\imagens\\tinturaria\\T1.jpg"},
      {"only .jpg is a picture", {"produto/P1.png"}, "P1", tpProduto, r + "\\imagem.jpg"},
      {"code leading out of the store",
       {"produto/x.jpg"},
       "..\\..\\..\\segredo",
       tpProduto,
       r + "\\imagem.jpg"},
  };
  write_file(store_ / "segredo.jpg", "outside");
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    std::error_code ec;
    test::fs::remove_all(store_ / "arquivos", ec);
    for (const auto& file : c.files) write_file(images() / file, "jpeg");
    EXPECT_EQ(BuscaArquivo(c.codigo, "", c.tipo), c.expected);
  }
  EXPECT_TRUE(dialogs_.records().empty());
  EXPECT_TRUE(opened_.empty());
}

TEST_F(FileStoreTest, BuscaArquivoReadsARootStoredWithBackslashes) {
  std::string stored = root();
  for (char& c : stored) {
    if (c == '/') c = '\\';
  }
  set_root(stored);
  write_file(images() / "estampa" / "E1.jpg", "jpeg");
  const std::string found = BuscaArquivo("E1", "", tpEstampa);
  EXPECT_EQ(found, stored + "\\arquivos\\imagens\\estampa\\E1.jpg");
  EXPECT_TRUE(test::fs::equivalent(native_path(found), images() / "estampa" / "E1.jpg"));
}

TEST_F(FileStoreTest, BuscaArquivoOpensDocumentsOfTheCode) {
  const path documents = store_ / "arquivos" / "documentos";
  write_file(documents / "11222333000181" / "contrato.pdf", "pdf");
  write_file(documents / "colaborador" / "C7" / "ficha.pdf", "pdf");

  EXPECT_EQ(BuscaArquivo("11.222.333/0001-81", "contrato.pdf", tpDocumento), "");
  EXPECT_EQ(BuscaArquivo("C7", "ficha.pdf", tpColaborador), "");
  ASSERT_EQ(opened_.size(), 2u);
  EXPECT_TRUE(test::fs::equivalent(opened_[0], documents / "11222333000181" / "contrato.pdf"));
  EXPECT_TRUE(test::fs::equivalent(opened_[1], documents / "colaborador" / "C7" / "ficha.pdf"));
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(FileStoreTest, BuscaArquivoReportsAMissingDocumentAndAborts) {
  const path documents = store_ / "arquivos" / "documentos";
  write_file(documents / "123" / "ficha.pdf", "pdf");
  write_file(documents / "colaborador" / "C7" / "ficha.pdf", "pdf");
  write_file(store_ / "senhas.txt", "outside");
  write_file(store_ / "arquivos" / "senhas.txt", "outside");
  const struct {
    const char* label;
    std::string codigo;
    std::string arquivo;
    TTipo tipo;
  } kCases[] = {
      {"missing file", "123", "outra.pdf", tpDocumento},
      {"missing code folder", "124", "ficha.pdf", tpDocumento},
      {"staff documents are a folder of their own", "123", "ficha.pdf", tpColaborador},
      {"a folder is not a file", "123", "", tpDocumento},
      {"file name leading out of the store", "123", "..\\..\\..\\senhas.txt", tpDocumento},
      {"code leading out of the store", "..\\..", "senhas.txt", tpColaborador},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    dialogs_.clear();
    EXPECT_THROW(BuscaArquivo(c.codigo, c.arquivo, c.tipo), EAbort);
    ASSERT_EQ(dialogs_.records().size(), 1u);
    EXPECT_EQ(dialogs_.last().kind, DialogKind::message_box);
    EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
    EXPECT_EQ(dialogs_.last().text, "Arquivo não encontrado.");
  }
  EXPECT_TRUE(opened_.empty());
}

TEST_F(FileStoreTest, SalvaArquivoCopiesIntoTheKindsFolderAndReplacesAnOlderFile) {
  write_file(base_ / "camera" / "foto nova.JPG", "second");
  write_file(images() / "produto" / "P1.JPG", "first");
  std::string shown;
  const std::string stored = SalvaArquivo("P1", (base_ / "camera" / "foto nova.JPG").string(), tpProduto,
                                          [&](const std::string& file) { shown = file; });
  EXPECT_EQ(stored, root() + "\\arquivos\\imagens\\produto\\P1.JPG");
  EXPECT_EQ(shown, stored);
  EXPECT_EQ(read_file(images() / "produto" / "P1.JPG"), "second");
  // Nothing but the picture is left in the folder (no temporary copies).
  EXPECT_EQ(GetArquivos((images() / "produto").string(), "*.*"), std::vector<std::string>{"P1.JPG"});
  // The source picture itself is untouched.
  EXPECT_EQ(read_file(base_ / "camera" / "foto nova.JPG"), "second");
}

TEST_F(FileStoreTest, SalvaArquivoCreatesTheFoldersAndBuscaArquivoFindsThePicture) {
  write_file(base_ / "m.jpg", "jpeg");
  const std::string stored = SalvaArquivo("M1", (base_ / "m.jpg").string(), tpMaterial);
  EXPECT_EQ(read_file(images() / "material" / "M1.jpg"), "jpeg");
  EXPECT_EQ(BuscaArquivo("M1", "", tpMaterial), stored);
  // Storing the stored file again changes nothing.
  EXPECT_EQ(SalvaArquivo("M1", stored, tpMaterial), stored);
  EXPECT_EQ(read_file(images() / "material" / "M1.jpg"), "jpeg");
}

TEST_F(FileStoreTest, SalvaArquivoLeavesDocumentsAlone) {
  write_file(base_ / "d.pdf", "pdf");
  EXPECT_EQ(SalvaArquivo("D1", (base_ / "d.pdf").string(), tpDocumento), "");
  EXPECT_EQ(SalvaArquivo("D1", (base_ / "d.pdf").string(), tpColaborador), "");
  EXPECT_FALSE(test::fs::exists(store_ / "arquivos"));
}

TEST_F(FileStoreTest, SalvaArquivoRefusesWhatWouldLandOutsideTheStore) {
  write_file(base_ / "m.jpg", "jpeg");
  const std::string origem = (base_ / "m.jpg").string();
  for (const char* codigo : {"..\\..\\..\\programa\\zelvo", "../../fora", "a\\b", "..", ""}) {
    SCOPED_TRACE(codigo);
    EXPECT_THROW(SalvaArquivo(codigo, origem, tpProduto), EFileStoreError);
  }
  EXPECT_FALSE(test::fs::exists(program_ / "zelvo.jpg"));
  EXPECT_FALSE(test::fs::exists(base_ / "fora.jpg"));
  EXPECT_THROW(SalvaArquivo("P1", (base_ / "nada.jpg").string(), tpProduto), EFileStoreError);

  // Without a configured root nothing is written anywhere.
  GravaIni("Caminho", "path", "", Tabela.ArquivoIni);
  EXPECT_THROW(SalvaArquivo("P1", origem, tpProduto), EFileStoreError);
  set_root((base_ / "sumiu").string());
  EXPECT_THROW(SalvaArquivo("P1", origem, tpProduto), EFileStoreError);
  EXPECT_FALSE(test::fs::exists(base_ / "sumiu"));
}

TEST_F(FileStoreTest, TrataImagemKeepsAnExistingFile) {
  write_file(base_ / "a.jpg", "jpeg");
  EXPECT_EQ(TrataImagem((base_ / "a.jpg").string()), (base_ / "a.jpg").string());
  EXPECT_EQ(TrataImagem((base_ / "b.jpg").string()), root() + "\\imagem.jpg");
  EXPECT_EQ(TrataImagem(base_.string()), root() + "\\imagem.jpg");
}

class FolderListingTest : public test::StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    tree_ = base_ / "pasta";
    for (const char* file : {"b.txt", "A.JPG", "c.jpg", "sem_extensao", "sub1/x.jpg", "sub2/deep/y.txt"}) {
      write_file(tree_ / file, "x");
    }
    // A link back up the tree must not make the recursive listing loop.
    test::fs::create_directory_symlink(tree_, tree_ / "sub1" / "volta");
  }
  path tree_;
};

TEST_F(FolderListingTest, ListsFoldersAndMatchingFiles) {
  const std::string pasta = tree_.string();
  EXPECT_EQ(GetDiretorios(pasta), (std::vector<std::string>{"sub1", "sub2"}));
  EXPECT_EQ(GetDiretorios(pasta + "\\sub1"), std::vector<std::string>{"volta"});
  EXPECT_TRUE(GetDiretorios(pasta + "\\nada").empty());

  const struct {
    const char* mascara;
    std::vector<std::string> expected;
  } kCases[] = {
      {"*.*", {"A.JPG", "b.txt", "c.jpg", "sem_extensao"}},
      {"*.jpg", {"A.JPG", "c.jpg"}},
      {"?.TXT", {"b.txt"}},
      {"s*", {"sem_extensao"}},
      {"*.pdf", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.mascara);
    EXPECT_EQ(GetArquivos(pasta, c.mascara), c.expected);
  }
}

TEST_F(FolderListingTest, AddArquivosDescendsFirstWhenRecursive) {
  const std::string pasta = tree_.string();
  std::vector<std::string> flat{"antes"};
  AddArquivos(pasta, flat, false);
  EXPECT_EQ(flat, (std::vector<std::string>{"antes", pasta + "\\A.JPG", pasta + "\\b.txt", pasta + "\\c.jpg",
                                            pasta + "\\sem_extensao"}));

  std::vector<std::string> all;
  AddArquivos(pasta + "\\", all, true);
  EXPECT_EQ(all, (std::vector<std::string>{pasta + "\\sub1\\x.jpg", pasta + "\\sub2\\deep\\y.txt",
                                           pasta + "\\A.JPG", pasta + "\\b.txt", pasta + "\\c.jpg",
                                           pasta + "\\sem_extensao"}));

  std::vector<std::string> none;
  AddArquivos(pasta + "\\nada", none, true);
  EXPECT_TRUE(none.empty());
}

TEST(MatchesMask, FollowsTheWildcardsOfFileNames) {
  const struct {
    const char* name;
    const char* mask;
    bool expected;
  } kCases[] = {
      {"foto.jpg", "*.*", true},
      {"sem_ponto", "*.*", true},
      {"foto.JPG", "*.jpg", true},
      {"foto.jpeg", "*.jpg", false},
      {"ação.txt", "AÇÃO.*", true},
      {"a.b.c", "*.c", true},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"aXbXc", "a*b*c", true},
      {"aXbX", "a*b*c", false},
      {"relatorio.prt", "rel*", true},
      {"x", "", false},
      {"mississippi", "*sip*", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.name) + " ~ " + c.mask);
    EXPECT_EQ(matches_mask(c.name, c.mask), c.expected);
  }
}

TEST_F(FileStoreTest, FileDateIsTheLastWriteInLocalTime) {
  const path file = base_ / "datado.txt";
  write_file(file, "x");
  std::tm local{};
  local.tm_year = 2021 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 4;
  local.tm_hour = 5;
  local.tm_min = 6;
  local.tm_sec = 7;
  local.tm_isdst = -1;
  const auto moment = std::chrono::system_clock::from_time_t(std::mktime(&local));
  test::fs::last_write_time(file, std::chrono::file_clock::from_sys(moment));
  EXPECT_EQ(FileDate(file.string()), EncodeDateTime(2021, 3, 4, 5, 6, 7, 0));
  EXPECT_EQ(FileDate((base_ / "nada.txt").string()), DateNull);
}

// Every picture kind is stored in and found from its own folder of the store,
// and no two kinds share one; every kind is read back from its stored name.
TEST_F(FileStoreTest, EachPictureKindHasItsOwnFolder) {
  const struct {
    TTipo tipo;
    const char* name;
    const char* folder;
  } kCases[] = {
      {tpCores, "tpCores", "cores"},
      {tpEstampa, "tpEstampa", "estampa"},
      {tpFuncionario, "tpFuncionario", "funcionario"},
      {tpInstrucao, "tpInstrucao", "instrucao"},
      {tpMaterial, "tpMaterial", "material"},
      {tpMedida, "tpMedida", "medida"},
      {tpProduto, "tpProduto", "produto"},
      {tpQuadro, "tpQuadro", "quadro"},
      {tpTinturaria, "tpTinturaria", "tinturaria"},
      {tpDesenho, "tpDesenho", "desenho"},
      {tpPrototipo, "tpPrototipo", "prototipo"},
      {tpMaquina, "tpMaquina", "maquina"},
      {tpUsuario, "tpUsuario", "usuario"},
  };
  write_file(base_ / "k.jpg", "jpeg");
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(tipo_from_text(c.name), c.tipo);
    SalvaArquivo("K1", (base_ / "k.jpg").string(), c.tipo);
    EXPECT_EQ(read_file(images() / c.folder / "K1.jpg"), "jpeg");
    EXPECT_EQ(BuscaArquivo("K1", "", c.tipo), root() + "\\arquivos\\imagens\\" + c.folder + "\\K1.jpg");
  }
  int folders = 0;
  for ([[maybe_unused]] const auto& entry : test::fs::directory_iterator(images())) ++folders;
  EXPECT_EQ(folders, static_cast<int>(std::size(kCases)));

  EXPECT_EQ(tipo_from_text("tpDocumento"), tpDocumento);
  EXPECT_EQ(tipo_from_text("tpColaborador"), tpColaborador);
  EXPECT_EQ(tipo_from_text("MAQUINA"), tpMaquina);
  EXPECT_THROW(tipo_from_text("foto"), EConvertError);
}

}  // namespace
}  // namespace zpk
