// Copies of the demo invoice 009001 (company 001, series 1) under other
// numbers, without an NF-e of their own: the invoices the NF-e tests and
// benchmarks transmit, each a fresh one.
#pragma once

#include "platform/db/database.hpp"

namespace zpk::test {

// Invoices first..first+count-1 (six-digit numbers): NOTA and NOTAITEN rows
// as 009001's, without key, status, receipt or protocol. Not committed.
void copy_demo_invoices(TTIDatabase& db, int first, int count);

}  // namespace zpk::test
