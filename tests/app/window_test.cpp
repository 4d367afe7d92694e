// SPDX-License-Identifier: Apache-2.0
// The main window through its widgets: start-up, typed values and their
// limits, Generate, the tab-change enabling, the numbering way, the
// coordinate tools and Exit.
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include <memory>

#include "tests/app/window_fixture.h"

namespace karvento::app::testing {
namespace {

// ---- start-up ---------------------------------------------------------------

TEST_F(WindowTest, StartsAsAResizableWindowCalledKarventoOnTheFirstTab) {
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Karvento"));
  EXPECT_EQ(window_->size(), QSize(614, 418));
  EXPECT_NE(window_->minimumSize(), window_->maximumSize());
  EXPECT_LE(window_->minimumSizeHint().width(), 614);
  const Qt::WindowFlags flags = window_->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(window_->font().pixelSize(), 12);
  EXPECT_EQ(window_->font().families().value(0), QStringLiteral("宋体"));

  QTabWidget* tabs = window_->Tabs();
  // The CGCS2000 tab (the model's tab 5) is shown after "西安80坐标系".
  ASSERT_EQ(tabs->count(), 6);
  const QStringList captions = {"北京54坐标系", "西安80坐标系", "2000国家坐标系",
                                "独立坐标系",   "图幅号转换",   "关于"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(tabs->tabText(i), captions[i]);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(tabs->isTabVisible(i)) << i;
  EXPECT_FALSE(tabs->isTabVisible(5));
  EXPECT_EQ(MainWindow::WidgetIndexOf(kTabCgcs2000), 2);
  EXPECT_EQ(MainWindow::TabAt(2), kTabCgcs2000);
  EXPECT_EQ(tabs->widget(2)->objectName(), QStringLiteral("TabSheet6"));
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_EQ(As<QLabel>("RzLabel1")->text(), QStringLiteral("Karvento  v1.0"));

  EXPECT_EQ(ui_->FocusedControl(), "RzSpinEdit1");
}

TEST_F(WindowTest, EveryControlOfTheModelHasAWidgetOrMenuItemOfItsName) {
  for (const Control* c : M().Controls()) {
    QObject* o = window_->ControlWidget(c->Name());
    if (o == nullptr) o = window_->ControlAction(c->Name());
    ASSERT_NE(o, nullptr) << c->Name();
    EXPECT_EQ(o->objectName(), Q(c->Name()));
  }
  for (const char* list : {"RzCheckList1", "RzCheckList2", "RzCheckList3", "RzCheckList4", "RzCheckList5"}) {
    EXPECT_NE(window_->ListView(list), nullptr) << list;
  }
}

TEST_F(WindowTest, ShowsTheStartUpValues) {
  EXPECT_EQ(Text("RzSpinEdit1"), "0");
  EXPECT_EQ(Text("RzSpinEdit3"), "0.000");
  EXPECT_EQ(Text("RzSpinEdit13"), "0.0");
  EXPECT_EQ(Text("RzSpinEdit34"), "0.0");
  EXPECT_EQ(Text("RzNumericEdit1"), "0");
  EXPECT_EQ(Text("RzNumericEdit5"), "0.00000");
  EXPECT_EQ(Text("RzComboBox1"), "3度分带法");
  EXPECT_EQ(Text("RzComboBox6"), "3度分带法");
  EXPECT_TRUE(As<QComboBox>("RzComboBox6")->isEditable());
  EXPECT_FALSE(As<QComboBox>("RzComboBox1")->isEditable());
  QComboBox* scales = As<QComboBox>("RzComboBox2");
  const QStringList items = {"1:100万", "1:50万", "1:25万", "1:10万", "1:5万", "1:2.5万", "1:1万", "1:5000",
                             "1:2000", "1:1000", "1:500"};
  for (const char* name : {"RzComboBox2", "RzComboBox4", "RzComboBox5"}) {
    QComboBox* list = As<QComboBox>(name);
    ASSERT_EQ(list->count(), 11) << name;
    for (int i = 0; i < 11; ++i) EXPECT_EQ(list->itemText(i), items[i]) << name;
  }
  EXPECT_EQ(scales->currentIndex(), 6);
  EXPECT_EQ(Text("RzComboBox5"), "1:1万");
  EXPECT_TRUE(As<QRadioButton>("RzRadioButton1")->isChecked());
  EXPECT_EQ(Text("RzRadioButton1"), "按新图幅号标准编号");
  EXPECT_EQ(Text("RzRadioButton2"), "按旧图幅号标准编号");
  EXPECT_TRUE(As<QRadioButton>("RzRadioButton5")->isChecked());
  EXPECT_EQ(Text("RzRadioButton6"), "新-->旧");
  EXPECT_TRUE(As<QRadioButton>("RzRadioButton7")->isChecked());
  EXPECT_TRUE(As<QRadioButton>("RzRadioButton9")->isChecked());
  EXPECT_EQ(Text("RzEdit1"), "[ROW]+[COL]");
  EXPECT_EQ(Text("RzBitBtn1"), "生成图幅号");
  EXPECT_EQ(Text("RzBitBtn2"), "保存");
  EXPECT_EQ(Text("RzMenuButton1"), "导出");
  EXPECT_EQ(Text("RzBitBtn3"), "退出");
}

TEST_F(WindowTest, ToolbarButtonsShowTheirTextOnlyAsAHint) {
  const std::pair<const char*, const char*> hints[] = {
      {"RzToolbarButton1", "删除图幅"}, {"RzToolbarButton4", "导入经纬度"}, {"RzToolbarButton5", "信息"},
      {"RzToolbarButton9", "导入坐标"}, {"RzToolbarButton10", "查找"},     {"RzToolbarButton12", "打开"},
      {"RzToolbarButton16", "删除"},    {"RzToolbarButton20", "新建"},     {"RzToolbarButton21", ""}};
  for (const auto& [name, hint] : hints) {
    auto* tool = As<QToolButton>(name);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->toolTip(), QString::fromUtf8(hint)) << name;
    EXPECT_TRUE(tool->text().isEmpty()) << name;
    EXPECT_FALSE(tool->icon().isNull()) << name;
  }
}

TEST_F(WindowTest, TheExportButtonCarriesTheExportMenu) {
  auto* button = As<QPushButton>("RzMenuButton1");
  ASSERT_EQ(button->menu(), window_->ExportMenu());
  const QList<QAction*> items = window_->ExportMenu()->actions();
  // The nine items, then, after a separator, their checked-only companions.
  ASSERT_EQ(items.size(), 11);
  EXPECT_TRUE(items[9]->isSeparator());
  EXPECT_EQ(items[10]->text(), QStringLiteral("仅导出选中图幅"));
  ASSERT_NE(items[10]->menu(), nullptr);
  // The companions mirror the items: a submenu's companions are listed
  // under it, separated by "/".
  QStringList checked;
  for (QAction* a : items[10]->menu()->actions()) {
    QString entry = a->menu() ? a->text() + ":" : a->objectName();
    if (a->menu()) {
      for (QAction* sub : a->menu()->actions()) entry += sub->objectName() + "/";
    }
    checked << entry;
  }
  EXPECT_EQ(checked.join(' '),
            QStringLiteral("导出MIF文件:N1Checked/N2Checked/ Excel1Checked "
                           "导出SHP文件:SHP2Checked/SHP3Checked/ GPKG1Checked DXF1Checked "
                           "KML1Checked FrameDxf1Checked FramePdf1Checked Clip1Checked"));
  EXPECT_EQ(items[0]->text(), QStringLiteral("导出MIF文件"));
  ASSERT_NE(items[0]->menu(), nullptr);
  const QList<QAction*> mif = items[0]->menu()->actions();
  ASSERT_EQ(mif.size(), 2);
  EXPECT_EQ(mif[0]->objectName(), QStringLiteral("N1"));
  EXPECT_EQ(mif[0]->text(), QStringLiteral("大地坐标"));
  EXPECT_EQ(mif[1]->objectName(), QStringLiteral("N2"));
  EXPECT_EQ(mif[1]->text(), QStringLiteral("平面坐标"));
  EXPECT_EQ(items[1]->objectName(), QStringLiteral("Excel1"));
  EXPECT_EQ(items[1]->text(), QStringLiteral("导出XLS文件"));
  EXPECT_EQ(items[2]->text(), QStringLiteral("导出SHP文件"));
  EXPECT_TRUE(items[2]->isVisible());
  EXPECT_TRUE(items[2]->isEnabled());
  ASSERT_NE(items[2]->menu(), nullptr);
  const QList<QAction*> shp = items[2]->menu()->actions();
  ASSERT_EQ(shp.size(), 2);
  EXPECT_EQ(shp[0]->objectName(), QStringLiteral("SHP2"));
  EXPECT_EQ(shp[0]->text(), QStringLiteral("大地坐标"));
  EXPECT_EQ(shp[1]->objectName(), QStringLiteral("SHP3"));
  EXPECT_EQ(shp[1]->text(), QStringLiteral("平面坐标"));
  const char* gis[][2] = {{"GPKG1", "导出GeoPackage文件"}, {"DXF1", "导出DXF文件"},
                          {"KML1", "导出KML文件"}, {"FrameDxf1", "导出图廓 DXF"},
                          {"FramePdf1", "导出图廓 PDF"}, {"Clip1", "分幅裁切…"}};
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(items[3 + k]->objectName(), QString::fromUtf8(gis[k][0]));
    EXPECT_EQ(items[3 + k]->text(), QString::fromUtf8(gis[k][1]));
  }

