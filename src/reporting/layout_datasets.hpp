// The datasets a layout fetches itself (`dataset NAME sql="SELECT ..."`):
// each query runs read-only on the session's connection, its {TABLE} names
// made the company's tables and its :NAME parameters bound from the report's
// variables, and the result is given to the report under NAME.
#pragma once

#include <memory>
#include <vector>

#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "platform/db/transaction.hpp"
#include "reporting/report.hpp"

namespace zpk {

// Holds the opened queries for as long as the report prepares from them.
class LayoutDataSets {
 public:
  // Runs every query `report`'s template declares on `database` in a
  // read-only transaction of its own and binds each under its name. Raises
  // ELayoutError naming the layout's file and the dataset's line when a
  // parameter has no report variable or the database refuses the query
  // (an unknown table, a statement that tries to write).
  LayoutDataSets(TprCustomReport& report, TTIDatabase& database);
  ~LayoutDataSets();
  LayoutDataSets(const LayoutDataSets&) = delete;
  LayoutDataSets& operator=(const LayoutDataSets&) = delete;

  // How many records the dataset at 0-based `index` fetched.
  int RecordCount(int index) const { return queries_[static_cast<size_t>(index)]->RecordCount(); }

 private:
  TTITransaction transaction_;
  std::vector<std::unique_ptr<TTIQuery>> queries_;
};

}  // namespace zpk
