// SPDX-License-Identifier: Apache-2.0
// The frame's texts as the painter writes them: every inked pixel of a text
// lies inside the box the frame was laid out with (FrameTextBox), whatever
// font the machine has, so that a label placed clear of the lines is drawn
// clear of them.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "map/frame_paint.h"
#include "numbering/map_frame.h"

namespace karvento::map {
namespace {

TEST(FramePaint, EveryTextIsInkedInsideItsLayoutBox) {
  const FrameRequest request{Datum::Cgcs2000, true, 117, "北京", {"1985国家高程基准|等高距 1 米"}};
  std::vector<MapFrame> frames = {BuildStandardFrame("J50G003040", request),
                                  BuildStandardFrame("J50I005100", request),
                                  BuildRectangularFrame({"3810.25-525.25", 39525250, 3810250, 39525500, 3810500},
                                                        500, {}, request)};
  constexpr double kDotsPerMm = 12;  // about 300 dpi
  for (MapFrame& f : frames) {
    SCOPED_TRACE(f.number);
    // Texts only: a page of the frame's bounds, so ground maps to pixels by
    // the scale alone.
    f.lines.clear();
    const double k = 1000.0 / f.denominator * kDotsPerMm;  // pixels per ground metre
    const QSizeF page((f.maxX - f.minX) * 1000.0 / f.denominator, (f.maxY - f.minY) * 1000.0 / f.denominator);
    QImage image(static_cast<int>(std::ceil(page.width() * kDotsPerMm)),
                 static_cast<int>(std::ceil(page.height() * kDotsPerMm)), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter p(&image);
      PaintFrame(p, f, QSizeF(image.width() / kDotsPerMm, image.height() / kDotsPerMm), kDotsPerMm);
    }
    // PaintFrame centres the bounds on the page: the offset of the page's
    // rounding up.
    const double left = (image.width() - (f.maxX - f.minX) * k) / 2;
    const double top = (image.height() - (f.maxY - f.minY) * k) / 2;
    std::vector<QRectF> boxes;
    for (const FrameText& t : f.texts) {
      const FrameBox b = FrameTextBox(t, f.denominator);
      boxes.emplace_back(QPointF(left + (b.x0 - f.minX) * k, top + (f.maxY - b.y1) * k),
                         QPointF(left + (b.x1 - f.minX) * k, top + (f.maxY - b.y0) * k));
    }
    int outside = 0, inked = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) > 128) continue;
        ++inked;
        // A pixel's centre, and a pixel of antialiasing around each box.
        const QPointF c(x + 0.5, y + 0.5);
        bool in = false;
        for (const QRectF& r : boxes) in = in || r.adjusted(-1, -1, 1, 1).contains(c);
        if (!in && ++outside <= 5) {
          // The text whose box is nearest, to say whose ink it is.
          std::size_t nearest = 0;
          double best = INFINITY;
          for (std::size_t i = 0; i < boxes.size(); ++i) {
            const QRectF& r = boxes[i];
            const double dx = std::max({r.left() - c.x(), 0.0, c.x() - r.right()});
            const double dy = std::max({r.top() - c.y(), 0.0, c.y() - r.bottom()});
            if (std::hypot(dx, dy) < best) best = std::hypot(dx, dy), nearest = i;
          }
          ADD_FAILURE() << "ink outside every text box at " << x << "," << y << ", " << best
                        << " px from “" << f.texts[nearest].text << "”";
        }
      }
    }
    EXPECT_GT(inked, 1000);
    EXPECT_EQ(outside, 0);
  }
}

}  // namespace
}  // namespace karvento::map
