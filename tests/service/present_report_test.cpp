#include "service/present_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/fakes/host_fakes.h"

namespace orla::service {
namespace {

using orla::testing::FakeRecordset;
using orla::testing::FakeReport;
using orla::testing::FakeViewer;
using orla::testing::ScopedFakePlatform;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PresentReportTest : public ::testing::Test {
 protected:
  ScopedFakePlatform platform;
  FakeViewer viewer;
  host::Object form;
  host::ReportRef report = std::make_shared<FakeReport>(platform->log, "rptX");
  bool failed = false;

  void Present(host::RecordsetRef recordset, bool bind = true, bool discard = false) {
    PresentReport(recordset, &form, &viewer, report, 0, 0, bind, discard, failed);
  }
};

TEST_F(PresentReportTest, NoRowsWithTheViewerVisibleTellsTheUserOnce) {
  Present(FakeRecordset::Empty());
  EXPECT_THAT(platform->log,
              ElementsAre("MsgBox(Nenhum registro foi localizado para ser impresso!!! | 64 | "
                          "Atenção)"));
  EXPECT_EQ(viewer.shown, nullptr);
  EXPECT_FALSE(failed);
}

TEST_F(PresentReportTest, NoRowsWithTheViewerHiddenOrNullPassSilently) {
  viewer.visible = false;
  Present(FakeRecordset::Empty());
  viewer.visible = host::Value();
  Present(FakeRecordset::Empty());
  EXPECT_THAT(platform->log, IsEmpty());
}

TEST_F(PresentReportTest, RowsAreBoundAndShown) {
  auto rows = FakeRecordset::OneRow();
  Present(rows);
  EXPECT_THAT(platform->log,
              ElementsAre("ShowReport(data=yes, mode=1, 0, 0, bind=true)", "rptX.SetDataSource"));
  EXPECT_EQ(viewer.shown, report);
}

TEST_F(PresentReportTest, ANullEofCountsAsRows) {
  auto rows = FakeRecordset::OneRow();
  rows->SetNullEof();
  Present(rows);
  EXPECT_THAT(platform->log,
              ElementsAre("ShowReport(data=yes, mode=1, 0, 0, bind=true)", "rptX.SetDataSource"));
}

TEST_F(PresentReportTest, WithoutTheBindSwitchTheDataStaysBehind) {
  Present(FakeRecordset::OneRow(), /*bind=*/false);
  EXPECT_THAT(platform->log, ElementsAre("ShowReport(data=no, mode=1, 0, 0, bind=false)"));
  EXPECT_EQ(viewer.shown, report) << "the real viewer and report still reach ShowReport";
}

TEST_F(PresentReportTest, NoRecordsetWithTheDiscardSwitchDiscardsThenShows) {
  Present(nullptr, true, /*discard=*/true);
  EXPECT_THAT(platform->log,
              ElementsAre("rptX.DiscardSavedData", "ShowReport(data=no, mode=1, 0, 0, bind=true)"));
}

TEST_F(PresentReportTest, AFailingShowIsReportedHereAndFlagged) {
  platform->behaviour.showReportThrows = true;
  Present(FakeRecordset::OneRow());
  EXPECT_THAT(platform->log, ElementsAre("ShowReport(data=yes, mode=1, 0, 0, bind=true)",
                                         "ReportCurrentError(1, true: viewer crashed)"));
  EXPECT_TRUE(failed);
}

TEST_F(PresentReportTest, AMissingViewerIsAnErrorOfItsOwn) {
  auto empty = FakeRecordset::Empty();
  host::RecordsetRef recordset = empty;
  PresentReport(recordset, &form, nullptr, report, 0, 0, true, false, failed);
  EXPECT_TRUE(failed);
  ASSERT_EQ(platform->log.size(), 1u);
  EXPECT_THAT(platform->log[0], ::testing::StartsWith("ReportCurrentError(1, true: "));
}

}  // namespace
}  // namespace orla::service