  const QList<QAction*> tools = window_->CornerMenu()->actions();
  ASSERT_EQ(tools.size(), 2);
  EXPECT_EQ(tools[0]->text(), QStringLiteral("度-->度分秒"));
  EXPECT_EQ(tools[1]->text(), QStringLiteral("XY-->度分秒"));
}

TEST_F(WindowTest, TheCornerMenuKeepsTheStandardEditEntries) {
  QWidget* spin = W("RzSpinEdit1");
  QLineEdit* line = spin->findChild<QLineEdit*>();
  ASSERT_NE(line, nullptr);
  QStringList texts, names;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    for (QAction* a : menu->actions()) {
      if (a->isSeparator()) continue;
      texts << a->text().section(QLatin1Char('\t'), 0, 0);
      names << a->objectName();
    }
    QTest::keyClick(menu, Qt::Key_Escape);
  });
  const QPoint at(5, line->height() / 2);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, line->mapToGlobal(at));
  QApplication::sendEvent(line, &event);
  // Qt's own entries of a text line, in their order, then the two tools.
  QLineEdit plain;
  std::unique_ptr<QMenu> standard(plain.createStandardContextMenu());
  QStringList expected;
  for (QAction* a : standard->actions()) {
    if (!a->isSeparator()) expected << a->text().section(QLatin1Char('\t'), 0, 0);
  }
  ASSERT_GE(expected.size(), 5);
  ASSERT_EQ(texts.size(), expected.size() + 2) << texts.join(',').toStdString();
  EXPECT_EQ(texts.mid(0, expected.size()), expected);
  EXPECT_EQ(names.mid(names.size() - 2), (QStringList{"N3", "N4"}));
}

