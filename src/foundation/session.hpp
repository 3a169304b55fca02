// The logged-in session as the host leaves it for the library (user, company
// override, flags), the month tables of Funcoes, the package's load and unload
// steps, and the shared query vSqlBusca that exists only while a call uses it.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/db/query.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/variant.hpp"

namespace zpk {

// ---------------------------------------------------------------------------
// Session variables. The host sets them after its login; the library reads
// them and never sets the user or company ones itself.

inline std::string vUsuario;            // login name of the current user
inline std::string vUsuarioCodigo;      // code of the current user
inline std::string vSupervisor;         // supervisor whose password was last accepted
inline std::string vUsuarioEMail;       // e-mail address of the current user
inline std::string vSenha;              // the current user's password
inline std::string vEmpresa_Atual;      // company suffix that overrides the current one in DBLocal ("_002")
inline std::string vNuvem;              // "S": the station runs in hosted mode
inline std::string vFontePadrao;        // default font name of the screens
inline std::string sResolucao;          // screen-resolution tag of the host
inline std::string sRelatorio;          // report or screen code handed to the screen being opened
inline std::string sLogTelas;           // "S": every screen opened is written to the audit log
inline std::string sPedidoLocado;       // order this session holds locked
inline std::string sOrcamentoLocado;    // quotation this session holds locked
inline std::string sProgramacaoLocado;  // production programme this session holds locked
inline bool bTraducao = false;          // translation switch of the host
inline int iSeq = 0;                    // running counter of the report function Sequencia
inline Variant CobreBemX;               // the bank-slip automation object of the host

// The shared query: nil between calls. Routines take it through SqlBuscaScope,
// never by hand.
inline std::unique_ptr<TTIQuery> vSqlBusca;

// ---------------------------------------------------------------------------
// Month tables, indexed 1 (January) to 12.

template <class T>
struct MonthTable {
  std::array<T, 12> items;
  // The entry of `month` (1..12); raises EZpkError outside that range.
  constexpr const T& operator[](int month) const {
    if (month < 1 || month > 12) throw EZpkError("month out of range: " + std::to_string(month));
    return items[static_cast<size_t>(month - 1)];
  }
  static constexpr int Low() { return 1; }
  static constexpr int High() { return 12; }
};

// Days of each month of a common year: February is always 28 here, callers
// that need leap years correct it themselves.
inline constexpr MonthTable<int> DiaDoMes{{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

inline constexpr MonthTable<std::string_view> NomeMes{{"Janeiro", "Fevereiro", "Março", "Abril", "Maio",
                                                       "Junho", "Julho", "Agosto", "Setembro", "Outubro",
                                                       "Novembro", "Dezembro"}};

// ---------------------------------------------------------------------------
// Package lifecycle.

// Runs the load steps once: the session starts empty and the registered
// units' load steps run in their order. Calling it again does nothing.
void initialize_package();
// Runs the unload steps once, in reverse order: the shared query is freed,
// CobreBemX and every text variable of the session are cleared, then the
// registered units' unload steps run. Calling it again (or before
// initialize_package) does nothing.
void finalize_package() noexcept;
bool package_initialized();

// Lets a later unit (billing, accounting, dialogs) take part in load and
// unload: `on_load` runs in ascending `order`, `on_unload` (which must not
// throw) in descending order. A unit registered after load has its load step
// run at once.
void register_unit_lifecycle(int order, std::function<void()> on_load, std::function<void()> on_unload);

// ---------------------------------------------------------------------------
// The shared query for the length of one routine.

// Creates vSqlBusca on the shared connection (Tabela.IBDatabase) with empty
// SQL, and on every exit, normal or by an exception, closes it, frees it and
// sets it back to nil. When vSqlBusca is already held by a routine further up
// the call chain, the scope gets a private query instead, so the caller's
// statement and result are never clobbered.
//
//   SqlBuscaScope busca;
//   busca->SQL.Add("SELECT ...");
//   busca->Open();
class SqlBuscaScope {
 public:
  SqlBuscaScope();
  ~SqlBuscaScope();
  SqlBuscaScope(const SqlBuscaScope&) = delete;
  SqlBuscaScope& operator=(const SqlBuscaScope&) = delete;

  TTIQuery& query() { return *query_; }
  TTIQuery& operator*() { return *query_; }
  TTIQuery* operator->() { return query_; }
  // False when the scope had to use a private query (vSqlBusca was held).
  bool owns_shared() const { return owns_shared_; }

 private:
  std::unique_ptr<TTIQuery> private_;
  TTIQuery* query_ = nullptr;
  bool owns_shared_ = false;
};

}  // namespace zpk
