// Screen loading by class name.
#include "ui/carrega_form.hpp"

#include <dlfcn.h>

#include <QDialog>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "foundation/audit_log.hpp"
#include "foundation/external_programs.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "foundation/station_settings.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"
#include "ui/janelas_sistema.hpp"
#include "ui/opcoes_tela.hpp"
#include "ui/pacote_telas.hpp"
#include "ui/temas.hpp"

namespace zpk::ui {
namespace {

std::mutex g_mutex;

std::map<std::string, std::pair<std::string, FabricaTela>>& classes() {
  static std::map<std::string, std::pair<std::string, FabricaTela>> registro;
  return registro;
}

std::set<std::string>& pacotes_carregados() {
  static std::set<std::string> carregados;
  return carregados;
}

// The class's registered name and factory; an empty factory when unknown.
std::pair<std::string, FabricaTela> classe(const std::string& nome) {
  std::lock_guard lock(g_mutex);
  const auto it = classes().find(UpperCase(nome));
  return it == classes().end() ? std::pair<std::string, FabricaTela>{} : it->second;
}

// "zpkVendas.bpl" -> zpkVendas.so, libzpkVendas.so, zpkVendas.bpl, where the
// program's folder (or the path given) holds them.
std::vector<std::filesystem::path> candidatos(const std::string& NomeBpl) {
  const std::filesystem::path dado = program_file(Trim(NomeBpl));
  const std::filesystem::path pasta = dado.parent_path();
  const std::string base = dado.stem().string();
  return {pasta / (base + ".so"), pasta / ("lib" + base + ".so"), dado};
}

// Starts the program NomeBpl from the station's program folder; the fiscal
// bookkeeping program gets the user's code. It runs on beside the screens.
void executa_programa(const std::string& NomeBpl) {
  const std::string pasta = LeIni("caminho", "path", Tabela.ArquivoIni);
  const std::string programa = pasta + "\\" + Trim(NomeBpl);
  // The program's path is quoted: a folder with blanks stays one argument.
  std::string linha = "\"" + programa + "\"";
  if (Pos("SPEDFISCAL.EXE", UpperCase(NomeBpl)) > 0) linha += " \"" + vUsuarioCodigo + "\"";
  if (!find_program(programa)) {
    ShowErrorMessage("Não foi possível iniciar o programa " + programa + "!");
    return;
  }
  std::thread([linha] { ExecutaEXE(linha); }).detach();
}

// The registering function a package's entry point is given.
extern "C" void registra_do_pacote(const char* Nome, zpk_fabrica_tela Fabrica) {
  if (Nome && Fabrica) registra_classe_tela(Nome, Fabrica);
}

}  // namespace

void registra_classe_tela(const std::string& Nome, FabricaTela Fabrica) {
  std::lock_guard lock(g_mutex);
  classes()[UpperCase(Nome)] = {Nome, std::move(Fabrica)};
}

bool classe_tela_registrada(const std::string& Nome) {
  return static_cast<bool>(classe(Nome).second);
}

void carrega_pacote(const std::string& NomeBpl) {
  const std::string chave = UpperCase(Trim(NomeBpl));
  {
    std::lock_guard lock(g_mutex);
    if (pacotes_carregados().count(chave)) return;
  }
  std::string erros;
  for (const std::filesystem::path& arquivo : candidatos(NomeBpl)) {
    if (!std::filesystem::exists(arquivo)) continue;
    if (void* pacote = ::dlopen(arquivo.c_str(), RTLD_NOW | RTLD_GLOBAL)) {
      {
        std::lock_guard lock(g_mutex);
        pacotes_carregados().insert(chave);
      }
      // A package of ours names its screen classes through its entry point;
      // one that registers them itself at load time needs none.
      if (auto entrada = reinterpret_cast<zpk_registra_telas_pacote>(::dlsym(pacote, kEntradaPacote)))
        entrada(&registra_do_pacote);
      return;
    }
    const char* erro = ::dlerror();
    erros += std::string("; ") + (erro ? erro : arquivo.string());
  }
  throw EZpkError("Não foi possível carregar o pacote " + NomeBpl +
                  (erros.empty() ? ": não encontrado" : erros));
}

namespace {

// Carrega_Form's work; a modal screen's result goes to *resultado (0 when
// no screen was shown).
QWidget* abre_tela(const std::string& NomeBpl, const std::string& NomeForm, const std::string& CodRelatorio,
                   bool Modal, bool Mostrar, std::string SalvarTela, int* resultado) {
  if (resultado) *resultado = 0;
  if (!Trim(NomeBpl).empty()) {
    const int ponto = Pos(".", NomeBpl);
    if (ponto > 0 && SameText(Copy(NomeBpl, ponto, 4), ".exe")) {
      executa_programa(NomeBpl);
      return nullptr;
    }
    carrega_pacote(NomeBpl);
  }

  const auto [nome, fabrica] = classe(NomeForm);
  if (!fabrica) {
    MessageBox("Não foi possível encontrar a Tela!", "", MB_ICONERROR);
    return nullptr;
  }

  sRelatorio = CodRelatorio;
  QWidget* form = fabrica();
  form->setProperty("NomeClasse", QString::fromStdString(nome));
  ConfiguraTela(form);

  if (SalvarTela == "I") {
    const Variant valor = Busca_Valor("ACESSO_MENU", "NOME_FORM;NOME_BPL", "SALVAR_TELA",
                                      Aspas(NomeForm) + ";" + Aspas(NomeBpl));
    SalvarTela = valor.IsText() ? valor.AsString() : "";
  }
  if (SalvarTela == "S") {
    fFormEventStorageList.Add(std::make_unique<TFormEventStorage>(TFormEventStorage{form, {}}));
    instala_evento_fechar(form, &TOpcoesCarregamento::EventoSalvaOpcoes);
    TOpcoesCarregamento::InicializaOpcoes(form);
  } else {
    // Screens the library opens free themselves when closed.
    form->setAttribute(Qt::WA_DeleteOnClose);
  }

  const std::string chave_log = sRelatorio.empty() ? "0" : sRelatorio;
  // Taken now: a modal screen is gone by the time it is logged.
  const std::string nome_form = form->objectName().toStdString();
  QPointer<QWidget> aberto = form;
  if (Mostrar) {
    if (Modal) {
      form->setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                           Qt::WindowCloseButtonHint);
      form->setWindowModality(Qt::ApplicationModal);
      if (auto* dialogo = qobject_cast<QDialog*>(form)) {
        const int r = dialogo->exec();
        if (resultado) *resultado = r;
      } else {
        // A plain window answers through its "ModalResult" property, read
        // as it goes (closing without one is no answer).
        QEventLoop espera;
        int r = 0;
        QObject::connect(form, &QObject::destroyed, &espera, [&](QObject* o) {
          r = o->property("ModalResult").toInt();
          espera.quit();
        });
        form->show();
        espera.exec();
        if (resultado) *resultado = r;
      }
    } else {
      if (sysJanelas && sysJanelas->torna_filha(form)) sysJanelas->AddWindowBar(form, NomeBpl, CodRelatorio);
      form->show();
    }
  }
  if (sLogTelas == "S") GeraLog("PRINCIPAL", "ABERTURA DA TELA", oplMovimentacao, chave_log, nome_form);
  return Modal && Mostrar ? nullptr : aberto.data();
}

}  // namespace

QWidget* Carrega_Form(const std::string& NomeBpl, const std::string& NomeForm,
                      const std::string& CodRelatorio, bool Modal, bool Mostrar, std::string SalvarTela) {
  return abre_tela(NomeBpl, NomeForm, CodRelatorio, Modal, Mostrar, std::move(SalvarTela), nullptr);
}

int mostra_tela_modal(const MessageRequest& request) {
  // Nobody confirmed: the request's cancel button (0 when it has none).
  const int cancelado = std::max(request.cancel_button, 0);
  try {
    int resultado = 0;
    abre_tela(request.text, request.caption, "", true, true, "N", &resultado);
    // QDialog's Accepted (1) is the first button, the confirming one;
    // Rejected (0) or a result the request has no button for is a cancel.
    return resultado >= 1 && resultado <= static_cast<int>(request.buttons.size()) ? resultado : cancelado;
  } catch (const EZpkError& e) {
    // The screen's package is missing: said, and the screen counts as cancelled.
    ShowErrorMessage(e.what());
    return cancelado;
  }
}

}  // namespace zpk::ui
