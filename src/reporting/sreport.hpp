// TFmSReport: what the report preview window does around the report, without
// the window: the screen dataset layouts read, loading and preparing the
// layout, zoom and page state, and the actions of its tool buttons.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dataset/client_dataset.hpp"
#include "platform/rtl/datetime.hpp"
#include "reporting/report.hpp"

namespace zpk {

// Kinds of the calling screen's controls, as far as the screen dataset cares.
enum class TControlKind {
  edit,
  db_edit,
  currency_edit,
  date_edit,
  db_date_edit,
  check_box,
  radio_group,
  combo_box,
  masked_edit,
  grid_editor,  // the grid's in-place editor (TTIEdGrid)
  memo,
  other,  // labels, panels, buttons...: not copied
};

// One control of the calling screen as the host reads it: `text` is what the
// control shows (the masked text of masked and date edits, the numeric text of
// currency edits, the description of grid editors); check boxes give
// `checked`, radio groups `item_index`.
struct TControlValue {
  TControlKind kind = TControlKind::edit;
  std::string name;
  int width = 0;  // pixels
  std::string text;
  bool checked = false;
  int item_index = -1;
};

// The screen dataset of the shared data module that layouts read under the
// name "Tela"; CriaTabelaTela refills it for every report.
TClientDataSet& tabela_tela();

// Four upper-case hexadecimal digits of the text's CRC16CCITT. The report
// function "CRC16" and TFmSReport::CalculaCRC16 both give this; the free
// CalculaCRC16 of the document routines (text followed by its four digits)
// is another routine of the same name, kept for its own callers, which is why
// the window's one is a member and this helper has a name of its own.
std::string crc16_hexadecimal(std::string_view Text);

// The name an exported file gets: the title, or `caption` when the title is
// empty, without "/" and "." (for WhatsApp also without "\" and blanks), then
// "_" + `when` as yyMMddHHmmss + `extension`. Removing the separators and dots
// keeps a title from naming a file outside the target folder.
std::string exported_file_name(std::string_view titulo, std::string_view caption, bool whatsapp,
                               TDateTime when, std::string_view extension = ".pdf");

// How the desktop mail program is given a message; the same arguments as
// EnviaOutLook, which the host installs (the messaging layer sits above
// reporting). An error text left in Erro is shown to the user.
using DesktopMailSender = std::function<void(
    std::string_view Para, std::string_view CC, std::string_view CCo, std::string_view Assunto,
    std::string_view Corpo, std::string_view Anexos, bool Html, bool Exibir, std::string& Erro)>;
// Installs the sender every preview window uses; an empty one uninstalls it
// (then sending reports that no mail program is connected).
void set_desktop_mail_sender(DesktopMailSender sender);

// Copies the prepared report into an XLSX workbook named after its title
// (exported_file_name with ".xlsx" at `when`) and returns its path. On a
// station the file goes to the temporary folder and is opened with the
// desktop's spreadsheet program; in hosted mode (vNuvem = "S") nobody sits at
// the server's desktop, so it is only saved, in the user's folder
// <program folder>EMails\E<vUsuarioCodigo>. Raises EZpkError when the report
// has no pages or the file cannot be written.
std::filesystem::path ExportaPrtXls(TprReport& Report, TDateTime when = Now());

// The fields ERP's send-mail form is opened with.
struct TFmEnviaEmail {
  std::string cbDestinatario;
  std::string edtAssunto;
  std::string edtAnexo;
};

// The preview window's state and actions. The host creates it, sets the
// public state, calls CriaReport, then shows the prepared pages of `Report`
// at ScalePercent and wires its buttons and keys to the ToolButton methods.
class TFmSReport {
 public:
  // Reads the zoom stored for the user (key Zelvo\RelWin, default 100) and
  // makes this window the current one (FmSReport).
  TFmSReport();
  ~TFmSReport();
  TFmSReport(const TFmSReport&) = delete;
  TFmSReport& operator=(const TFmSReport&) = delete;

  // State the caller sets before CriaReport.
  TprReport* Report = &prReport1;  // the report to show, not owned
  std::string NomeLayout;
  std::string Caption;
  std::string EmailDestinatario;
  std::vector<TControlValue> Origem;  // the calling screen's controls; empty: the window's own (none)

