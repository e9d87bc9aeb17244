// The LED picture drawn as a shape: a lit key with its glow over whatever lies below, and
// nothing at all while dark.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include "ui/color.h"
#include "ui/qt/led_picture.h"

namespace tavrinex::ui::qt {
namespace {

constexpr int kGlow = 3;
const QColor kBelow(0x20, 0x24, 0x2C);  // the device picture's dark key cap

class ShapedLedPicture : public testing::Test {
 protected:
  ShapedLedPicture() {
    below.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, kBelow);
    below.setPalette(palette);
    below.resize(40, 40);
    led = new LedPicture(&below);
    led->SetShape("key");
    led->SetGlow(kGlow);
    led->setGeometry(4, 4, 32, 32);  // the key: 26 x 26 at (7, 7)
    led->SetOverlayMode(true);
  }
  QImage Shown(Rgb colour, std::uint8_t opacity) {
    led->SetOverlay(OverlayWord(colour), opacity);
    return below.grab().toImage();
  }

  QWidget below;
  LedPicture* led;
};

// Lit: a bright rim on the key's edge, a glow just outside it that fades out, a whiter middle;
// nothing beyond the glow.
TEST_F(ShapedLedPicture, ALitKeyHasARimAGlowAndAWhiterMiddle) {
  const QImage image = Shown({0xFF, 0x20, 0x10}, 255);
  const QColor middle = image.pixelColor(20, 18);
  const QColor rim = image.pixelColor(20, 4 + kGlow);       // the key's top edge
  const QColor glow = image.pixelColor(20, 4 + kGlow - 2);  // two pixels above it
  EXPECT_GT(rim.red(), 220);
  EXPECT_LT(rim.green(), 80);
  EXPECT_GT(glow.red(), kBelow.red() + 20);
  EXPECT_LT(glow.red(), rim.red());
  EXPECT_GT(middle.red(), 200);
  EXPECT_GT(middle.green(), rim.green() + 30) << "the middle is whiter";
  EXPECT_EQ(image.pixelColor(1, 1), kBelow) << "outside the picture";
}

// Dark is invisible, black is darker than the cap (never a grey glare), and half the opacity
// gives about half the light.
TEST_F(ShapedLedPicture, DarkShowsTheCapBlackDarkensItAndOpacityScalesTheLight) {
  const QImage dark = Shown({0xFF, 0xFF, 0xFF}, 0);
  for (int y = 0; y < dark.height(); ++y) {
    for (int x = 0; x < dark.width(); ++x) ASSERT_EQ(dark.pixelColor(x, y), kBelow) << x << "," << y;
  }
  const QImage black = Shown({0, 0, 0}, 255);
  for (int y = 0; y < black.height(); ++y) {
    for (int x = 0; x < black.width(); ++x) {
      ASSERT_LE(black.pixelColor(x, y).lightness(), kBelow.lightness()) << x << "," << y;
    }
  }
  const int full = Shown({0, 0xFF, 0}, 255).pixelColor(20, 18).green();
  const int half = Shown({0, 0xFF, 0}, 128).pixelColor(20, 18).green();
  EXPECT_NEAR(half, (full + kBelow.green()) / 2, 12);
}

}  // namespace
}  // namespace tavrinex::ui::qt
