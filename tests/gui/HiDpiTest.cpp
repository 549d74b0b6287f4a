// The status images as the X server shows them, at the display's scale: run
// with the other window tests at 100% and once more as gui.hidpi at 200%
// (GDK_SCALE=2), where an image stretched with blending would come out blurred.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <optional>
#include <utility>

#include <wx/button.h>
#include <wx/image.h>
#include <wx/utils.h>

#include "GuiSupport.h"
#include "install/SimulatorChecks.h"
#include "platform/Platform.h"
#include "res/Images.h"
#include "res/ResourceIds.h"
#include "ui/wx/PatchDlg.h"

namespace svx {
namespace {

int MaskShift(unsigned long mask) {
  return mask ? __builtin_ctzl(mask) : 0;
}

// The screen pixels under a window: wx speaks in logical pixels, the X server
// in device pixels.
std::optional<wxImage> Capture(wxWindow& window, int scale) {
  Display* display = wxGetX11Display();
  const wxRect r = window.GetScreenRect();
  const int x = r.x * scale, y = r.y * scale, w = r.width * scale, h = r.height * scale;
  // Xlib ends the process on a read outside the screen.
  if (x < 0 || y < 0 || x + w > DisplayWidth(display, DefaultScreen(display)) ||
      y + h > DisplayHeight(display, DefaultScreen(display))) {
    return std::nullopt;
  }
  XImage* shot = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(w),
                           static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!shot) return std::nullopt;
  wxImage image(w, h);
  for (int py = 0; py < h; ++py) {
    for (int px = 0; px < w; ++px) {
      const unsigned long p = XGetPixel(shot, px, py);
      const auto channel = [p](unsigned long mask) {
        return static_cast<unsigned char>((p & mask) >> MaskShift(mask));
      };
      image.SetRGB(px, py, channel(shot->red_mask), channel(shot->green_mask),
                   channel(shot->blue_mask));
    }
  }
  XDestroyImage(shot);
  return image;
}

// True when the drawing, each pixel repeated scale x scale times, appears
// somewhere in the shot with every opaque pixel exact.
bool ShowsSharply(const wxImage& shot, const wxImage& drawing, int scale) {
  const wxImage big = drawing.Scale(drawing.GetWidth() * scale, drawing.GetHeight() * scale,
                                    wxIMAGE_QUALITY_NEAREST);
  for (int oy = 0; oy + big.GetHeight() <= shot.GetHeight(); ++oy) {
    for (int ox = 0; ox + big.GetWidth() <= shot.GetWidth(); ++ox) {
      bool same = true;
      for (int y = 0; same && y < big.GetHeight(); ++y) {
        for (int x = 0; same && x < big.GetWidth(); ++x) {
          same = big.IsTransparent(x, y) || (big.GetRed(x, y) == shot.GetRed(ox + x, oy + y) &&
                                             big.GetGreen(x, y) == shot.GetGreen(ox + x, oy + y) &&
                                             big.GetBlue(x, y) == shot.GetBlue(ox + x, oy + y));
        }
      }
      if (same) return true;
    }
  }
  return false;
}

TEST(HiDpi, StatusImagesShowPixelForPixelAtTheDisplayScale) {
  test::SampleInstall install;
  CPatchDlg dialog(SystemPlatform(CheckRegistryFolder));
  ASSERT_TRUE(dialog.StartUp());
  ASSERT_TRUE(test::ShowAndWait(dialog));
  const int scale = static_cast<int>(dialog.GetDPIScaleFactor());
  if (const char* asked = std::getenv("GDK_SCALE")) {
    ASSERT_EQ(scale, std::atoi(asked)) << "the display is not scaled as GDK_SCALE asks";
  }

  wxWindow& status = *dialog.FindWindow(IDC_STATUS);
  for (const auto& [image, bitmapId] :
       {std::pair{StatusImage::kValid, IDB_VALID}, std::pair{StatusImage::kInvalid, IDB_INVALID}}) {
    SCOPED_TRACE(testing::Message() << "bitmap " << bitmapId << " at scale " << scale);
    dialog.SetStatusImage(image);
    status.Refresh();
    status.Update();
    test::Settle(200);
    const std::optional<wxImage> shot = Capture(status, scale);
    ASSERT_TRUE(shot) << "the status button is not on the screen";
    EXPECT_TRUE(ShowsSharply(*shot, wxImage(FindXpm(bitmapId)), scale));
  }
}

}  // namespace
}  // namespace svx