// ---- typed values -------------------------------------------------------------

TEST_F(WindowTest, ATypedValueOutsideTheFieldsLimitsIsRefusedAndTheValueKept) {
  Type("RzSpinEdit3", "12");
  Type("RzSpinEdit3", "75");
  EXPECT_EQ(Text("RzSpinEdit3"), "12.000");
  EXPECT_EQ(M().RzSpinEdit3.Value(), 12);
  EXPECT_EQ(M().StatusLine.Caption, "“75”超出范围 0–60：左下角经度（秒）仍为 12.000");
  Type("RzSpinEdit4", "39");
  Type("RzSpinEdit4", "-5");
  EXPECT_EQ(Text("RzSpinEdit4"), "39");
  Type("RzSpinEdit4", "91");
  EXPECT_EQ(Text("RzSpinEdit4"), "39");
  Type("RzSpinEdit4", "90");
  EXPECT_EQ(Text("RzSpinEdit4"), "90");
  EXPECT_EQ(M().StatusLine.Caption, "");
  Type("RzSpinEdit2", "abc");
  EXPECT_EQ(Text("RzSpinEdit2"), "0");
  Type("RzSpinEdit6", "12.3456");
  EXPECT_EQ(Text("RzSpinEdit6"), "12.346");
  Type("RzSpinEdit13", "117");
  EXPECT_EQ(Text("RzSpinEdit13"), "117.0");
  EXPECT_EQ(M().RzSpinEdit13.Value(), 117);
}

