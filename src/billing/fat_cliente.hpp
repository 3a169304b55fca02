// The customer's credit position (open titles, open orders, advances and
// return credits against the credit limit) and the financial block of an
// order: what the sales and billing screens check before accepting an order
// or issuing an invoice.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/property.hpp"

namespace zpk {

// The credit position of one customer (FCodCli) for a document of value
// FValorFat. Amounts are added up in fixed point (four decimals), so that a
// position at exactly the limit compares as equal to it. Neither copied nor
// moved (its properties point at it).
class TFatCliente {
 public:
  // Works on Tabela.IBDatabase; QryUpdate is created on it.
  TFatCliente();
  TFatCliente(const TFatCliente&) = delete;
  TFatCliente& operator=(const TFatCliente&) = delete;

  TTIDatabase* FDatabase = nullptr;  // connection of QryUpdate
  std::string FCodCli;               // customer code (ENTIDADE.CODCLI)
  double FValorFat = 0;              // value of the invoice or new order under examination
  double FVlrLimite = 0;             // the limit as LimiteCredito last computed it
  std::unique_ptr<TTIQuery> QryUpdate;

  // Stores the connection and points QryUpdate at it.
  void SetDatabase(TTIDatabase* Value);

  // Open amount of the receivable titles in the customer's scope: the group's
  // customers when its group is analysed as a whole, else the customers of
  // its CNPJ, else the customer alone; unpaid titles of status N (and CH, CD
  // unless FIN 130 is "N"); over every company when FIN 90 is "S" and
  // receivables are not kept locally. Raises EDatabaseError.
  double ValorEmAberto() const;
  // Value of the customer's (or its analysed group's) orders with a positive
  // quantity: items plus IPI, less the order's discount percentage.
  double ValorPedidos() const;
  // Open amount of the customer's unpaid advances (status A): a credit.
  double ValorAntecipa() const;
  // Open amount of the customer's unpaid return credits (status DV).
  double ValorDevol() const;
  // True when the open amount plus the exposure of Tipo ("P": orders and
  // FValorFat, "F": FValorFat, else nothing) stays within CREDITO plus
  // advances and return credits; stores that limit in FVlrLimite.
  bool LimiteCredito(std::string_view Tipo);
  // Records FValorFat as the customer's largest invoice (MAIOR_FAT, dated
  // today) when it is above the stored one. Not committed.
  void MaiorFaturamento();
  // Records FValorFat plus the open amount as the largest accumulated debt
  // (MAIOR_ACUMULO, dated today) when it is above the stored one. Not committed.
  void MaiorAcumulo();
  // Records FValorFat as the last invoice, dated today. Not committed.
  void UltimoFaturamento();

 private:
  std::string GetCodcli() const { return FCodCli; }
  void SetCodcli(std::string v) { FCodCli = std::move(v); }
  double GetValorFaturamento() const { return FValorFat; }
  void SetValorFaturamento(double v) { FValorFat = v; }
  double GetVlrLimite() const { return FVlrLimite; }
  void SetVlrLimite(double v) { FVlrLimite = v; }
  TTIDatabase* GetDatabase() const { return FDatabase; }
  TTIDatabase& database() const;

 public:
  Property<TFatCliente, std::string, &TFatCliente::GetCodcli, &TFatCliente::SetCodcli> Codcli{this};
  Property<TFatCliente, double, &TFatCliente::GetValorFaturamento, &TFatCliente::SetValorFaturamento>
      ValorFaturamento{this};
  ReadOnlyProperty<TFatCliente, double, &TFatCliente::ValorEmAberto> VlrEmAberto{this};
  ReadOnlyProperty<TFatCliente, double, &TFatCliente::ValorPedidos> VlrPedidos{this};
  Property<TFatCliente, double, &TFatCliente::GetVlrLimite, &TFatCliente::SetVlrLimite> VlrLimite{this};
  Property<TFatCliente, TTIDatabase*, &TFatCliente::GetDatabase, &TFatCliente::SetDatabase> Database{this};
};

// The instance BloqueioPedidoFinanceiro last examined a customer with (each
// call replaces it, releasing the previous one); empty before the first.
inline std::unique_ptr<TFatCliente> FatCliente;

// Tests the reasons that block an order, in this order: credit analysis
// overdue (DT_ANALISE plus VEN 60 days, or DT_PREV_ANALISE), overdue titles
// (VEN 30), no title at all (VEN 40), credit limit exceeded (VEN 50), last
// invoice older than VEN 240 days. When any holds, shows all their texts in
// one warning box and returns true; CodMensagem gets the MENSAGEM code of the
// first reason that holds (empty otherwise). Valor counts only for an order
// not yet in PEDIDO. Raises EDatabaseError.
bool BloqueioPedidoFinanceiro(std::string_view Pedido, std::string_view Cliente, double Valor,
                              std::string& CodMensagem);

// True when the customer (or any customer of its CNPJ) has an unpaid trade
// bill due before today, in any company. Raises EDatabaseError.
bool DuplicatasVencidas(std::string_view Cliente);
// The same, counting return credits (status DV) too.
bool DuplicatasAtraso(std::string_view Cliente);

// Blocks the customer (BLOQUEIO "S", committed) and returns false when its
// last title in this company was issued VEN 240 days ago or more (a customer
// without titles at once); true otherwise and when VEN 240 is empty or 0.
// Raises EConvertError, writing nothing, when VEN 240 is not a whole number.
bool PeriodoLimiteAnalise(std::string_view Cliente);

}  // namespace zpk
