#include "platform/tabela/calendar_dataset.hpp"

#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

CalendarDataSet::CalendarDataSet(TTabela& owner) : TClientDataSet("CalendarioDiaUtil"), owner_(owner) {
  FieldDefs.Add("Data", ftDate);
  FieldDefs.Add("Dia_Util", ftString, 1);
}

std::string CalendarDataSet::table_name() const {
  const auto mapped = owner_.TabelasMapeadas.find("ANO");
  return mapped != owner_.TabelasMapeadas.end() ? mapped->second : "ANO" + owner_.SufixoEmpresa;
}

void CalendarDataSet::Open() {
  TTIQuery q(owner_.IBDatabase);
  q.SQL.Add("SELECT DATA, DIA_UTIL FROM " + table_name() + " ORDER BY DATA");
  q.Open();
  // Read everything before touching the dataset, so a failed read leaves it as it was.
  std::vector<std::vector<Variant>> rows;
  rows.reserve(static_cast<size_t>(q.RecordCount()));
  for (; !q.Eof(); q.Next())
    rows.push_back({q.FieldByName("DATA").Value(), q.FieldByName("DIA_UTIL").Value()});
  if (Active()) Close();
  CreateDataSet();
  DisableControls();
  for (const auto& row : rows) AppendRecord(row);
  EnableControls();
  First();
}

}  // namespace zpk
