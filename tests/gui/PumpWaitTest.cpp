#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/stopwatch.h>

#include "GuiSupport.h"
#include "ui/wx/WxPumpWait.h"

namespace svx {
namespace {

class PumpWait : public ::testing::Test {
 protected:
  void SetUp() override {
    frame_ = new wxFrame(nullptr, wxID_ANY, "pump");
    frame_->Show();
  }
  void TearDown() override {
    frame_->Destroy();
    wxTheApp->DeletePendingEvents();
    test::Settle(20);
  }
  wxFrame* frame_ = nullptr;
};

TEST_F(PumpWait, EndsAfterTheInterval) {
  wxStopWatch watch;
  EXPECT_EQ(WxPumpWait(*frame_, 0, 100), 0);
  EXPECT_GE(watch.Time(), 90);
  EXPECT_LT(watch.Time(), 5000);
}

TEST_F(PumpWait, EndOfSessionEndsTheWaitAndIsHandedBack) {
  int reachedApp = 0;
  auto count = [&](wxCloseEvent&) { ++reachedApp; };
  wxTheApp->Bind(wxEVT_END_SESSION, count);
  wxTheApp->QueueEvent(new wxCloseEvent(wxEVT_END_SESSION));

  wxStopWatch watch;
  EXPECT_EQ(WxPumpWait(*frame_, 0, 3000), 1);
  // Every later wait takes the handed-back event at once and hands it on.
  EXPECT_EQ(WxPumpWait(*frame_, 0, 3000), 1);
  EXPECT_LT(watch.Time(), 2500);
  EXPECT_EQ(reachedApp, 0);

  EXPECT_TRUE(test::WaitUntil([&] { return reachedApp == 1; }, 2000))
      << "the outer loop never saw the end of the session";
  wxTheApp->Unbind(wxEVT_END_SESSION, count);
}

TEST_F(PumpWait, DestroyedWindowEndsTheWait) {
  wxWindow* child = new wxWindow(frame_, wxID_ANY);
  frame_->CallAfter([child] { child->Destroy(); });
  wxStopWatch watch;
  EXPECT_EQ(WxPumpWait(*frame_, 0, 3000), 1);
  EXPECT_LT(watch.Time(), 2500);
}

}  // namespace
}  // namespace svx
