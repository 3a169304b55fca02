#include "reporting/chama_relatorio.hpp"

#include <filesystem>

#include "foundation/external_programs.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "foundation/station_settings.hpp"
#include "platform/db/database_error.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"
#include "platform/ui/dialog_service.hpp"
#include "reporting/funcoes_relatorio.hpp"
#include "reporting/layout_files.hpp"
#include "reporting/print_queue.hpp"

namespace zpk {
namespace {

constexpr const char* kCaption = "ZELVO Sistemas";

// Loads layout Nome into the report with the report functions bound; false
// (after the box that says so) when no layout file exists.
bool carrega_layout(TprCustomReport& Rel, const std::string& Nome) {
  const std::string arquivo = ArquivoLayout(Nome);
  if (arquivo.empty()) {
    MessageBox("Relatório não foi criado!\n" + arquivo_layout_relatorio(Nome), kCaption,
               MB_OK | MB_ICONINFORMATION);
    return false;
  }
  // The stored path names the shared folder as stations store it; it is
  // read here through this station's own path to it.
  Rel.LoadTemplateFromFile(program_file(arquivo).string());
  LigaFuncoesRelatorio(Rel);
  return true;
}

// Prepares the loaded report and shows or prints it as the flags say.
bool prepara_e_imprime(TprCustomReport& Rel, bool Visualizar, const std::string& Impressora,
                       bool Configurar) {
  if (!Rel.Prepare()) return false;
  if (Visualizar) {
    Rel.PreviewPreparedReport();
    return true;
  }
  if (!Trim(Impressora).empty()) {
    Rel.PrinterName = Trim(Impressora);
    Rel.PrintPreparedReport();
    return true;
  }
  if (Configurar) return Rel.PrintPreparedReportDlg();
  Rel.PrintPreparedReport();
  return true;
}

}  // namespace

std::string nome_layout_relatorio(const std::string& NomeRel, const std::string& Modo, int Layout) {
  std::string nome = Modo + (NomeRel.empty() ? std::string() : NomeRel.substr(1));
  if (Layout > 0) nome += std::to_string(Layout);
  return nome;
}

void ListaLayoutRelatorio(std::vector<std::string>& Combo, const std::string& NomeRel) {
  Combo.clear();
  Combo.push_back("Layout Padrao.");
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Text = DBLocal_SQL("SELECT * FROM {REL_LAYOUT} WHERE RELATORIO = :RELATORIO ORDER BY ORDEM");
  q.ParamByName("RELATORIO").AsString = NomeRel;
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    // A name longer than the column cannot have been stored: no rows.
    if (!e.is_truncation()) throw;
    q.ParamByName("RELATORIO").Clear();
    q.Open();
  }
  if (q.IsEmpty()) {
    for (int i = 1; i <= 4; ++i) Combo.push_back("Layout Personalizado " + std::to_string(i) + ".");
    return;
  }
  for (; !q.Eof(); q.Next()) Combo.push_back(q.FieldByName("LAYOUT").AsString() + ".");
}

bool InputBoxImpressao(const std::string& NomeRel, int& Layout, std::string& Modo) {
  std::vector<std::string> layouts;
  ListaLayoutRelatorio(layouts, NomeRel);
  InputRequest request;
  request.kind = DialogKind::print_mode;
  request.caption = "Modo de Impressão";
  request.items = {"Texto", "Gráfico"};
  request.items.insert(request.items.end(), layouts.begin(), layouts.end());
  request.value = BuscaParametro("SIS", 20) == "S" ? "W:0" : "T:0";
  request.buttons = {"&OK", "&Cancelar"};
  const std::optional<std::string> answer = dialog_service().show_input(request);
  if (!answer) return false;
  // "<mode letter>:<layout index>"; an answer outside the choices offered is
  // the box's fault, not a layout to look for.
  const std::string text = Trim(*answer);
  const size_t colon = text.find(':');
  const std::string modo = UpperCase(text.substr(0, colon));
  int layout = 0;
  if (colon != std::string::npos) {
    const std::string number = Trim(text.substr(colon + 1));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos || number.size() > 3) {
      throw EZpkError("Resposta inválida para o modo de impressão: " + text);
    }
    layout = std::stoi(number);
  }
  if ((modo != "T" && modo != "W") || layout >= static_cast<int>(layouts.size())) {
    throw EZpkError("Resposta inválida para o modo de impressão: " + text);
  }
  Modo = modo;
  Layout = layout;
  return true;
}

