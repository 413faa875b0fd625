#include "host/platform.h"

#include <thread>

#include <gtest/gtest.h>

#include "host/errors.h"
#include "tests/fakes/host_fakes.h"

namespace orla::host {
namespace {

TEST(SharedObjects, OnePerThreadCreatedOnFirstUse) {
  orla::testing::ScopedFakePlatform platform;
  ReportHelper* mine = &SharedReportHelper();
  EXPECT_EQ(&SharedReportHelper(), mine);
  EXPECT_EQ(&SharedErrorReporter(), &SharedErrorReporter());

  ReportHelper* theirs = nullptr;
  bool refusedWithoutPlatform = false;
  std::thread other([&] {
    try {
      SharedHostUtilities();
    } catch (const HostError&) {
      refusedWithoutPlatform = true;
    }
    orla::testing::ScopedFakePlatform own;
    theirs = &SharedReportHelper();
  });
  other.join();
  EXPECT_TRUE(refusedWithoutPlatform);
  EXPECT_NE(theirs, nullptr);
  EXPECT_NE(theirs, mine);
}

TEST(SharedObjects, ANewPlatformMakesNewObjects) {
  orla::testing::ScopedFakePlatform first;
  ReportRef report = std::make_shared<orla::testing::FakeReport>(first->log, "r");
  SharedReportHelper().SetHeaderLine(0, "x", report);
  orla::testing::ScopedFakePlatform second;
  SharedReportHelper().SetHeaderLine(0, "y", report);
  EXPECT_EQ(first->log.size(), 1u);
  EXPECT_EQ(second->log.size(), 1u) << "the second platform's helper writes to its own log";
}

}  // namespace
}  // namespace orla::host
