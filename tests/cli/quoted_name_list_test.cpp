// The payment-form list goes into the statement as it stands, so the command line refuses
// any text that could end a literal early or add SQL of its own.
#include <gmock/gmock.h>

#include "app/value_texts.h"

namespace orla::cli {
namespace {

using ::testing::HasSubstr;

TEST(QuotedNameList, AcceptsQuotedNamesAsTheyStand) {
  const std::vector<std::string> accepted = {
      "",
      "'Dinheiro'",
      "'Dinheiro','Cheque a Vista'",
      "'Dinheiro', 'Crédito em Haver' ,'Requisição'",
      "'D''Ouro Frota'",  // a quote inside a name, doubled
      "''''",             // a name that is one quote
  };
  for (const std::string& text : accepted) {
    SCOPED_TRACE(text);
    EXPECT_EQ(app::CheckQuotedNameList(text, "Filtro_FormasDePagto"), text);
  }
}

TEST(QuotedNameList, RefusesWhatCouldLeaveTheLiteral) {
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"Dinheiro", "between single quotes"},
      {"'Dinheiro'; DROP TABLE Clientes --", "a comma between two names"},
      {"'Dinheiro') OR (1 = 1", "a comma between two names"},
      {"'D'Ouro'", "a comma between two names"},
      {"'Dinheiro", "closing quote is missing"},
      {"'Dinheiro',", "between single quotes"},
      {",'Dinheiro'", "between single quotes"},
      {"'Dinheiro',,'Cheque'", "between single quotes"},
      {"''", "no empty name"},
      {"'Dinheiro' 'Cheque'", "a comma"},
      {"\"Dinheiro\"", "between single quotes"},
      {"'Din\nheiro'", "control characters"},
      {" ", "between single quotes"},
  };
  for (const auto& [text, why] : refused) {
    SCOPED_TRACE(text);
    try {
      app::CheckQuotedNameList(text, "Filtro_FormasDePagto");
      ADD_FAILURE() << "accepted";
    } catch (const app::UsageError& e) {
      EXPECT_THAT(e.what(), HasSubstr("Filtro_FormasDePagto expects quoted names"));
      EXPECT_THAT(e.what(), HasSubstr(why));
    }
  }
}

// The entry count goes into the statement as it stands when it reads as a number.
TEST(EntryCount, TakesPlainDigitsAndLeavesTextThatIsNoNumberToTheReport) {
  const std::vector<std::pair<std::string, std::string>> accepted = {
      {"40", "40"},   {" 7\t", "7"},
      {"007", "007"}, {"abc", "abc"},  // not a number: the report puts its default in
      {"", ""},       {"1;DROP", "1;DROP"},
  };
  for (const auto& [text, taken] : accepted) {
    SCOPED_TRACE(text);
    EXPECT_EQ(app::CheckEntryCount(text, "Filtro_QtdeRegistros"), taken);
  }
  // Numbers under the regional rules that would reach the statement as more than one token
  // or as no whole count.
  for (const std::string text : {"1,5", "-1", "+3", "1e3", "1.000", "99999999999999999999"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(app::CheckEntryCount(text, "Filtro_QtdeRegistros"), app::UsageError);
  }
}

}  // namespace
}  // namespace orla::cli
