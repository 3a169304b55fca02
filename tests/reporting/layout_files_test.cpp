// Finding layout files in the station's shared folder tree.
#include "reporting/layout_files.hpp"

#include <gtest/gtest.h>

#include "foundation/station_fixture.hpp"

namespace zpk {
namespace {

using test::write_file;

class LayoutFilesTest : public test::StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    set_root(root());
  }
};

TEST_F(LayoutFilesTest, PrefersTheLayoutFolderAndFallsBackToRelatorio) {
  write_file(store_ / "layout" / "WPEDIDO.prt", "page");
  write_file(store_ / "Relatorio" / "WPEDIDO.prt", "page");
  write_file(store_ / "Relatorio" / "TPEDIDO2.prt", "page");
  EXPECT_EQ(ArquivoLayout("WPEDIDO"), root() + "\\layout\\WPEDIDO.prt");
  EXPECT_EQ(ArquivoLayout("TPEDIDO2"), root() + "\\Relatorio\\TPEDIDO2.prt");
  EXPECT_EQ(ArquivoLayout("WNOTA"), "");
  EXPECT_EQ(arquivo_layout_relatorio("WNOTA"), root() + "\\Relatorio\\WNOTA.prt");
}

TEST_F(LayoutFilesTest, MatchesFolderAndFileInAnyCase) {
  write_file(store_ / "Layout" / "wnota.PRT", "page");
  EXPECT_EQ(ArquivoLayout("WNOTA"), root() + "\\Layout\\wnota.PRT");
}

TEST_F(LayoutFilesTest, NamesThatLeaveTheFolderFindNothing) {
  write_file(store_ / "segredo.prt", "page");
  write_file(store_ / "layout" / "x" / "y.prt", "page");
  for (const char* nome : {"..\\segredo", "../segredo", "x/y", "x\\y", "", ".."}) {
    SCOPED_TRACE(nome);
    EXPECT_EQ(ArquivoLayout(nome), "");
  }
}

TEST_F(LayoutFilesTest, AnUnsetRootFindsNothing) {
  set_root("");
  write_file(program_ / "layout" / "WNOTA.prt", "page");
  EXPECT_EQ(ArquivoLayout("WNOTA"), "");
}

}  // namespace
}  // namespace zpk
