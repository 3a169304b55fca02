// Values that are not SQL literals: what a hostile or careless caller writes
// where a routine takes a literal (statements tacked on, comments, nested and
// unbalanced quotes, subqueries, column names, expressions). Each must be
// refused before anything runs.
#pragma once

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/db/database_error.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk::test {

inline constexpr const char* kNotLiterals[] = {
    "'nothing' OR 1=1",
    "(SELECT FIRST 1 NOME||':'||SENHA FROM ACESSO_USUARIOS)",
    "'x' OR '1'='1'",
    "'x'OR'1'='1'",
    "'x' AND 1=0",
    "1 OR 1=1",
    "NULL OR 1=1",
    "DATE '2025-01-31' OR 1=1",
    "'x' -- the rest is a comment",
    "-- 'x'",
    "'x' /* a comment */",
    "/* a comment */ 'x'",
    "'x'; DELETE FROM CODIGOSVALOR_001",
    "1; DROP TABLE PEDIDO_001",
    "'x' UNION SELECT SENHA FROM ACESSO_USUARIOS",
    "'a''b'c'",
    "'a' 'b'",
    "'x",
    "x'",
    "'",
    "'''",
    "'x''",
    "'a' || 'b'",
    "'a'||(SELECT 1 FROM RDB$DATABASE)",
    "(SELECT 1 FROM RDB$DATABASE)",
    "(1)",
    "NUMERO",
    "CURRENT_DATE",
    "q'{x}'",
    "_UTF8 'x'",
    "X'41'",
    "- 1",
    "1e5 OR 1=1",
    "12345678901234567890",
};

// `call` must refuse `valor` itself, with an EZpkError naming `routine` and
// the value: never take it, never hand it to the database.
inline void expect_refused_as_not_literal(const char* routine, const char* valor,
                                          const std::function<void()>& call) {
  try {
    call();
    ADD_FAILURE() << routine << " took it";
  } catch (const EDatabaseError& e) {
    ADD_FAILURE() << routine << " ran it: " << e.what();
  } catch (const EZpkError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(routine), std::string::npos) << message;
    EXPECT_NE(message.find(valor), std::string::npos) << message;
  }
}

}  // namespace zpk::test
