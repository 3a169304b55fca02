#include "inventory/substituicao.hpp"

#include <string>

#include "foundation/lookups.hpp"
#include "platform/db/database_error.hpp"
#include "platform/db/query.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {

namespace {

constexpr const char* kCaption = "ZELVO Sistemas";

}  // namespace

void GravaSubstituicao(const std::string& Codigo, const std::string& Cor, const std::string& CorDest,
                       const std::string& CodigoOrig, const std::string& TpIten, const std::string& TpMov,
                       const std::string& NumDocto, double Qtde) {
  if (Qtde == 0) {
    MessageBox("Não pode substituir item já movimentado.", kCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  TTITransaction& tx = Tabela.IBDatabase.DefaultTransaction();
  TTIQuery q(Tabela.IBDatabase);
  {
    // The earlier record goes only together with its replacement: a new
    // record that cannot be written (a text too long for its column) leaves
    // the earlier one in place.
    Savepoint writing(tx);
    q.SQL.Add("DELETE FROM " + DBLocal("OUT_MOV"));
    q.SQL.Add("WHERE NUM_DOCTO = :NUM_DOCTO AND CODIGO_ORIG = :CODIGO_ORIG");
    q.SQL.Add("AND COR = :COR");
    q.ParamByName("NUM_DOCTO").AsString = NumDocto;
    q.ParamByName("CODIGO_ORIG").AsString = CodigoOrig;
    q.ParamByName("COR").AsString = Cor;
    try {
      q.ExecSQL();
    } catch (const EDatabaseError& e) {
      if (e.is_cancelled()) throw;
      MessageBox("Erro na deleção do Movimentação Substituição.\r" + e.message(), kCaption,
                 MB_OK | MB_ICONERROR);
    }
    bool written = true;
    if (Codigo != CodigoOrig) {
      q.Close();
      q.SQL.Clear();
      q.SQL.Add("INSERT INTO " + DBLocal("OUT_MOV"));
      q.SQL.Add("(DATA_MOV, NUM_DOCTO, CODIGO_ORIG, CODIGO_DEST, COR, COR_DEST, TP_ITEN, TP_MOV, QTDE)");
      q.SQL.Add(" VALUES");
      q.SQL.Add(
          "(:DATA_MOV, :NUM_DOCTO, :CODIGO_ORIG, :CODIGO_DEST, :COR, :COR_DEST, :TP_ITEN, :TP_MOV, :QTDE)");
      q.ParamByName("DATA_MOV").AsDate = Date();
      q.ParamByName("NUM_DOCTO").AsString = NumDocto;
      q.ParamByName("CODIGO_ORIG").AsString = CodigoOrig;
      q.ParamByName("CODIGO_DEST").AsString = Codigo;
      q.ParamByName("COR").AsString = Cor;
      q.ParamByName("COR_DEST").AsString = CorDest;
      q.ParamByName("TP_ITEN").AsString = TpIten;
      q.ParamByName("TP_MOV").AsString = TpMov;
      q.ParamByName("QTDE").AsFloat = Qtde;
      try {
        q.ExecSQL();
      } catch (const EDatabaseError& e) {
        if (e.is_cancelled()) throw;
        written = false;
        MessageBox("Erro na gravação do Movimentação Substituição.\r" + e.message(), kCaption,
                   MB_OK | MB_ICONERROR);
      }
    }
    if (written) writing.release();
  }
  tx.CommitRetaining();
}

}  // namespace zpk