TEST_F(WindowTest, TheArrowKeysStepAFieldWithinItsLimits) {
  QWidget* minutes = W("RzSpinEdit2");
  minutes->setFocus();
  QTest::keyClick(minutes, Qt::Key_Up);
  EXPECT_EQ(Text("RzSpinEdit2"), "1");
  QTest::keyClick(minutes, Qt::Key_Down);
  QTest::keyClick(minutes, Qt::Key_Down);
  EXPECT_EQ(Text("RzSpinEdit2"), "0");
  Type("RzSpinEdit2", "59", false);
  QTest::keyClick(minutes, Qt::Key_Up);
  EXPECT_EQ(Text("RzSpinEdit2"), "59");
  EXPECT_EQ(M().RzSpinEdit2.Value(), 59);
}

TEST_F(WindowTest, TheScaleDenominatorTakesTypingAndStepsOfAHundredUpTo2000) {
  ClickTab(kTabCustom);
  auto* scale = As<SpinEdit>("RzSpinEdit27");
  // Select all, type, Tab: the typed scale is taken; one beyond 2000 is
  // refused and named.
  Type("RzSpinEdit27", "1000");
  EXPECT_EQ(Text("RzSpinEdit27"), "1000");
  EXPECT_EQ(M().RzSpinEdit27.Value(), 1000);
  Type("RzSpinEdit27", "5000");
  EXPECT_EQ(Text("RzSpinEdit27"), "1000");
  EXPECT_EQ(M().StatusLine.Caption, "“5000”超出范围 0–2000：比例尺仍为 1000");
  Type("RzSpinEdit27", "0");
  scale->setFocus();
  QTest::keyClick(scale, Qt::Key_Up);
  EXPECT_EQ(Text("RzSpinEdit27"), "100");
  for (int i = 0; i < 25; ++i) scale->stepBy(1);
  EXPECT_EQ(Text("RzSpinEdit27"), "2000");
  EXPECT_EQ(M().RzSpinEdit27.Value(), 2000);
  Type("RzSpinEdit28", "15");
  scale->stepBy(-1);
  EXPECT_EQ(Text("RzSpinEdit27"), "1900");
}

TEST_F(WindowTest, NumberFieldsShowTheirDisplayPatternAndKeepTheTypedValue) {
  Type("RzNumericEdit1", "-1234.5");
  EXPECT_EQ(Text("RzNumericEdit1"), "-1,235");
  EXPECT_EQ(M().RzNumericEdit1.Value(), -1234.5);
  // Passing through the field without typing does not read "-1,235" back.
  W("RzNumericEdit1")->setFocus();
  QTest::keyClick(W("RzNumericEdit1"), Qt::Key_Tab);
  EXPECT_EQ(M().RzNumericEdit1.Value(), -1234.5);
  Type("RzNumericEdit2", "2,500.6");
  EXPECT_EQ(M().RzNumericEdit2.Value(), 2501);
  EXPECT_EQ(Text("RzNumericEdit2"), "2,501");
  ClickTab(kTabCustom);
  Type("RzNumericEdit7", "1234567");
  EXPECT_EQ(Text("RzNumericEdit7"), "1,234,567.00000");
  Type("RzNumericEdit8", "x");
  EXPECT_EQ(Text("RzNumericEdit8"), "0.00000");
}

