// Tabela.CalendarioDiaUtil: the current company's business-day calendar (table
// ANO) as an in-memory dataset with the fields Data and Dia_Util, for routines
// that test many days against it (Locate on "Data;Dia_Util").
#pragma once

#include <string>

#include "platform/dataset/client_dataset.hpp"

namespace zpk {

class TTabela;

// The calendar rows ordered by date; "N" in Dia_Util marks a holiday. Edits
// made on the dataset stay in memory: the calendar is maintained in ANO.
class CalendarDataSet : public TClientDataSet {
 public:
  explicit CalendarDataSet(TTabela& owner);

  // Reads the calendar of the owner's current company, also when already open
  // (another station may have added holidays since; a calendar is a few
  // hundred rows), positioned on the first row. Raises EDatabaseError.
  void Open();

  // The physical table Open reads: the mapped name of ANO, else ANO followed
  // by the company suffix ("ANO_001").
  std::string table_name() const;

 private:
  TTabela& owner_;
};

}  // namespace zpk
