// The ledger and bank-account books: a posting's rows in CONTABIL and the
// bank and cash movements in CONTACOR, written by the payables, receivables
// and bank screens and by the accounting composer; their deletions; the
// guards that decide whether a date may still be moved; and the date a bank
// receipt is booked on.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/db/database.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk {

// Writes one ledger row under the posting key Lancto (ORDEM the next of the
// key) and commits. Direct postings ("CP", "CR", "CC") take the accounts
// given; receivable ("R...") and payable ("P...") types find them through
// CLASSE_CONTA, NAT_CONTA, the chart's tagged accounts and the entity's own
// account. A missing account is told to the user and the row written all the
// same. Nothing is written when FIN 30 is "N", when EntidadeC or EntidadeD is
// "000", or for "CP"/"CR" when FIN 40 is "N". Database nullptr: Tabela.IBDatabase
// (the row is written and committed there; the look-ups read the shared
// connection). Under several stations no two rows of a posting share an
// ORDEM (see post_with_next_ordem). Raises EDatabaseError (a text longer than
// its column names the column, nothing written), EZpkError for an amount
// that is not a finite number.
void LancaContabilidade(std::string_view Lancto, std::string_view Docto, std::string_view Numero,
                        std::string_view EntidadeC, std::string_view EntidadeD, std::string_view Operacao,
                        std::string_view Tipo, std::string_view Classe, std::string_view Historico,
                        double Valor, TDateTime Data, std::string_view Carteira, std::string_view Observacao,
                        TTIDatabase* Database = nullptr);

// Writes one bank or cash movement of account Conta and commits; an account
// not in CADCONTA is refused with "Conta inválida." and nothing is written; a
// blank Docto is told ("Documento inválido.") and written all the same.
// Blank Grupo, Historico and TipoDoc take "1000", "0001" and "DP"; the
// observation keeps its first 100 characters. Complemento takes no part.
// Raises EDatabaseError.
void LancaContaCorrente(std::string_view Lancto, std::string_view Docto, std::string_view Complemento,
                        std::string_view Conta, std::string_view Grupo, std::string_view Historico,
                        std::string_view Tipo, std::string_view Pendente, std::string_view Operacao,
                        std::string_view Observacao, double Valor, TDateTime DataLancamento,
                        TDateTime DataContabil, TDateTime DataVencimento, std::string_view TipoDoc,
                        TTIDatabase* Database = nullptr);

// Deletes the cost-centre rows of document Numero of type Tipo, leaving the
// commit to the caller; with GravaLog, records the deletion in the audit log
// (GeraLog commits the shared transaction, and the deletion with it).
void DeletaCentroRateio(std::string_view Numero, std::string_view Tipo, bool GravaLog);

// Deletes the fiscal postings of document Numero of type Tipo (of CodCli when
// given), also from the second ledger of Tabela.SufixoContabil; for "AR" and
// "AP" also the bank movements of the posting (Lancto, or when blank the
// posting of the document's first ledger row) but its cheques. All or
// nothing; logged and committed. Raises EZpkError, before anything is
// deleted, when the suffix is not letters, digits and "_"; EDatabaseError.
void DeletaContabilidadeFiscal(std::string_view Numero, std::string_view Tipo, std::string_view CodCli,
                               std::string_view Lancto, TTIDatabase* Database = nullptr);

// Deletes the ledger rows of posting Lancto and commits.
void DeletaContabilidadeFinan(std::string_view Lancto, TTIDatabase* Database = nullptr);

// Deletes the bank movements, ledger rows and cost-centre rows of posting
// Lancto, all or none of them, and commits.
void DeletaContaCorrente(std::string_view Lancto, TTIDatabase* Database = nullptr);

// The next ORDEM of posting Lancto: its highest plus 1 (1 for a new posting).
int ProximoOrdemLancamento(std::string_view Lancto, TTIDatabase* Database = nullptr);

// Runs `insert` with the next ORDEM of posting Lancto and returns that ORDEM.
// The key (LANCAMENTO, ORDEM) decides between stations writing rows of one
// posting at once: when `insert` fails because another station wrote that
// ORDEM first (a unique violation), or meets a conflict, the next ORDEM is
// read again and `insert` runs again, under kDefaultRetryPolicy. `insert`
// writes one row on Database (nullptr: Tabela.IBDatabase) and does not
// commit. Raises EDatabaseError (a conflict once the policy gives up).
int post_with_next_ordem(std::string_view Lancto, const std::function<void(int ordem)>& insert,
                         TTIDatabase* Database = nullptr);

// True (after telling the user why) when Data may no longer be moved: not a
// date, or on or before the closing date of Tipo ("CX" reconciled, "CT" also
// the bank account's reconciliation, "IV" inventory, "FI" fiscal).
bool PeriodoConciliado(TDateTime Data, std::string_view Tipo);

// The date a bank receipt of Data is booked on: the next business day, plus
// the float of situation Situacao (TABSIT.DIAS; 1 when unknown) when
// UsaSituacao, stretched by the non-business days it spans.
TDateTime DataContabilizacaoBancaria(TDateTime Data, std::string_view Situacao, bool UsaSituacao);

// (LancamentoPendente and ExisteAP are general utilities the financial
// screens call beside the postings.)

// "S" when the movements of account Conta (CADCONTA.PENDENTE) or of history
// Historico (HISTCP.SITUACAO "P") start pending; "N" otherwise.
std::string LancamentoPendente(std::string_view Conta, std::string_view Historico);

// The number of the supplier's payable title of that amount and due date, or "".
std::string ExisteAP(std::string_view CodCre, double Valor, TDateTime Vencimento);

}  // namespace zpk
