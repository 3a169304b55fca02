// The terminal dialog service, driven through string streams.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/ui/console_dialogs.hpp"
#include "platform/ui/dialog_message.hpp"
#include "platform/ui/input_boxes.hpp"

namespace zpk {
namespace {

TEST(ConsoleDialogs, AsksUntilTheLineNamesAButton) {
  const struct {
    const char* typed;
    bool expected;
  } kCases[] = {
      {"talvez\n1\n", true},  // an unknown answer asks again
      {"\n", false},          // Enter: the cancel button (no default declared)
      {"", false},            // end of input: the same
      {"s\nsim\n", true},    {"Não\n", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.typed);
    std::istringstream in(c.typed);
    std::ostringstream out;
    ConsoleDialogs console(in, out, true);
    ScopedDialogService guard(console);
    EXPECT_EQ(ConfirmMessage("Gravar?"), c.expected);
    EXPECT_NE(out.str().find("[1] Sim  [2] Não  [3] Cancela"), std::string::npos) << out.str();
  }
}

TEST(ConsoleDialogs, InputKeepsTheInitialTextOnEnterAndCancels) {
  std::istringstream in("\n000777\n:cancel\n");
  std::ostringstream out;
  ConsoleDialogs console(in, out, true);
  ScopedDialogService guard(console);
  std::string nota = "000123";
  EXPECT_TRUE(InputBoxNota("Faturamento", "Número da Nota Fiscal", nota));
  EXPECT_EQ(nota, "000123");
  EXPECT_TRUE(InputBoxNota("Faturamento", "Número da Nota Fiscal", nota));
  EXPECT_EQ(nota, "000777");
  EXPECT_FALSE(InputBoxNota("Faturamento", "Número da Nota Fiscal", nota));
  EXPECT_EQ(nota, "000777");
}

TEST(ConsoleDialogs, WithoutATerminalPrintsOneLineAndTakesTheDefault) {
  std::istringstream in("1\n");
  std::ostringstream out;
  ConsoleDialogs console(in, out, false);
  ScopedDialogService guard(console);
  EXPECT_EQ(MessageBox("Recalcular?", "Transmissão de NFe", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(out.str(), "[dialog] message_box warning \"Transmissão de NFe\": Recalcular? [Sim|Não] -> Não\n");
}

}  // namespace
}  // namespace zpk
