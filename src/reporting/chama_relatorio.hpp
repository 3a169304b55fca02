// Calling a report from a screen: the print mode and layout box, the layout
// name built from the report name, the layout file found under the shared
// folder, and the report previewed, printed or rendered to PDF.
#pragma once

#include <string>
#include <vector>

#include "reporting/preview.hpp"
#include "reporting/report.hpp"
#include "reporting/tx_report.hpp"

namespace zpk {

// The layout name of report NomeRel ("XPEDIDO") in mode Modo ("W", "T",
// "F"): the mode letter, the report name without its first character, and
// Layout when above 0 ("WPEDIDO", "TPEDIDO2").
std::string nome_layout_relatorio(const std::string& NomeRel, const std::string& Modo, int Layout);

// The layouts of a report, in the order the box offers them: "Layout
// Padrao." then each REL_LAYOUT row's description + "." (by ORDEM), or, when
// the report has no row, "Layout Personalizado 1." to "4.".
void ListaLayoutRelatorio(std::vector<std::string>& Combo, const std::string& NomeRel);

// The "Modo de Impressão" box: mode ("Gráfico" preselected when company
// parameter SIS 20 is "S", else "Texto") and layout (the standard one
// preselected). True when confirmed, with Modo "T" or "W" and Layout the
// 0-based index of the layout chosen (0 = standard).
bool InputBoxImpressao(const std::string& NomeRel, int& Layout, std::string& Modo);

// The printer chooser over the station's printers; the chosen printer goes
// to Impressora. Cancelling raises EAbort: the operation stops silently.
void SelecionaImpressora(std::string& Impressora);

// Text report: loads layout Nome, prepares it and previews it (Visualizar),
// or prints it on Impressora without a dialog, or after the set-up dialog
// (Configurar), or directly. Sequencia starts the report function
// Sequencia's count again. A missing layout is told in a box, nothing else
// happens; false when nothing was shown or printed.
bool Chama_RelatorioTxt(TprTxReport& Rel, const std::string& Nome, bool Visualizar, bool Sequencia = false,
                        const std::string& Impressora = "", bool Configurar = false);

// Graphic report. Visualizar: any preview of the owner form Form is closed
// and the preview hook gets the report, the layout name and the caption
// "Visualização " + the form's caption (the preview prepares the report
// itself). Otherwise as Chama_RelatorioTxt: load, prepare, print.
bool Chama_RelatorioWin(TprReport& Rel, const std::string& Nome, bool Visualizar, const OwnerForm& Form,
                        bool Configurar = false, const std::string& Impressora = "", bool Sequencia = false);

// The entry point. With Modo the layout name is built from it ("W" and "F":
// graphic, else text); without, the mode box asks, and a report chosen
// there is always previewed. Cancelling the box does nothing (false).
bool Chama_Relatorio(TprReport& RelWin, TprTxReport& RelTxt, const std::string& NomeRel,
                     const OwnerForm& Form, const std::string& Modo = "", bool Visualizar = true,
                     bool Configurar = false, const std::string& Impressora = "", bool Sequencia = false);

// Loads layout Nome into Rel with the variables vUsuario and vUsuarioEMail,
// prepares it and writes the pages into the PDF file Arquivo; when Abrir and
// the file exists it is opened with its associated program, except in hosted
// mode (vNuvem "S"). False when the layout is missing (told in a box) or
// nothing was prepared.
bool GeraPDF(const std::string& Arquivo, TprReport& Rel, const std::string& Nome, bool Abrir = false);

// Chama_Relatorio for a caller without report components of its own (batch
// jobs, the command line); the layout then needs no dataset from a screen.
// What became of the report: the file written when there was no printer,
// the printer it went to, "preview", or "" when nothing was shown or printed.
std::string chama_relatorio(const std::string& NomeRel, const std::string& Modo, bool Visualizar,
                            bool Configurar, const std::string& Impressora);

// GeraPDF for a caller without a report component of its own.
bool gera_pdf(const std::string& Arquivo, const std::string& Nome, bool Abrir);

}  // namespace zpk