void SelecionaImpressora(std::string& Impressora) {
  InputRequest request;
  request.kind = DialogKind::select_printer;
  request.caption = "Impressora";
  request.prompt = "Impressora";
  request.items = impressoras_instaladas();
  request.value = Impressora.empty() ? ImpressoraPadrao() : Impressora;
  request.buttons = {"&OK", "&Cancelar"};
  const std::optional<std::string> answer = dialog_service().show_input(request);
  if (!answer) Abort();
  Impressora = Trim(*answer);
}

bool Chama_RelatorioTxt(TprTxReport& Rel, const std::string& Nome, bool Visualizar, bool Sequencia,
                        const std::string& Impressora, bool Configurar) {
  if (!carrega_layout(Rel, Nome)) return false;
  if (Sequencia) iSeq = 0;
  return prepara_e_imprime(Rel, Visualizar, Impressora, Configurar);
}

bool Chama_RelatorioWin(TprReport& Rel, const std::string& Nome, bool Visualizar, const OwnerForm& Form,
                        bool Configurar, const std::string& Impressora, bool Sequencia) {
  if (Visualizar) {
    // The preview window loads and prepares the layout itself; a missing
    // one is still told here, before any window opens.
    if (ArquivoLayout(Nome).empty()) {
      MessageBox("Relatório não foi criado!\n" + arquivo_layout_relatorio(Nome), kCaption,
                 MB_OK | MB_ICONINFORMATION);
      return false;
    }
    LigaFuncoesRelatorio(Rel);
    if (Sequencia) iSeq = 0;
    preview_host().close_previews(Form.name);
    PreviewRequest request;
    request.report = &Rel;
    request.layout = Nome;
    request.caption = "Visualização " + Form.caption;
    request.owner = Form.name;
    preview_host().show_preview(request);
    return true;
  }
  if (!carrega_layout(Rel, Nome)) return false;
  if (Sequencia) iSeq = 0;
  return prepara_e_imprime(Rel, false, Impressora, Configurar);
}

bool Chama_Relatorio(TprReport& RelWin, TprTxReport& RelTxt, const std::string& NomeRel,
                     const OwnerForm& Form, const std::string& Modo, bool Visualizar, bool Configurar,
                     const std::string& Impressora, bool Sequencia) {
  std::string modo = UpperCase(Trim(Modo));
  int layout = 0;
  if (modo.empty()) {
    if (!InputBoxImpressao(NomeRel, layout, modo)) return false;
    Visualizar = true;
  }
  const std::string nome = nome_layout_relatorio(NomeRel, modo, layout);
  if (modo == "W" || modo == "F")
    return Chama_RelatorioWin(RelWin, nome, Visualizar, Form, Configurar, Impressora, Sequencia);
  return Chama_RelatorioTxt(RelTxt, nome, Visualizar, Sequencia, Impressora, Configurar);
}

bool GeraPDF(const std::string& Arquivo, TprReport& Rel, const std::string& Nome, bool Abrir) {
  if (!carrega_layout(Rel, Nome)) return false;
  Rel.Variables.AddVariable().Name = "vUsuario";
  Rel.Variables.Items(Rel.Variables.Count() - 1).SetAsString(vUsuario);
  Rel.Variables.AddVariable().Name = "vUsuarioEMail";
  Rel.Variables.Items(Rel.Variables.Count() - 1).SetAsString(vUsuarioEMail);
  if (!Rel.Prepare()) return false;
  Rel.export_to_pdf(Arquivo);
  std::error_code ec;
  if (Abrir && vNuvem != "S" && std::filesystem::exists(Arquivo, ec)) open_with_associated_program(Arquivo);
  return true;
}

std::string chama_relatorio(const std::string& NomeRel, const std::string& Modo, bool Visualizar,
                            bool Configurar, const std::string& Impressora) {
  TprReport win;
  TprTxReport txt;
  if (!Chama_Relatorio(win, txt, NomeRel, OwnerForm{}, Modo, Visualizar, Configurar, Impressora)) return "";
  for (const TprCustomReport* rel :
       {static_cast<const TprCustomReport*>(&win), static_cast<const TprCustomReport*>(&txt)}) {
    if (rel->GetEndPagesCount() == 0) continue;
    if (!rel->LastPrintFile().empty()) return rel->LastPrintFile();
    // A report chosen through the mode box is previewed, whatever was asked.
    if (Visualizar || Trim(Modo).empty()) return "preview";
    return rel->PrinterName.empty() ? ImpressoraPadrao() : rel->PrinterName;
  }
  return Visualizar || Trim(Modo).empty() ? "preview" : "";
}

bool gera_pdf(const std::string& Arquivo, const std::string& Nome, bool Abrir) {
  TprReport rel;
  return GeraPDF(Arquivo, rel, Nome, Abrir);
}

}  // namespace zpk
