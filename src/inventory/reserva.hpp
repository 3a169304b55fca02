// TReserva: the reservations of products (PED_RESERVA) and materials
// (MAT_RESERVA) that keep stock set aside for a document. The caller fills the
// properties and records, writes down or deletes; stock movements never touch
// reservations, so whoever consumes reserved stock writes it down here.
#pragma once

#include <cstdint>
#include <string>

#include "platform/db/database.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk {

class TReserva {
 public:
  // Works on Tabela.IBDatabase, dated today, with every quantity at 0.
  TReserva();

  std::string ECodigo;       // product or material
  std::string ECor;          // colour
  TDateTime EData;           // registration date (DT_CAD)
  std::string EDeposito;     // deposit
  std::string ELote;         // lot
  std::string ENumero;       // number of the reserving document
  double EQuantidade = 0;    // reserved on record, written down on Baixar
  double EQuantidade_B = 0;  // added to the quantity written off (QTDE_B)
  std::string ETam;          // size (products only)
  std::string ETipo;         // kind of reservation
  TTIDatabase* EDatabase = nullptr;
  double EQuantidade_E = 0;  // written to QTDE_EXP

  // Inserts one product reservation row (a second call gives a second row).
  // Commit commits EDatabase's transaction afterwards. Raises EDatabaseError.
  void GravarReservaProduto(bool Commit);
  // Inserts one material reservation row; as GravarReservaProduto.
  void GravarReservaMaterial(bool Commit);
  // Takes EQuantidade off QTDE and adds EQuantidade_B to QTDE_B of the
  // document's reservations of the item (QTDE may go below zero; no match
  // changes nothing). Raises EDatabaseError once a conflict outlasts the retries.
  void BaixarReservaProduto(bool Commit);
  // The same on material reservations; a blank ETipo matches every kind.
  void BaixarReservaMaterial(bool Commit);
  // Deletes the document's product reservations, narrowed by each of
  // ECodigo, ECor, ETam, EDeposito, ELote that is not empty. Raises EDatabaseError.
  void ExcluirReservaProduto(bool Commit);
  // Deletes the document's material reservations, narrowed by each of
  // ECodigo, ECor, EDeposito, ELote, ETipo that is not empty.
  void ExcluirReservaMaterial(bool Commit);

  // Rows changed by the last operation.
  int64_t rows_affected() const { return rows_affected_; }

 private:
  TTIDatabase& database() const;
  void finish(bool Commit);

  int64_t rows_affected_ = 0;
};

}  // namespace zpk
