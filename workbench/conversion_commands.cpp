// SPDX-License-Identifier: Apache-2.0
// The commands of the conversion tab: the source numbers (read from a
// number list or typed), their extent and plane corners, and the
// conversion of every source number into the target list.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "geodesy/gauss_kruger.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"
#include "workbench/input_dialogs.h"
#include "workbench/text_files.h"
#include "workbench/user_texts.h"

namespace karvento {
namespace {

constexpr const char* kNotStandard = "不是标准图幅号！";
constexpr const char* kNotStandardAbove = "以上不是标准图幅号！";
constexpr const char* kNotConvertedAbove = "以上图幅号无法转换，其余已转换。";
constexpr std::size_t kNamedFailures = 20;

// A source number as the list keeps it: sheet numbers are written in
// capitals, so j-50-5 is J-50-5 (read as typed, its row letter would name
// no sheet, and the conversion would fail on it).
std::string SourceNumberText(std::string text) { return SheetNumberInCapitals(std::move(text)); }

// CheckMapUnionNo, with a number whose integer field does not convert ("XYZ"
// reads "YZ" as one) counted as no standard number. A refused number leaves
// its reason: the field out of range, or that it is no standard number.
int SourceNumberKind(const std::string& text, const std::string& typed, std::string& reason) {
  int kind = 0;
  try {
    kind = CheckMapUnionNo(text);
  } catch (const NumberFieldError& e) {
    reason = e.TextFor(typed);
    return 0;
  } catch (const SheetLimitError&) {
    throw;
  } catch (const Error&) {
    kind = 0;
  }
  if (kind == 0) reason = typed + kNotStandard;
  return kind;
}

}  // namespace

void TfrmCreateMapUnRg::Convert() {
  const double cm = RzSpinEdit34.Value();
  // A typed zone method chooses no item and means 6-degree zones.
  const bool zone3 = RzComboBox6.ItemIndex() == 0;
  const ScaleIndex scale = RzComboBox5.ItemIndex();
  const double offsetX = RzNumericEdit9.Value();
  const double offsetY = RzNumericEdit10.Value();
  const Datum datum = ConversionDatum();
  const bool oldToNew = RzRadioButton5.Checked();
  // The old standard stops at 1:5000: refused before any source is read.
  RequireConversionTarget(oldToNew, scale);

  // One entry per source item, checked or not, in list order; only the
  // item's text is read.
  const std::size_t sources = RzCheckList4.Count();
  auto progress = ui_.BeginProgress(kWindowCaption, kConvertingText, sources);
  TStandardMapUnions result(sources);
  std::int64_t total = 0;
  // A number that does not convert gives no sheets and is named afterwards
  // (the first kNamedFailures of them); it never stops the others.
  std::string failed;
  std::size_t failures = 0;
  for (std::size_t i = 0; i < sources; ++i) {
    try {
      result[i] = ConvertMapUnionNo(RzCheckList4.Text(i), oldToNew, scale, zone3, cm, datum);
    } catch (const SheetLimitError&) {
      throw;
    } catch (const NumberFieldError& e) {
      // The field's text names the number itself.
      if (++failures <= kNamedFailures) failed += e.TextFor(RzCheckList4.Text(i)) + "\r\n";
    } catch (const Error& e) {
      if (++failures <= kNamedFailures) {
        failed += RzCheckList4.Text(i) + "：" + UserFacingText(e.GetMessage()) + "\r\n";
      }
    }
    AddConvertedSheets(total, result[i].size());
    // Cancelled: the target list and the table are filled only at the end,
    // so they keep what they held.
    if (!progress->Step(i + 1)) return;
  }
  progress.reset();
  ShowStandardMapUnions(std::move(result), RzCheckList5, datum, offsetX, offsetY);
  if (failures > kNamedFailures) {
    failed += "……共 " + std::to_string(failures) + " 个\r\n";
  }
  if (failures > 0) {
    ui_.MessageBox(kErrorCaption, failed + kNotConvertedAbove, MessageButtons::Ok,
                   MessageIcon::Error);
  }
  GeodeticTabOf(datum).Plane = {datum, zone3, cm, offsetX, offsetY};
  // Every target is of the one scale and the standard converted to.
  convertedPlane_ = {datum, zone3, cm, offsetX, offsetY, kScaleDenominators[static_cast<std::size_t>(scale)],
                     oldToNew ? "new" : "old"};
}

TStandardMapUnion TfrmCreateMapUnRg::MakeSourceMapUnion(const std::string& number, int kind,
                                                        double cm, bool zone3, bool is54) {
  return MakeSourceMapUnion(number, kind, cm, zone3, LegacyDatum(is54));
}

TStandardMapUnion TfrmCreateMapUnRg::MakeSourceMapUnion(const std::string& number, int kind,
                                                        double cm, bool zone3, Datum datum) {
  TStandardMapUnion r;
  r.MapUnionNo = number;
  r.Range = kind == 1 ? ParseOldMapUnionNo(number) : ParseNewMapUnionNo(number);
  if (cm > 0) {
    r.PlaneCorners = SheetCorners(datum, {r.Range.West, r.Range.North}, {r.Range.East, r.Range.South},
                                  zone3, cm);
  }
  return r;
}

void TfrmCreateMapUnRg::RzToolbarButton14Click() {
  Dispatch([this] { OpenNumberList(); });
}

void TfrmCreateMapUnRg::OpenNumberList() {
  OpenDialog1.Filter = kTextFilter;
  OpenDialog1.DefaultExt.clear();
  std::string fileName;
  if (!ExecuteFileDialog(ui_, OpenDialog1, fileName)) return;
  const std::vector<std::string> lines = ReadNumberList(fileName);
  const double cm = RzSpinEdit34.Value();
  const bool zone3 = RzComboBox6.ItemIndex() == 0;
  std::string rejected;
  // Rows added after a delete: the delete is no longer taken back.
  if (undoList_ == &RzCheckList4) ForgetUndo();
  const std::size_t before = RzCheckList4.Count();
  auto progress = ui_.BeginProgress(kWindowCaption, kReadingNumbersText, lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string line = SourceNumberText(lines[i]);
    // A line that is no standard number, also one whose integer field does
    // not convert, is rejected like any other; the rest are read.
    std::string reason;
    const int kind = SourceNumberKind(line, lines[i], reason);
    if (kind == 0) {
      // A field out of range is named; a text of no number's form is listed
      // as it is.
      rejected += reason == lines[i] + kNotStandard ? lines[i] : reason;
      rejected += "\r\n";
    } else {
      RzCheckList4.Append(MakeSourceMapUnion(line, kind, cm, zone3, ConversionDatum()));
    }
    if (!progress->Step(i + 1)) {
      // Cancelled: the list is as it was before the command, and the
      // rejected lines are not worth a message any more.
      RzCheckList4.RemoveFrom(before);
      return;
    }
  }
  progress.reset();
  if (!rejected.empty()) {
    ui_.MessageBox(kErrorCaption, rejected + kNotStandardAbove, MessageButtons::Ok,
                   MessageIcon::Error);
  }
}

void TfrmCreateMapUnRg::RzToolbarButton20Click() {
  Dispatch([this] { NewNumber(); });
}

void TfrmCreateMapUnRg::NewNumber() {
  std::string text;
  if (!InputString(ui_, "新增", "请输入图幅号", text, true)) return;
  AddNumber(text);
}

void TfrmCreateMapUnRg::AddNumber(const std::string& typed) {
  const double cm = RzSpinEdit34.Value();
  const bool zone3 = RzComboBox6.ItemIndex() == 0;
  // Each line one number, checked on its own: a pasted column of numbers
  // adds the good ones and names the others with their line; blank lines
  // are skipped.
  const std::vector<std::string> lines = SplitLines(typed);
  std::vector<std::pair<std::size_t, std::string>> given;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t first = lines[i].find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    given.emplace_back(i + 1, lines[i].substr(first, lines[i].find_last_not_of(" \t") + 1 - first));
  }
  if (undoList_ == &RzCheckList4) ForgetUndo();
  // Nothing typed is refused as the one number it is.
  if (given.empty()) given.emplace_back(1, typed);
  std::string rejected;
  std::size_t failures = 0;
  for (const auto& [line, number] : given) {
    const std::string text = SourceNumberText(number);
    std::string reason;
    const int kind = SourceNumberKind(text, number, reason);
    if (kind == 0) {
      if (given.size() == 1) {
        ui_.MessageBox(kErrorCaption, reason, MessageButtons::Ok, MessageIcon::Error);
        return;
      }
      if (++failures <= kNamedFailures) {
        rejected += "第 " + std::to_string(line) + " 行：" + reason + "\r\n";
      }
      continue;
    }
    (kind == 1 ? RzRadioButton5 : RzRadioButton6).Choose();
    RzCheckList4.Append(MakeSourceMapUnion(text, kind, cm, zone3, ConversionDatum()));
  }
  if (failures > kNamedFailures) rejected += "……共 " + std::to_string(failures) + " 行\r\n";
  if (failures > 0) {
    ui_.MessageBox(kErrorCaption,
                   rejected + "以上 " + std::to_string(failures) + " 行未添加，其余 " +
                       std::to_string(given.size() - failures) + " 个已添加。",
                   MessageButtons::Ok, MessageIcon::Error);
  }
}

void TfrmCreateMapUnRg::AddTypedNumber(std::string_view number) {
  Dispatch([&] { AddNumber(std::string(number)); });
}

// The conversion tab's toolbars over its source and target lists.
void TfrmCreateMapUnRg::RzToolbarButton15Click() { FindMapUnionNo(RzCheckList4); }
void TfrmCreateMapUnRg::RzToolbarButton16Click() { DeleteCheckedItems(RzCheckList4); }
void TfrmCreateMapUnRg::RzToolbarButton21Click() { ShowSelectedInfo(RzCheckList4); }
void TfrmCreateMapUnRg::RzToolbarButton18Click() { FindMapUnionNo(RzCheckList5); }
void TfrmCreateMapUnRg::RzToolbarButton19Click() { DeleteCheckedItems(RzCheckList5); }
void TfrmCreateMapUnRg::RzToolbarButton17Click() { ShowSelectedInfo(RzCheckList5); }

}  // namespace karvento
