#include "foundation/session.hpp"

#include <algorithm>
#include <vector>

#include "platform/tabela/tabela.hpp"

namespace zpk {

namespace {

struct UnitLifecycle {
  int order;
  std::function<void()> on_load;
  std::function<void()> on_unload;
};

std::vector<UnitLifecycle>& units() {
  static std::vector<UnitLifecycle> list;
  return list;
}

bool g_initialized = false;

// The text variables of the session, the ones unload clears.
std::string* const kTextVariables[] = {
    &vUsuario,       &vUsuarioCodigo, &vSupervisor,      &vUsuarioEMail,      &vSenha,
    &vEmpresa_Atual, &vNuvem,         &vFontePadrao,     &sResolucao,         &sRelatorio,
    &sLogTelas,      &sPedidoLocado,  &sOrcamentoLocado, &sProgramacaoLocado,
};

void clear_texts() noexcept {
  for (std::string* text : kTextVariables) text->clear();
}

}  // namespace

void initialize_package() {
  if (g_initialized) return;
  clear_texts();
  bTraducao = false;
  iSeq = 0;
  CobreBemX = Variant();
  vSqlBusca.reset();
  // Marked first: a unit registered from inside a load step must not run twice.
  g_initialized = true;
  // A copy: a load step may register further units (which then load at once).
  const std::vector<UnitLifecycle> list = units();
  for (const UnitLifecycle& unit : list) {
    if (unit.on_load) unit.on_load();
  }
}

void finalize_package() noexcept {
  if (!g_initialized) return;
  g_initialized = false;
  // Nothing can hold the shared query between calls; free it should a host
  // unload in the middle of one.
  vSqlBusca.reset();
  CobreBemX = Variant();
  clear_texts();
  const std::vector<UnitLifecycle> list = units();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if (it->on_unload) it->on_unload();
  }
}

bool package_initialized() {
  return g_initialized;
}

void register_unit_lifecycle(int order, std::function<void()> on_load, std::function<void()> on_unload) {
  auto& list = units();
  auto at = std::upper_bound(list.begin(), list.end(), order,
                             [](int o, const UnitLifecycle& u) { return o < u.order; });
  auto it = list.insert(at, {order, std::move(on_load), std::move(on_unload)});
  if (g_initialized && it->on_load) it->on_load();
}

SqlBuscaScope::SqlBuscaScope() {
  if (vSqlBusca) {
    private_ = std::make_unique<TTIQuery>(Tabela.IBDatabase);
    query_ = private_.get();
    return;
  }
  vSqlBusca = std::make_unique<TTIQuery>(Tabela.IBDatabase);
  vSqlBusca->SQL.Clear();
  query_ = vSqlBusca.get();
  owns_shared_ = true;
}

SqlBuscaScope::~SqlBuscaScope() {
  query_->Close();
  if (owns_shared_) vSqlBusca.reset();
}

}  // namespace zpk
