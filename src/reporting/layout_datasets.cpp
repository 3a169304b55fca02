#include "reporting/layout_datasets.hpp"

#include <fmt/format.h>

#include "foundation/lookups.hpp"
#include "platform/db/database_error.hpp"

namespace zpk {

LayoutDataSets::LayoutDataSets(TprCustomReport& report, TTIDatabase& database) {
  const TprLayout* layout = report.Template();
  if (!layout) return;
  transaction_.SetDatabase(database);
  // Read-only is what keeps a layout from changing data: the engine refuses
  // any write in such a transaction, procedures and triggers included.
  transaction_.Options.ReadOnly = true;
  for (const TprLayoutDataSet& d : layout->DataSets) {
    auto query = std::make_unique<TTIQuery>(database);
    query->SetTransaction(transaction_);
    try {
      query->SQL.Text = DBLocal_SQL(d.Sql);
      // Values reach the statement only as bound parameters, never as text.
      for (int i = 0; i < query->ParamCount(); ++i) {
        TParam& param = query->Params(i);
        const TprVariable* v = report.Variables.ByName(param.Name());
        if (!v) {
          throw ELayoutError(
              layout->FileName, d.Line,
              fmt::format("dataset {}: no report variable gives the parameter :{}", d.Name, param.Name()));
        }
        param.Value = v->Value();
      }
      query->Open();
    } catch (const EDatabaseError& e) {
      throw ELayoutError(layout->FileName, d.Line, fmt::format("dataset {}: {}", d.Name, e.what()));
    }
    report.AddDataSet(d.Name, *query);
    queries_.push_back(std::move(query));
  }
}

LayoutDataSets::~LayoutDataSets() = default;

}  // namespace zpk
