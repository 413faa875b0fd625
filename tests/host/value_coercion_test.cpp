#include <gtest/gtest.h>

#include "host/errors.h"
#include "host/regional_settings.h"
#include "tests/fakes/host_fakes.h"

namespace orla::host {
namespace {

const RegionalSettings kBrazil = RegionalSettings::Brazilian();

using orla::testing::ErrorNumber;

TEST(Coercion, ToTextWritesRegionalForms) {
  EXPECT_EQ(kBrazil.ToText(Value(true)), "True");
  EXPECT_EQ(kBrazil.ToText(Value(int64_t{-17})), "-17");
  EXPECT_EQ(kBrazil.ToText(Value(7.6)), "7,6");
  EXPECT_EQ(kBrazil.ToText(Value(0.1 + 0.2)), "0,3");  // 15 significant digits
  EXPECT_EQ(kBrazil.ToText(Value(1e20)), "1E+20");
  EXPECT_EQ(kBrazil.ToText(Value(*DateTime::FromParts(2024, 3, 1))), "01/03/2024");
  EXPECT_EQ(kBrazil.ToText(Value(*DateTime::FromParts(2024, 3, 1, 8, 0, 1))),
            "01/03/2024 08:00:01");
}

TEST(Coercion, IntegersRoundHalvesToEven) {
  EXPECT_EQ(kBrazil.ToInt32(Value(2.5)), 2);
  EXPECT_EQ(kBrazil.ToInt32(Value(3.5)), 4);
  EXPECT_EQ(kBrazil.ToInt32(Value(-2.5)), -2);
  EXPECT_EQ(kBrazil.ToInt32(Value("7,5")), 8);
  EXPECT_EQ(kBrazil.ToInt32(Value(true)), -1);
  EXPECT_EQ(kBrazil.ToInt16(Value(int64_t{32767})), 32767);
}

TEST(Coercion, BooleansFromTextAndNumbers) {
  EXPECT_TRUE(kBrazil.ToBoolean(Value("True")));
  EXPECT_TRUE(kBrazil.ToBoolean(Value("verdadeiro")));
  EXPECT_FALSE(kBrazil.ToBoolean(Value("FALSE")));
  EXPECT_TRUE(kBrazil.ToBoolean(Value("-1")));
  EXPECT_FALSE(kBrazil.ToBoolean(Value(0.0)));
}

TEST(Coercion, DatesFromTextAndSerials) {
  EXPECT_EQ(kBrazil.ToDate(Value("31/03/2024")).ToIso(), "2024-03-31");
  // Serial day 45352 of the runtime's calendar (days since 30/12/1899) is 01/03/2024.
  EXPECT_EQ(kBrazil.ToDate(Value(45352.5)).ToIso(), "2024-03-01 12:00:00");
  EXPECT_DOUBLE_EQ(kBrazil.ToDouble(Value(*DateTime::FromParts(2024, 3, 1))), 45352.0);
}

TEST(Coercion, FailuresRaiseTheRuntimeErrors) {
  EXPECT_EQ(ErrorNumber([] { kBrazil.ToText(Value()); }), error_number::kInvalidUseOfNull);
  EXPECT_EQ(ErrorNumber([] { kBrazil.ToInt32(Value("abc")); }), error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([] { kBrazil.ToBoolean(Value("sim?")); }), error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([] { kBrazil.ToDate(Value("31/02/2024")); }), error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumber([] { kBrazil.ToInt32(Value(3e9)); }), error_number::kOverflow);
  EXPECT_EQ(ErrorNumber([] { kBrazil.ToInt16(Value(int64_t{40000})); }), error_number::kOverflow);
  EXPECT_EQ(ErrorNumber([] { kBrazil.ToDate(Value(1e12)); }), error_number::kOverflow);
  EXPECT_EQ(ErrorNumber([] { Value("x").AsInteger(); }), error_number::kTypeMismatch);
}

}  // namespace
}  // namespace orla::host