TEST_F(WindowTest, TypingIntoTheEditableZoneListChoosesNoItem) {
  ClickTab(kTabConvert);
  auto* combo = As<QComboBox>("RzComboBox6");
  combo->setFocus();
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), "6 zones");
  EXPECT_EQ(M().RzComboBox6.ItemIndex(), -1);
  EXPECT_EQ(M().RzComboBox6.Text(), "6 zones");
  combo->setCurrentIndex(1);
  emit combo->activated(1);
  EXPECT_EQ(M().RzComboBox6.ItemIndex(), 1);
}

// Enter in the editable zone list takes the typed text as it stands: it adds
// no item and chooses none, also when the text is an item's text.
TEST_F(WindowTest, EnterInTheEditableZoneListAddsNoItemAndChoosesNone) {
  ClickTab(kTabConvert);
  auto* combo = As<QComboBox>("RzComboBox6");
  const QStringList items{QStringLiteral("3度分带法"), QStringLiteral("6度分带法")};
  for (const QString& typed : {QStringLiteral("abc"), QStringLiteral("3"), QStringLiteral("3度分带法"),
                              QStringLiteral("6度"), QStringLiteral("abc")}) {
    combo->lineEdit()->setFocus();
    combo->lineEdit()->selectAll();
    // Each character as a key carrying it (QTest::keyClicks knows only ASCII).
    for (const QChar ch : typed) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(combo->lineEdit(), &press);
    }
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
    EXPECT_EQ(shown, items) << S(typed);
    EXPECT_EQ(M().RzComboBox6.ItemIndex(), -1) << S(typed);
    EXPECT_EQ(M().RzComboBox6.Text(), S(typed));
    window_->Refresh();
    EXPECT_EQ(combo->currentText(), typed);
  }
  // Choosing from the list still chooses.
  combo->setCurrentIndex(0);
  emit combo->activated(0);
  EXPECT_EQ(M().RzComboBox6.ItemIndex(), 0);
}

// ---- Generate ---------------------------------------------------------------------

TEST_F(WindowTest, GenerateListsTheOneTenThousandSheetOfAPointNearBeijing) {
  TypeCorner(1, {"116", "28", "0", "39", "54", "0"});
  TypeCorner(7, {"116", "28", "0", "39", "54", "0"});
  // The scale is picked with the keyboard, away and back to "1:1万".
  auto* scale = As<QComboBox>("RzComboBox2");
  scale->setFocus();
  QTest::keyClick(scale, Qt::Key_Up);
  EXPECT_EQ(M().RzComboBox2.ItemIndex(), 5);
  QTest::keyClick(scale, Qt::Key_Down);
  EXPECT_EQ(M().RzComboBox2.ItemIndex(), 6);
  Click("RzBitBtn1");
  EXPECT_EQ(ListTexts("RzCheckList1"), QStringList{"J50G003040"});
  EXPECT_TRUE(Fake().messages.empty());

  Click("RzRadioButton2");
  EXPECT_TRUE(M().RzRadioButton2.Checked());
  Click("RzBitBtn1");
  EXPECT_EQ(ListTexts("RzCheckList1"), QStringList{"J-50-5-(24)"});
}

