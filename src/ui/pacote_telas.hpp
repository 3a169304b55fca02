// What a package (a shared library of screens) exports so that the program
// learns its screen classes when it loads it: one C entry point the loader
// calls with a registering function, so the package needs none of our code.
#pragma once

class QWidget;

extern "C" {
// Makes a new screen of one class.
using zpk_fabrica_tela = QWidget* (*)();
// Registers the class Nome (a screen class name, "TfmCadPedido") with its factory.
using zpk_registra_tela = void (*)(const char* Nome, zpk_fabrica_tela Fabrica);
// The entry point a package defines: it registers each of its screen classes.
using zpk_registra_telas_pacote = void (*)(zpk_registra_tela Registra);
}

namespace zpk::ui {
// The name of that entry point in the package.
inline constexpr const char* kEntradaPacote = "zpk_registra_telas";
}  // namespace zpk::ui
