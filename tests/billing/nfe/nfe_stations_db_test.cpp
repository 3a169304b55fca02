// Four stations (zpk processes) transmitting the same 25 invoices at once
// through the test database server to the local authoriser: each invoice is
// submitted once and authorised once, every station reports the same key and
// protocol for it, and NOTA keeps that protocol.
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "platform/db/database.hpp"
#include "support/demo_invoices.hpp"
#include "support/local_authoriser.hpp"
#include "support/multi_station.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

constexpr int kStations = 4;
constexpr int kFirst = 9201;
constexpr int kInvoices = 25;

class NFeStations : public test::ServerTest {};

TEST_F(NFeStations, EveryInvoiceIsAuthorisedOnceWhateverStationsSendIt) {
  {
    TTIDatabase db;
    database().open(db);
    test::copy_demo_invoices(db, kFirst, kInvoices);
    db.DefaultTransaction().Commit();
  }
  test::TempFolder folder("nfe-stations");
  test::AuthoriserCertificates certs(folder / "certs", {"11222333000181"});
  test::LocalAuthoriser authoriser(certs, folder / "state");
  test::write_file(folder / "a1.password", "1234\n");

  const auto runs = test::run_stations(
      kStations, {.workload = "nfe-transmitir",
                  .db = database().location(),
                  .args = {authoriser.base_url(), certs.ca().string(), certs.a1("11222333000181").string(),
                           (folder / "a1.password").string(), "1", std::to_string(kFirst),
                           std::to_string(kFirst + kInvoices - 1), (folder / "out").string()}});
  for (const auto& r : runs) ASSERT_TRUE(r.ok()) << test::describe(runs);

  // FATURA -> what each station saw: key and protocol, and the submissions it made.
  std::map<std::string, std::set<std::string>> seen;
  std::map<std::string, int> submissions;
  for (const std::string& line : test::all_lines(runs)) {
    std::istringstream in(line);
    std::string fatura, key, protocol;
    int sent = 0;
    ASSERT_TRUE(in >> fatura >> key >> protocol >> sent) << line;
    seen[fatura].insert(key + " " + protocol);
    submissions[fatura] += sent;
  }
  ASSERT_EQ(seen.size(), static_cast<size_t>(kInvoices)) << test::describe(runs);

  TTIDatabase db;
  database().open(db);
  for (const auto& [fatura, answers] : seen) {
    SCOPED_TRACE(fatura);
    ASSERT_EQ(answers.size(), 1u) << "stations disagree on the key or the protocol";
    EXPECT_EQ(submissions[fatura], 1) << "the invoice was submitted more than once";
    const std::string key = answers.begin()->substr(0, 44);
    const std::string protocol = answers.begin()->substr(45);
    EXPECT_EQ(authoriser.authorisations_of(key), 1);
    EXPECT_EQ(test::rows("SELECT PROTOCOLO_NFE FROM NOTA_001 WHERE FATURA = ? AND SERIE = '1'", {fatura}, db),
              std::vector<std::string>{protocol});
    EXPECT_EQ(test::rows("SELECT STATUS_NFE FROM NOTA_001 WHERE FATURA = ? AND SERIE = '1'", {fatura}, db),
              std::vector<std::string>{"100"});
  }
}

}  // namespace
}  // namespace zpk