TEST_F(WindowTest, GenerateWalksColumnsWestToEastAndEachColumnNorthToSouth) {
  TypeCorner(1, {"116", "27", "0", "39", "53", "0"});
  // The last field is not left before the click: its typed value counts.
  TypeCorner(7, {"116", "31", "0", "39", "56", "0"});
  Type("RzSpinEdit12", "0", false);
  Click("RzBitBtn1");
  EXPECT_EQ(ListTexts("RzCheckList1"),
            (QStringList{"J50G002040", "J50G003040", "J50G002041", "J50G003041"}));
  ASSERT_EQ(M().FMapUnions54.size(), 2u);
  EXPECT_TRUE(ListTexts("RzCheckList2").isEmpty());
}

TEST_F(WindowTest, GenerateOnTheXian80TabFillsItsOwnList) {
  ClickTab(kTabXian80);
  TypeCorner(14, {"116", "28", "0", "39", "54", "0"});
  TypeCorner(20, {"116", "28", "0", "39", "54", "0"});
  Click("RzBitBtn1");
  EXPECT_EQ(ListTexts("RzCheckList2"), QStringList{"J50G003040"});
  EXPECT_TRUE(ListTexts("RzCheckList1").isEmpty());
  EXPECT_EQ(M().FMapUnions80.size(), 1u);
}

TEST_F(WindowTest, GenerateOnTheIndependentTabNumbersByRowAndColumn) {
  ClickTab(kTabCustom);
  Type("RzNumericEdit7", "2000");
  Type("RzNumericEdit8", "1000");
  Type("RzSpinEdit28", "1000");
  Type("RzSpinEdit29", "1000");
  Type("RzSpinEdit30", "1");
  Type("RzSpinEdit31", "1");
  Click("RzBitBtn1");
  EXPECT_EQ(ListTexts("RzCheckList3"), (QStringList{"1+1", "1+2"}));
}

// ---- tabs ---------------------------------------------------------------------------

TEST_F(WindowTest, TheTabChangeEnablesTheCommandsOfTheTab) {
  struct Row {
    int tab;
    const char* caption;
    bool save, geographic;
  };
  const Row table[] = {{kTabConvert, "转换图幅号", false, true},
                       {kTabCustom, "生成图幅号", false, false},
                       {kTabXian80, "生成图幅号", true, true},
                       {kTabConvert, "转换图幅号", false, true},
                       {kTabBeijing54, "生成图幅号", true, true}};
  for (const Row& row : table) {
    ClickTab(row.tab);
    EXPECT_EQ(window_->Tabs()->currentIndex(), MainWindow::WidgetIndexOf(row.tab));
    EXPECT_EQ(M().ActiveTab(), row.tab);
    EXPECT_EQ(Text("RzBitBtn1"), QString::fromUtf8(row.caption)) << row.tab;
    EXPECT_TRUE(W("RzBitBtn1")->isEnabled());
    EXPECT_EQ(W("RzBitBtn2")->isEnabled(), row.save) << row.tab;
    EXPECT_TRUE(W("RzMenuButton1")->isEnabled());
    EXPECT_EQ(window_->ControlAction("N1")->isEnabled(), row.geographic) << row.tab;
    EXPECT_TRUE(window_->ControlAction("N2")->isEnabled());
    EXPECT_TRUE(window_->ControlAction("Excel1")->isEnabled());
    EXPECT_EQ(window_->ControlAction("SHP2")->isEnabled(), row.geographic) << row.tab;
    EXPECT_TRUE(window_->ControlAction("SHP3")->isEnabled());
    EXPECT_TRUE(window_->ControlAction("GPKG1")->isEnabled());
    EXPECT_TRUE(window_->ControlAction("DXF1")->isEnabled());
    // No tab of these datums has sheets that are WGS 84.
    EXPECT_FALSE(window_->ControlAction("KML1")->isEnabled());
  }
}

TEST_F(WindowTest, ParametersKeepTheirValuesAcrossTabChanges) {
  Type("RzSpinEdit1", "116");
  ClickTab(kTabCustom);
  Type("RzEdit1", "[X]");
  ClickTab(kTabBeijing54);
  ClickTab(kTabCustom);
  EXPECT_EQ(Text("RzEdit1"), "[X]");
  EXPECT_EQ(Text("RzSpinEdit1"), "116");
}