  // Set by CriaReport: the title with its [expressions] expanded.
  std::string Titulo;
  // The send-mail form as ToolButton4Click last filled it.
  TFmEnviaEmail FmEnviaEmail;

  // Hooks the host may set. Printing: `print_setup` asks for the print set-up
  // first; returns false when the user cancelled it. Unset: the report's
  // PrintPreparedReportDlg / PrintPreparedReport.
  std::function<bool(TprReport& report, bool print_setup)> OnImprimir;
  // The save dialog: the chosen file name, or nullopt when cancelled. Unset:
  // an input box of the dialog port prefilled with the suggestion.
  std::function<std::optional<std::string>(const std::string& suggestion)> OnSalvarComo;
  // Starting a program with one argument, without a shell. Unset: the
  // program runs (ExecutaEXE) and the window waits until it ends.
  std::function<bool(const std::filesystem::path& program, const std::string& argument)> OnExecutaPrograma;

  // The window's own report and screen dataset.
  TprReport prReport1;
  TClientDataSet Tela{"Tela"};

  // Binds the report functions, fills the screen datasets, loads the layout
  // (layout folder, else Relatorio), sets vUsuario and vUsuarioEMail and
  // prepares the pages; a missing layout is told in a box and leaves no pages.
  // Layout errors propagate.
  void CriaReport();
  // (Re)creates Tela and the shared screen dataset from Origem and copies the values.
  void CriaTabelaTela();
  // Appends one record with every control's value to both screen datasets.
  void TransfereDadosTela();
  // The window's report-function handler: the ERP's report functions.
  void prReport1UnknownFunction(TprCustomReport& Sender, const std::string& FuncName,
                                const TprParameters& Parameters, int ParametersCount, Variant& Value,
                                bool& IsProcessed);
  // Four upper-case hexadecimal digits of the text's CRC16CCITT.
  std::string CalculaCRC16(std::string_view Text) const { return crc16_hexadecimal(Text); }

  // Zoom in percent of the page width shown, kept between 10 and 1000.
  int ScalePercent() const { return scale_percent_; }
  void SetScalePercent(int value);
  // 0-based page shown, and the number of prepared pages.
  int CurrentPage() const { return current_page_; }
  int PageCount() const;
  bool Closed() const { return closed_; }

  // Imprimir: at once in hosted mode, else after the print set-up. Unset
  // OnImprimir: the report's own print operations (print_queue.hpp).
  void ToolButton1Click();
  // E-mail through the desktop mail program: PDF into <root>\relatorio, the
  // message opened with it attached, the PDF deleted afterwards in every case.
  void ToolButton3Click(TDateTime when = Now());
  // E-mail through the ERP's send-mail form: PDF into the user's e-mail
  // folder; returns the form's modal result (1 sent, 2 cancelled).
  int ToolButton4Click(TDateTime when = Now());
  // Excel: ExportaPrtXls of the report; returns the file's path.
  std::filesystem::path ToolButton5Click(TDateTime when = Now());
  // PDF: the file chosen in the save dialog; nullopt when cancelled.
  std::optional<std::filesystem::path> ToolButton7Click();
  // WhatsApp: PDF into <program folder>Relatorio handed to the WhatsApp
  // sender; returns the PDF's path, or nullopt when the sender is not installed.
  std::optional<std::filesystem::path> ToolButton2Click(TDateTime when = Now());
  // Localizar: shows the first page from the current one on (wrapping) that
  // holds `text` (any case); false when none does.
  bool ToolButton9Click(std::string_view text);
  void ToolButton11Click() { SetScalePercent(scale_percent_ + 10); }  // Aumentar Fonte
  void ToolButton13Click() { SetScalePercent(scale_percent_ - 10); }  // Reduzir Fonte
  void ToolButton15Click();                                           // Página Anterior
  void ToolButton17Click();                                           // Próxima Página
  void ToolButton19Click() { FormClose(); }                           // Fechar
  // Escape closes, "+" and "-" zoom by 10.
  void FormKeyPress(char Key);
  // Stores the zoom for the user; the window is closed afterwards.
  void FormClose();

 private:
  std::filesystem::path write_pdf(const std::filesystem::path& folder, bool whatsapp, TDateTime when);

  int scale_percent_ = 100;
  int current_page_ = 0;
  bool closed_ = false;
};

// The preview window open now, or nullptr.
inline TFmSReport* FmSReport = nullptr;

}  // namespace zpk
