// The NF-e field set.
#include "billing/nfe/nfe_campos.hpp"

#include <fmt/format.h>

#include "billing/nfe/layout_nfe.hpp"
#include "billing/nfe/nfe_error.hpp"

namespace zpk::nfe {
namespace {

// The part groups and the layout group each fills.
bool ParteConhecida(std::string_view Grupo) {
  return Grupo == "NRef" || Grupo == "autXML" || Grupo == "YA" || Grupo == "YB";
}

}  // namespace

void TNFeCampos::NovaNFe() {
  *this = TNFeCampos();
}

std::string& TNFeCampos::Campo(std::string_view Nome) {
  if (!BuscaCampoLayout(Nome)) {
    throw ENFeError(NFeErrorKind::invalid_input,
                    fmt::format("Campo \"{}\" não existe no leiaute da NF-e", Nome));
  }
  if (!parte_aberta_.empty()) return partes_[parte_aberta_].back()[std::string(Nome)];
  if (cobranca_aberta_) return cobrancas_.back()[std::string(Nome)];
  if (item_aberto_) return itens_.back()[std::string(Nome)];
  return documento_[std::string(Nome)];
}

void TNFeCampos::IncluirItem() {
  itens_.emplace_back();
  item_aberto_ = true;
}

void TNFeCampos::SalvarItem() {
  item_aberto_ = false;
}

void TNFeCampos::IncluirPart(std::string_view Grupo) {
  if (!ParteConhecida(Grupo)) {
    throw ENFeError(NFeErrorKind::invalid_input, fmt::format("Grupo \"{}\" não é repetível na NF-e", Grupo));
  }
  partes_[std::string(Grupo)].emplace_back();
  parte_aberta_ = std::string(Grupo);
}

void TNFeCampos::SalvarPart(std::string_view) {
  parte_aberta_.clear();
}

void TNFeCampos::IncluirCobranca() {
  cobrancas_.emplace_back();
  cobranca_aberta_ = true;
}

void TNFeCampos::SalvarCobranca() {
  cobranca_aberta_ = false;
}

const std::vector<ValoresNFe>& TNFeCampos::Partes(std::string_view Grupo) const {
  static const std::vector<ValoresNFe> nenhuma;
  auto it = partes_.find(Grupo);
  return it == partes_.end() ? nenhuma : it->second;
}

std::string TNFeCampos::Valor(std::string_view Nome) const {
  auto it = documento_.find(Nome);
  return it == documento_.end() ? std::string() : it->second;
}

}  // namespace zpk::nfe
