// Opening a screen by its class name, as the menu items name it: the screen's
// package (a shared library found by name in the program's folder) is loaded
// on demand, the screen is made, configured, given its saved options, and
// shown modally or as an MDI child with a tab. ".exe" entries start a program.
#pragma once

#include <functional>
#include <string>

#include "platform/ui/dialog_service.hpp"

class QWidget;

namespace zpk::ui {

// Makes a new screen of a registered class.
using FabricaTela = std::function<QWidget*()>;

// Registers a screen class under Nome (replacing an earlier one of that
// name); packages do it when they are loaded, through RegistraTela.
void registra_classe_tela(const std::string& Nome, FabricaTela Fabrica);
// True when a class of that name (ignoring case) is registered.
bool classe_tela_registrada(const std::string& Nome);

// A package's registration of one of its screen classes at load time:
//   static zpk::ui::RegistraTela registro("TfmCadPedido", [] { return new FmCadPedido; });
struct RegistraTela {
  RegistraTela(const std::string& Nome, FabricaTela Fabrica) {
    registra_classe_tela(Nome, std::move(Fabrica));
  }
};

// Loads the package NomeBpl unless loaded already: "zpkVendas.bpl" is found
// as zpkVendas.so, libzpkVendas.so or the name itself in the program's folder
// (any path given is honoured); its entry point, when it has one
// (ui/pacote_telas.hpp), registers its screen classes. Raises EZpkError with
// the loader's message when none loads.
void carrega_pacote(const std::string& NomeBpl);

// Opens the screen NomeForm of package NomeBpl (see above): with Mostrar and
// Modal it is shown modally and freed when closed (nullptr is returned);
// with Mostrar alone it becomes an MDI child with its tab; otherwise it is
// returned unshown. SalvarTela "S" saves its options per user on close, "I"
// takes the choice from ACESSO_MENU. A class not registered shows "Não foi
// possível encontrar a Tela!" and gives nullptr; a package that does not
// load raises.
QWidget* Carrega_Form(const std::string& NomeBpl, const std::string& NomeForm,
                      const std::string& CodRelatorio, bool Modal, bool Mostrar, std::string SalvarTela);

// A host screen the library asks for through the dialog port
// (DialogKind::modal_form: caption = class name, text = package): opened
// modally by Carrega_Form and answered with its modal result, a button
// number of the request (a QDialog's Accepted is button 1; a plain window
// sets its "ModalResult" property). A missing package or class is told to
// the user and answers the request's cancel button (0 when it has none).
int mostra_tela_modal(const MessageRequest& request);

}  // namespace zpk::ui