TEST_F(WindowTest, TheNumberingWayRewritesTheNumberFormat) {
  ClickTab(kTabCustom);
  Type("RzEdit1", "[ROW]-[COL]x");
  EXPECT_EQ(M().RzEdit1.Text(), "[ROW]-[COL]x");
  Click("RzRadioButton10");
  EXPECT_EQ(Text("RzEdit1"), "[Y]-[X]");
  EXPECT_EQ(M().RzEdit1.Text(), "[Y]-[X]");
  Click("RzRadioButton9");
  EXPECT_EQ(Text("RzEdit1"), "[ROW]+[COL]");
  // Clicking the option already chosen changes nothing.
  Type("RzEdit1", "mine");
  Click("RzRadioButton9");
  EXPECT_EQ(Text("RzEdit1"), "mine");
}

// ---- coordinate tools ------------------------------------------------------------

TEST_F(WindowTest, DegreesToDmsWritesTheCornerOfTheFieldTheMenuWasOpenedOn) {
  Fake().points.push_back(std::pair{116.5, 39.75});
  ChooseFromCornerMenu("RzSpinEdit7", "N3");
  ASSERT_EQ(Fake().pointDialogs.size(), 1u);
  EXPECT_EQ(Fake().pointDialogs[0].caption, "输入");
  EXPECT_EQ(Fake().pointDialogs[0].label1, "经度");
  EXPECT_EQ(Fake().pointDialogs[0].label2, "纬度");
  const QStringList upperRight = {"116", "30", "0.000", "39", "45", "0.000"};
  for (int i = 0; i < 6; ++i) {
    const std::string name = "RzSpinEdit" + std::to_string(7 + i);
    EXPECT_EQ(Text(name.c_str()), upperRight[i]) << name;
  }
  EXPECT_EQ(Text("RzSpinEdit1"), "0");
  EXPECT_EQ(Text("RzSpinEdit4"), "0");
}

TEST_F(WindowTest, DegreesToDmsOnTheXian80TabCarriesAtSixty) {
  ClickTab(kTabXian80);
  Fake().points.push_back(std::pair{30.9999999, 20.5});
  ChooseFromCornerMenu("RzSpinEdit14", "N3");
  EXPECT_EQ(Text("RzSpinEdit14"), "31");
  EXPECT_EQ(Text("RzSpinEdit15"), "0");
  EXPECT_EQ(Text("RzSpinEdit16"), "0.000");
  EXPECT_EQ(Text("RzSpinEdit17"), "20");
  EXPECT_EQ(Text("RzSpinEdit18"), "30");
  EXPECT_EQ(M().RzSpinEdit14.Value(), 31);
}

TEST_F(WindowTest, PlaneToDmsNeedsACentralMeridian) {
  ChooseFromCornerMenu("RzSpinEdit1", "N4");
  ASSERT_EQ(Fake().messages.size(), 1u);
  EXPECT_EQ(Fake().messages[0].caption, "错误");
  EXPECT_EQ(Fake().messages[0].text, "中央经度必须是大于0的值！");
  EXPECT_EQ(Fake().messages[0].icon, MessageIcon::Error);
  EXPECT_TRUE(Fake().pointDialogs.empty());
}

TEST_F(WindowTest, PlaneToDmsProjectsBackWithTheZonePrefixAdded) {
  Type("RzSpinEdit13", "117");
  Fake().points.push_back(std::pair{500000.0, 4429607.368});
  ChooseFromCornerMenu("RzSpinEdit1", "N4");
  EXPECT_EQ(Fake().pointDialogs.at(0).label1, "东坐标 Y");
  EXPECT_EQ(Fake().pointDialogs.at(0).label2, "北坐标 X");
  EXPECT_EQ(Fake().pointDialogs.at(0).caption, "输入：东坐标（第 39 带，带号可省）与北坐标");
  EXPECT_EQ(Text("RzSpinEdit1"), "117");
  EXPECT_EQ(Text("RzSpinEdit2"), "0");
  // The meridian arc at 40° comes back as 40°0′0″.
  EXPECT_EQ(Text("RzSpinEdit4"), "40");
  EXPECT_EQ(Text("RzSpinEdit5"), "0");
  EXPECT_NEAR(M().RzSpinEdit6.Value(), 0, 0.001);
}

