// The accounting nature of a financial movement, found in CLASSE_CONTA: shared
// by the ledger's own postings and the financial postings composer, which
// look it up the same way (the composer with one more, entity-keyed row).
#pragma once

#include <string>

namespace zpk::detail {

// The combination a nature is looked up by: financial account, history,
// class, wallet and occurrence.
struct FinancialCombination {
  std::string conta;
  std::string historico;
  std::string classe;
  std::string carteira;
  std::string ocorrencia;
};

// The CONTA_CONT of the most specific CLASSE_CONTA row that matches, "0"
// standing for any value in a key column: rows are tried from the least to the
// most specific, each one found replacing the candidate, so a row keyed by
// history and class alone applies only when the account has none of its own.
// With `entity_row`, a row for the history with the financial account as
// entity (CODCLI) has the last word. A value longer than its column matches
// nothing. "" when no row matches. Raises EDatabaseError.
std::string nature_candidate(const FinancialCombination& c, bool entity_row);

}  // namespace zpk::detail
