// SPDX-License-Identifier: Apache-2.0
// 导出图廓 PDF from the desktop window: the frame drawn by the window's own
// painter, one A1 page at true scale.
#include <QFile>
#include <QTemporaryDir>

#include "tests/app/window_fixture.h"

namespace karvento::app::testing {
namespace {

TEST_F(WindowTest, TheFramesOfTheListArePdfPagesDrawnByTheWindow) {
  TypeCorner(1, {"116", "28", "0", "39", "54", "0"});
  TypeCorner(7, {"116", "28", "0", "39", "54", "0"});
  Click("RzBitBtn1");
  ASSERT_EQ(ListTexts("RzCheckList1"), QStringList{"J50G003040"});
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath(QStringLiteral("frames.pdf"));
  Fake().fileNames.push_back(S(file));
  M().Click("FramePdf1");
  EXPECT_TRUE(Fake().messages.empty());
  QFile pdf(file);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray bytes = pdf.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF-"));
  // One page of A1 (594 × 841 mm, in whole points).
  EXPECT_EQ(bytes.count("/Type /Page\n"), 1);
  EXPECT_NE(bytes.indexOf("/MediaBox [0 0 1684.000000 2384.000000]"), -1);
}

}  // namespace
}  // namespace karvento::app::testing