TEST_F(WindowTest, ACancelledOrClosedToolWritesNothing) {
  Fake().points.push_back(std::nullopt);
  ChooseFromCornerMenu("RzSpinEdit1", "N3");
  EXPECT_EQ(Fake().pointDialogs.size(), 1u);
  ChooseFromCornerMenu("RzSpinEdit1", "");
  EXPECT_EQ(Fake().pointDialogs.size(), 1u);
  EXPECT_EQ(Text("RzSpinEdit1"), "0");
}

TEST_F(WindowTest, TheFocusedControlIsTheFieldWhoseTextLineHasTheFocus) {
  EXPECT_EQ(ui_->FocusedControl(), "RzSpinEdit1");
  ClickTab(kTabXian80);
  W("RzSpinEdit20")->setFocus();
  EXPECT_EQ(ui_->FocusedControl(), "RzSpinEdit20");
  window_->Tabs()->tabBar()->setFocus();
  EXPECT_EQ(ui_->FocusedControl(), "");
  // The text line of the editable zone list belongs to the list.
  ClickTab(kTabConvert);
  As<QComboBox>("RzComboBox6")->lineEdit()->setFocus();
  EXPECT_EQ(ui_->FocusedControl(), "RzComboBox6");
  ui_->SetFocus("RzCheckList2");
  EXPECT_EQ(ui_->FocusedControl(), "RzCheckList2");
}

// ---- exit -----------------------------------------------------------------------------

TEST_F(WindowTest, ExitClosesTheWindowAtOnce) {
  Click("RzBitBtn3");
  EXPECT_TRUE(M().Closed());
  EXPECT_FALSE(window_->isVisible());
  EXPECT_TRUE(Fake().messages.empty());
}

}  // namespace
// Each geodetic list has an area tool after the map's; the area's line
// shows under the list's rows without moving the list.
TEST_F(WindowTest, TheAreaToolAndLineOfEachGeodeticList) {
  for (GeodeticTab& tab : M().GeodeticTabs) {
    SCOPED_TRACE(tab.List.Name());
    auto* tool = window_->findChild<QToolButton*>(Q(tab.List.Name()) + QStringLiteral("Area"));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->toolTip(), QStringLiteral("导入范围"));
    ASSERT_NE(tool->menu(), nullptr);
    QStringList items;
    for (QAction* a : tool->menu()->actions()) items << a->objectName();
    EXPECT_EQ(items, QStringList({Q(tab.ImportArea.Name()), Q(tab.ClearArea.Name()), Q(tab.TagLayer.Name())}));
    SheetListView* view = window_->ListView(tab.List.Name());
    const QRect before = view->geometry();
    auto* line = qobject_cast<QLabel*>(window_->ControlWidget(tab.AreaLabel.Name()));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isHidden());
    tab.AreaLabel.Caption = "范围：/data/县界.shp，3 个多边形";
    tab.ClearArea.Enabled = true;
    window_->Refresh();
    EXPECT_FALSE(line->isHidden());
    EXPECT_EQ(line->toolTip(), QStringLiteral("范围：/data/县界.shp，3 个多边形"));
    EXPECT_TRUE(window_->ControlAction(tab.ClearArea.Name())->isEnabled());
    EXPECT_EQ(view->geometry(), before);
    EXPECT_LE(line->geometry().bottom(), view->rect().bottom());
    tab.AreaLabel.Caption.clear();
    window_->Refresh();
    EXPECT_TRUE(line->isHidden());
  }
}

}  // namespace karvento::app::testing
