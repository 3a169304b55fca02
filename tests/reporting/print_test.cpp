// Printing prepared reports through the station's print queue: the lp
// command each kind of report sends, the set-up dialog, the file written
// when the station has no printer, and a job the queue refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/station_fixture.hpp"
#include "platform/rtl/errors.hpp"
#include "reporting/preview.hpp"
#include "reporting/print_queue.hpp"
#include "reporting/report.hpp"
#include "reporting/tx_report.hpp"

namespace zpk {
namespace {

constexpr const char* kLayout =
    "page size=A4\nband title height=10\n  text x=10 y=0 w=50 h=5 text=\"Romaneio\"\n";

std::string read_all(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// Records each lp command with the file it would print, instead of printing.
class PrintTest : public test::StationTest {
 protected:
  void SetUp() override {
    StationTest::SetUp();
    previous_spawner_ = set_print_spawner([this](const std::vector<std::string>& argv) {
      commands_.push_back(argv);
      printed_.push_back(read_all(argv.back()));
      return accept_;
    });
    previous_lister_ = set_printer_lister([] { return std::vector<std::string>{"laser", "matricial"}; });
    for (TprCustomReport* report :
         {static_cast<TprCustomReport*>(&graphic_), static_cast<TprCustomReport*>(&text_)}) {
      report->LoadTemplateFromText(kLayout, "ROMANEIO.prt");
      report->Prepare();
    }
  }
  void TearDown() override {
    set_print_spawner(previous_spawner_);
    set_printer_lister(previous_lister_);
    StationTest::TearDown();
  }

  // No default printer anywhere: not the user's, not CUPS's.
  test::ScopedEnv lpdest_{"LPDEST", nullptr};
  test::ScopedEnv printer_{"PRINTER", nullptr};
  test::ScopedEnv home_{"HOME", (base_ / "home").c_str()};
  test::ScopedEnv data_{"XDG_DATA_HOME", (base_ / "dados").c_str()};
  PrintSpawner previous_spawner_;
  PrinterLister previous_lister_;
  std::vector<std::vector<std::string>> commands_;
  std::vector<std::string> printed_;
  bool accept_ = true;
  TprReport graphic_;
  TprTxReport text_;
};

TEST_F(PrintTest, EachKindOfReportSendsItsOwnLpCommand) {
  graphic_.PrinterName = "laser";
  graphic_.PrintPreparedReport();
  text_.PrinterName = "matricial";
  text_.PrintPreparedReport();
  ASSERT_EQ(commands_.size(), 2u);
  ASSERT_EQ(commands_[0].size(), 4u);
  EXPECT_EQ((std::vector<std::string>(commands_[0].begin(), commands_[0].end() - 1)),
            (std::vector<std::string>{"lp", "-d", "laser"}));
  EXPECT_EQ(std::filesystem::path(commands_[0].back()).extension(), ".pdf");
  EXPECT_EQ(printed_[0].substr(0, 5), "%PDF-");
  ASSERT_EQ(commands_[1].size(), 6u);
  EXPECT_EQ((std::vector<std::string>(commands_[1].begin(), commands_[1].end() - 1)),
            (std::vector<std::string>{"lp", "-d", "matricial", "-o", "raw"}));
  EXPECT_EQ(printed_[1], text_.text());
  // The temporary job files are gone once the queue took them.
  for (const auto& command : commands_) EXPECT_FALSE(std::filesystem::exists(command.back()));
  EXPECT_EQ(graphic_.LastPrintFile(), "");
}

TEST_F(PrintTest, WithoutAnyPrinterTheJobGoesToAFileInTheUsersFolder) {
  text_.PrintPreparedReport();
  EXPECT_TRUE(commands_.empty());
  const std::filesystem::path file = text_.LastPrintFile();
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(file.parent_path(), base_ / "dados" / "zpk" / "impressao");
  EXPECT_EQ(file.extension(), ".txt");
  EXPECT_EQ(file.filename().string().rfind("ROMANEIO_", 0), 0u);
  EXPECT_EQ(read_all(file), text_.text());
}

TEST_F(PrintTest, TheSetupDialogChoosesThePrinterOrPrintsNothing) {
  dialogs_.reply(":cancel");
  graphic_.PrinterName = "laser";
  EXPECT_FALSE(graphic_.PrintPreparedReportDlg());
  EXPECT_TRUE(commands_.empty());
  EXPECT_EQ(dialogs_.last().kind, DialogKind::print_setup);
  EXPECT_EQ(dialogs_.last().value, "laser");

  dialogs_.reply("matricial");
  EXPECT_TRUE(graphic_.PrintPreparedReportDlg());
  EXPECT_EQ(graphic_.PrinterName, "matricial");
  ASSERT_EQ(commands_.size(), 1u);
  EXPECT_EQ(commands_[0][2], "matricial");
}

TEST_F(PrintTest, ARefusedJobOrNothingPreparedIsAnError) {
  accept_ = false;
  graphic_.PrinterName = "laser";
  EXPECT_THROW(graphic_.PrintPreparedReport(), EZpkError);
  TprReport empty;
  empty.PrinterName = "laser";
  EXPECT_THROW(empty.PrintPreparedReport(), EZpkError);
}

TEST_F(PrintTest, PreviewHandsThePreparedReportToTheHook) {
  HeadlessPreview preview;
  ScopedPreviewHost guard(preview);
  text_.PreviewPreparedReport();
  ASSERT_EQ(preview.shown.size(), 1u);
  EXPECT_EQ(preview.shown[0].report, &text_);
  EXPECT_EQ(preview.shown[0].layout, "ROMANEIO");
  EXPECT_TRUE(preview.shown[0].prepared);
  EXPECT_TRUE(commands_.empty());
}

}  // namespace
}  // namespace zpk
