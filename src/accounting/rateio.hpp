// Cost-centre apportionment of a document's amount by class: the record the
// host's apportionment form reads and answers in, and the entry point that
// decides whether that form is needed.
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk {

// What SetRateioClasse hands to the apportionment form, and RetornoOK, the
// form's answer.
struct TDadosRateioClasse {
  std::string Numero;
  std::string Classe;
  std::string Tipo;
  Currency Valor;
  TDateTime Data;
  bool RetornoOK = false;
  bool BtnCancelar = false;
  std::string NumeroAnt;
  bool ConfirmaRateio = false;
};

inline TDadosRateioClasse oDadosRateioClasse;

// The apportionment kind the host's screens share; the library only clears it
// when the package unloads.
inline std::string sTipoRateio;

// The form of the accounting package that apportions an amount by class;
// answered through the dialog port (DialogKind::modal_form).
inline constexpr const char* kFormLancRateio = "TfmLancRateio";
inline constexpr const char* kPackageRateio = "zpkContabil.bpl";

// Hands the amount of document Numero (a return, "DV", with its sign turned)
// to the apportionment form and returns its answer; True without the form
// for returns and receipts ("DV", "CR") unless FIN 100 is "S", and for
// payments ("CP", "CC", "AP", "OP") unless FIN 80 is "S". A Data of 0 is read
// from the document's stored split. Raises EDatabaseError.
bool SetRateioClasse(std::string_view Numero, std::string_view Classe, std::string_view Tipo, Currency Valor,
                     std::string_view NumeroAnt, bool BtnCancelar, TDateTime Data, bool ConfirmaRateio);

}  // namespace zpk
