#include "reporting/sreport.hpp"

#include <algorithm>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "documents/crc16.hpp"
#include "foundation/external_programs.hpp"
#include "foundation/file_store.hpp"
#include "foundation/session.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/ini_file.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "platform/ui/dialog_message.hpp"
#include "platform/ui/dialog_service.hpp"
#include "reporting/funcoes_relatorio.hpp"
#include "reporting/layout_files.hpp"

namespace zpk {

namespace fs = std::filesystem;

namespace {

// Zoom limits: below 10 % a page is a dot, and a zoom of 0 or less draws nothing.
constexpr int kMinScale = 10;
constexpr int kMaxScale = 1000;

// The sender the host installed (empty until it does).
DesktopMailSender& mail_sender() {
  static DesktopMailSender sender;
  return sender;
}

// Removes a file when the scope ends, however it ends.
class DeleteOnExit {
 public:
  explicit DeleteOnExit(fs::path file) : file_(std::move(file)) {}
  ~DeleteOnExit() {
    std::error_code ec;
    fs::remove(file_, ec);
  }
  DeleteOnExit(const DeleteOnExit&) = delete;
  DeleteOnExit& operator=(const DeleteOnExit&) = delete;

 private:
  fs::path file_;
};

// The user's own folder on the station: <program folder>EMails\E<vUsuarioCodigo>.
fs::path user_folder() {
  return program_folder() / "EMails" / ("E" + vUsuarioCodigo);
}

// True for the controls whose value goes into a string field.
bool text_control(TControlKind kind) {
  return kind != TControlKind::memo && kind != TControlKind::other;
}

// The value a control stores: check boxes "-1"/"0" (the runtime's True and
// False as the layouts test them), radio groups their item index.
std::string control_value(const TControlValue& control) {
  switch (control.kind) {
    case TControlKind::check_box:
      return control.checked ? "-1" : "0";
    case TControlKind::radio_group:
      return std::to_string(control.item_index);
    default:
      return control.text;
  }
}

// The report's title with its [expressions] expanded; empty without a template.
std::string formatted_title(TprReport& report) {
  std::string titulo;
  if (report.Template() != nullptr) report.FormatTemplate(report.Template()->Title, titulo);
  return titulo;
}

// A text inside double quotes for a command line ("" writes a quote).
std::string command_argument(std::string_view text) {
  return "\"" + StringReplace(text, "\"", "\"\"", rfReplaceAll) + "\"";
}

// The report's variable `name`, added when it has none: a report shown again
// (the caller's, reused) keeps one of each instead of a growing list.
TprVariable& report_variable(TprReport& report, const std::string& name) {
  for (int i = 0; i < report.Variables.Count(); ++i) {
    if (SameText(report.Variables.Items(i).Name, name)) return report.Variables.Items(i);
  }
  TprVariable& variable = report.Variables.AddVariable();
  variable.Name = name;
  return variable;
}

}  // namespace

TClientDataSet& tabela_tela() {
  static TClientDataSet tela("Tela");
  return tela;
}

std::string crc16_hexadecimal(std::string_view Text) {
  return fmt::format("{:04X}", CRC16CCITT(Text));
}

std::string exported_file_name(std::string_view titulo, std::string_view caption, bool whatsapp,
                               TDateTime when, std::string_view extension) {
  const std::string_view base = titulo.empty() ? caption : titulo;
  const std::string_view removed = whatsapp ? "/.\\ " : "/.";
  std::string name;
  for (char c : base) {
    if (removed.find(c) == std::string_view::npos) name += c;
  }
  return name + "_" + FormatDateTime("yyMMddHHmmss", when) + std::string(extension);
}

void set_desktop_mail_sender(DesktopMailSender sender) {
  mail_sender() = std::move(sender);
}

fs::path ExportaPrtXls(TprReport& Report, TDateTime when) {
  const bool nuvem = vNuvem == "S";
  const fs::path folder = nuvem ? user_folder() : fs::temp_directory_path();
  fs::create_directories(folder);
  const fs::path file =
      folder / exported_file_name(formatted_title(Report), "Relatorio", false, when, ".xlsx");
  Report.export_to_xlsx(file.string());
  if (!nuvem && !open_with_associated_program(file)) {
    // The workbook is written all the same: say where, so the figures are not lost.
    ShowMessageDialog("Planilha salva em " + file.string(), "ZELVO ERP");
  }
  return file;
}

TFmSReport::TFmSReport() {
  SetScalePercent(UserSettings("Zelvo\\RelWin").read_integer("", "ScalePercent", 100));
  FmSReport = this;
}

TFmSReport::~TFmSReport() {
  if (FmSReport == this) FmSReport = nullptr;
}

void TFmSReport::CriaReport() {
  LigaFuncoesRelatorio(*Report);  // the same functions as prReport1UnknownFunction
  CriaTabelaTela();
  Report->AddDataSet("Tela", tabela_tela());
  current_page_ = 0;
  const std::string arquivo = ArquivoLayout(NomeLayout);
  if (!arquivo.empty()) {
    Report->LoadTemplateFromFile(program_file(arquivo).string());
    report_variable(*Report, "vUsuario").SetAsString(vUsuario);
    report_variable(*Report, "vUsuarioEMail").SetAsString(vUsuarioEMail);
    Report->Prepare();
  } else {
    // A report left over from an earlier layout must not be shown under this name.
    Report->ClearTemplate();
    MessageBox("Relatório não foi criado. Layout " + NomeLayout, "ZELVO ERP", MB_ICONINFORMATION);
  }
  Titulo = formatted_title(*Report);
  Tela.Close();
}

void TFmSReport::CriaTabelaTela() {
  for (TClientDataSet* dataset : {&Tela, &tabela_tela()}) {
    dataset->Close();
    dataset->FieldDefs.Clear();
    dataset->FieldDefs.Add("Vazio", ftString, 1, true);
    for (const TControlValue& control : Origem) {
      // Component names are unique on a screen; a repeated name keeps its first control.
      if (control.kind == TControlKind::other || dataset->FieldDefs.IndexOf(control.name) >= 0) continue;
      if (control.kind == TControlKind::memo) {
        dataset->FieldDefs.Add(control.name, ftMemo);
        continue;
      }
      // As wide as the control shows (about six pixels a character), or the
      // value itself and one more when it is longer; never 0, which would
      // mean unlimited here.
      int size = std::max(control.width, 0) / 6;
      const int length = Length(control_value(control));
      if (length > size) size = length + 1;
      dataset->FieldDefs.Add(control.name, ftString, std::max(size, 1));
    }
    dataset->CreateDataSet();
  }
  TransfereDadosTela();
}

void TFmSReport::TransfereDadosTela() {
  for (TClientDataSet* dataset : {&Tela, &tabela_tela()}) {
    dataset->Append();
    // Vazio is required and no control fills it; an empty text counts as no
    // value, so it holds one blank (what a layout printing it shows anyway).
    dataset->FieldByName("Vazio").AsString = " ";
    for (const TControlValue& control : Origem) {
      if (control.kind == TControlKind::other) continue;
      if (TField* field = dataset->FindField(control.name)) {
        if (text_control(control.kind) || control.kind == TControlKind::memo) {
          field->AsString = control_value(control);
        }
      }
    }
    dataset->Post();
    // On the last record, reached through RecNo: Last leaves Eof set, and the
    // report engine reads no record of a dataset at Eof.
    dataset->RecNo = dataset->RecordCount();
  }
}

void TFmSReport::prReport1UnknownFunction(TprCustomReport& Sender, const std::string& FuncName,
                                          const TprParameters& Parameters, int ParametersCount,
                                          Variant& Value, bool& IsProcessed) {
  if (FuncaoRelatorio(FuncName, Parameters, Value)) IsProcessed = true;
}

void TFmSReport::SetScalePercent(int value) {
  scale_percent_ = std::clamp(value, kMinScale, kMaxScale);
}

int TFmSReport::PageCount() const {
  return Report->GetEndPagesCount();
}

void TFmSReport::ToolButton1Click() {
  const bool print_setup = vNuvem != "S";
  if (OnImprimir) {
    OnImprimir(*Report, print_setup);
    return;
  }
  // The report's own print operations: the set-up dialog on the station's
  // printers, or, hosted, straight to the default queue.
  if (print_setup)
    Report->PrintPreparedReportDlg();
  else
    Report->PrintPreparedReport();
}

fs::path TFmSReport::write_pdf(const fs::path& folder, bool whatsapp, TDateTime when) {
  fs::create_directories(folder);
  const fs::path file = folder / exported_file_name(Titulo, Caption, whatsapp, when);
  Report->export_to_pdf(file.string());
  return file;
}

void TFmSReport::ToolButton3Click(TDateTime when) {
  // The PDF only lives while the mail program takes it: without a shared
  // folder configured it goes to the temporary folder, not to the disk's root.
  const std::string root = file_store_root();
  const fs::path folder =
      root.empty() ? fs::temp_directory_path() / "relatorio" : program_file(root + "\\relatorio");
  const fs::path file = folder / exported_file_name(Titulo, Caption, false, when);
  DeleteOnExit cleanup(file);
  write_pdf(folder, false, when);
  std::string erro;
  if (!mail_sender()) {
    erro = "Nenhum programa de e-mail está ligado a esta estação.";
  } else {
    try {
      mail_sender()(EmailDestinatario, "", "", Titulo, "", file.string(), false, true, erro);
    } catch (const std::exception& e) {
      erro = e.what();
    }
  }
  if (!erro.empty()) MessageBox("Ocorreu um erro ao criar o e-mail.\r" + erro, "Erro", MB_ICONWARNING);
}

int TFmSReport::ToolButton4Click(TDateTime when) {
  const fs::path file = write_pdf(user_folder(), false, when);
  FmEnviaEmail.cbDestinatario = EmailDestinatario;
  FmEnviaEmail.edtAssunto = Titulo;
  FmEnviaEmail.edtAnexo = file.string();
  // The send-mail form belongs to the utilities package of the host; it reads
  // its fields from FmSReport->FmEnviaEmail and answers with its modal result.
  MessageRequest request;
  request.kind = DialogKind::modal_form;
  request.type = TMsgDlgType::mtCustom;
  request.caption = "TFmEnviaEmail";
  request.text = "zpkUtil.bpl";
  request.buttons = {"&Enviar", "&Cancelar"};
  request.default_button = 1;
  request.cancel_button = 2;
  return dialog_service().show_message(request);
}

fs::path TFmSReport::ToolButton5Click(TDateTime when) {
  return ExportaPrtXls(*Report, when);
}

std::optional<fs::path> TFmSReport::ToolButton7Click() {
  // The title as exported names have it ("/" and "\\" would name folders, a
  // "." would end the name early), with the dialog's default extension.
  std::string suggestion;
  for (char c : Titulo.empty() ? Caption : Titulo) {
    if (c != '/' && c != '\\' && c != '.') suggestion += c;
  }
  suggestion += ".pdf";
  std::optional<std::string> chosen;
  if (OnSalvarComo) {
    chosen = OnSalvarComo(suggestion);
  } else {
    InputRequest request;
    request.kind = DialogKind::input_password;  // a plain edit: masked stays false
    request.caption = "Salvar em PDF";
    request.prompt = "Nome do arquivo:";
    request.value = suggestion;
    request.buttons = {"&OK", "&Cancelar"};
    chosen = dialog_service().show_input(request);
  }
  if (!chosen || Trim(*chosen).empty()) return std::nullopt;
  fs::path file = program_file(*chosen);
  if (file.extension().empty()) file += ".pdf";  // the save dialog's default extension
  Report->export_to_pdf(file.string());
  return file;
}

std::optional<fs::path> TFmSReport::ToolButton2Click(TDateTime when) {
  const fs::path whatsapp = program_folder() / "WhatsApp";
  std::error_code ec;
  if (!fs::is_directory(whatsapp, ec)) {
    ShowMessageDialog("Funcionalidade não disponível.", "ZELVO ERP");
    return std::nullopt;
  }
  IniFile(whatsapp / "ConfTInject.ini").write_string("Informacao", "Usuario Logado", vUsuario);
  Ocupado(true);
  fs::path file;
  bool started = false;
  const fs::path program = whatsapp / "uWhatsApp.exe";
  try {
    file = write_pdf(program_folder() / "Relatorio", true, when);
    started = OnExecutaPrograma
                  ? OnExecutaPrograma(program, file.string())
                  : ExecutaEXE(command_argument(program.string()) + " " + command_argument(file.string()));
  } catch (...) {
    Ocupado(false);
    throw;
  }
  Ocupado(false);
  if (!started) MessageBox("Não foi possível iniciar " + program.string(), "ZELVO ERP", MB_ICONWARNING);
  return file;
}

bool TFmSReport::ToolButton9Click(std::string_view text) {
  const int count = PageCount();
  const std::string wanted = UpperCase(text);
  if (count == 0 || wanted.empty()) return false;
  for (int step = 0; step < count; ++step) {
    const int page = (current_page_ + step) % count;
    for (const TprPageObject& object : Report->GetEndPage(page).Objects) {
      if (UpperCase(object.Text).find(wanted) != std::string::npos) {
        current_page_ = page;
        return true;
      }
    }
  }
  return false;
}

void TFmSReport::ToolButton15Click() {
  if (current_page_ > 0) --current_page_;
}

void TFmSReport::ToolButton17Click() {
  if (current_page_ + 1 < PageCount()) ++current_page_;
}

void TFmSReport::FormKeyPress(char Key) {
  if (Key == 27) {
    FormClose();
  } else if (Key == '+') {
    ToolButton11Click();
  } else if (Key == '-') {
    ToolButton13Click();
  }
}

void TFmSReport::FormClose() {
  UserSettings("Zelvo\\RelWin").write_integer("", "ScalePercent", scale_percent_);
  closed_ = true;
}

}  // namespace zpk
