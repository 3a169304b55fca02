// The NF-e field set the invoice generation fills: values by layout name
// ("nNF_B08", "vProd_I11"), one occurrence per item, part and billing row, as
// the ERP's NF-e component offered them.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zpk::nfe {

// Values of one group occurrence, by layout name.
using ValoresNFe = std::map<std::string, std::string, std::less<>>;

// One NF-e being filled.
class TNFeCampos {
 public:
  // Starts a new NF-e: every value, item, part and billing row is dropped.
  void NovaNFe();

  // The value of a field in the group being filled (the open part, billing row
  // or item, else the document); an unknown name is refused, naming it.
  std::string& Campo(std::string_view Nome);

  // Opens one item (group det); its fields go to it until SalvarItem.
  void IncluirItem();
  // Closes the open item.
  void SalvarItem();
  // Opens one occurrence of a repeatable group ("NRef", "autXML", "YA", "YB").
  void IncluirPart(std::string_view Grupo);
  // Closes the open part.
  void SalvarPart(std::string_view Grupo);
  // Opens one billing row (dup).
  void IncluirCobranca();
  // Closes the open billing row.
  void SalvarCobranca();

  // The document-level values.
  const ValoresNFe& Documento() const { return documento_; }
  // The items in order.
  const std::vector<ValoresNFe>& Itens() const { return itens_; }
  // The occurrences of a part group, in order (empty when none).
  const std::vector<ValoresNFe>& Partes(std::string_view Grupo) const;
  // The billing rows in order.
  const std::vector<ValoresNFe>& Cobrancas() const { return cobrancas_; }
  // A document-level value, empty when unset.
  std::string Valor(std::string_view Nome) const;

 private:
  ValoresNFe documento_;
  std::vector<ValoresNFe> itens_;
  std::map<std::string, std::vector<ValoresNFe>, std::less<>> partes_;
  std::vector<ValoresNFe> cobrancas_;
  bool item_aberto_ = false;
  bool cobranca_aberta_ = false;
  std::string parte_aberta_;
};

}  // namespace zpk::nfe
