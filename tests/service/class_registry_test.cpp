#include "service/class_registry.h"

#include <gtest/gtest.h>

#include "host/errors.h"

namespace orla::service {
namespace {

TEST(ClassRegistry, CreatesReportsByNameOrIdentifier) {
  EXPECT_NE(CreateObject("ORLA_Vendas.Reports"), nullptr);
  EXPECT_NE(CreateObject("orla_vendas.reports"), nullptr);
  EXPECT_NE(CreateObject("{404cfd46-736f-4d7e-a984-c2daf0d27a37}"), nullptr);
  EXPECT_NE(CreateObject("404CFD46-736F-4D7E-A984-C2DAF0D27A37"), nullptr);
  try {
    CreateObject("ORLA_Vendas.Other");
    ADD_FAILURE() << "an unknown name created an object";
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.Number(), host::error_number::kCannotCreateObject);
  }
}

}  // namespace
}  // namespace orla::service
