// SPDX-License-Identifier: Apache-2.0
#include "bad_files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "workbench/controls.h"
#include "workbench/sheet_list.h"
#include "workbench/user_texts.h"

namespace karvento::testing {

std::string MakeSparseFile(const TempDir& dir, const std::string& name, std::size_t size) {
  const std::string p = dir.File(name);
  const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
  ::close(fd);
  return p;
}

std::string MakeRandomFile(const TempDir& dir, const std::string& name, std::size_t size,
                           bool noNul) {
  std::mt19937 gen(20261208);
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    c = static_cast<char>(gen() & 0xFF);
    if (noNul && c == '\0') c = 'x';
  }
  return dir.Write(name, bytes);
}

std::string MakeFifo(const TempDir& dir, const std::string& name) {
  const std::string p = dir.File(name);
  EXPECT_EQ(::mkfifo(p.c_str(), 0644), 0);
  return p;
}

WindowState StateOf(const TfrmCreateMapUnRg& frm) {
  WindowState s;
  for (const Control* c : frm.Controls()) {
    std::ostringstream o;
    o.precision(17);
    o << c->Name() << " enabled=" << c->Enabled << " visible=" << c->Visible;
    if (const auto* f = dynamic_cast<const SpinField*>(c)) o << " value=" << f->Value();
    if (const auto* f = dynamic_cast<const NumberField*>(c)) o << " value=" << f->Value();
    if (const auto* f = dynamic_cast<const PickList*>(c)) {
      o << " index=" << f->ItemIndex() << " text=" << f->Text();
    }
    if (const auto* f = dynamic_cast<const RadioButton*>(c)) o << " checked=" << f->Checked();
    if (const auto* f = dynamic_cast<const TextField*>(c)) o << " text=" << f->Text();
    if (const auto* l = dynamic_cast<const SheetList*>(c)) {
      o << " rows=" << l->Count() << " current=" << l->ItemIndex() << " checked=";
      std::vector<TStandardMapUnion> standard;
      std::vector<TCustomMapUnion> custom;
      for (std::size_t i = 0; i < l->Count(); ++i) {
        o << l->Checked(i);
        if (l->Kind() == RecordKind::Standard) {
          standard.push_back(l->StandardRecord(i));
        } else {
          custom.push_back(l->CustomRecord(i));
        }
      }
      s.standardRows[c->Name()] = std::move(standard);
      s.customRows[c->Name()] = std::move(custom);
    }
    s.controls[c->Name()] = o.str();
  }
  s.controls["active tab"] = std::to_string(frm.ActiveTab());
  s.table54 = frm.FMapUnions54.get();
  s.table80 = frm.FMapUnions80.get();
  s.tableCustom = frm.FCustomMapUnions.get();
  return s;
}

WindowState Without(WindowState s, const std::string& control) {
  s.controls.erase(control);
  s.standardRows.erase(control);
  s.customRows.erase(control);
  return s;
}

std::string Difference(const WindowState& a, const WindowState& b) {
  std::string d;
  for (const auto& [name, text] : a.controls) {
    const auto other = b.controls.find(name);
    if (other == b.controls.end()) {
      d += name + " missing\n";
    } else if (other->second != text) {
      d += text + "  ->  " + other->second + "\n";
    }
  }
  if (a.standardRows != b.standardRows || a.customRows != b.customRows) d += "list records\n";
  if (a.table54 != b.table54) d += "FMapUnions54\n";
  if (a.table80 != b.table80) d += "FMapUnions80\n";
  if (a.tableCustom != b.tableCustom) d += "FCustomMapUnions\n";
  return d;
}

void ExpectOneErrorAndNoChange(const std::vector<FakeUi::Message>& shown,
                               const std::string& message, const WindowState& before,
                               const TfrmCreateMapUnRg& frm, const std::string& what) {
  ASSERT_EQ(shown.size(), 1u) << what;
  // The program's refusals and the errors inside a routine alike, in
  // Chinese words.
  EXPECT_EQ(shown[0].caption, kErrorCaption) << what;
  EXPECT_EQ(shown[0].icon, MessageIcon::Error) << what;
  EXPECT_EQ(shown[0].text, UserFacingText(message)) << what;
  const WindowState after = StateOf(frm);
  EXPECT_EQ(before, after) << what << "\n" << Difference(before, after);
}

namespace {
double Seconds(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

double ProcessorSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return Seconds(u);
}

double ChildProcessorSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_CHILDREN, &u);
  return Seconds(u);
}

double PeakRssMiB() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

}  // namespace karvento::testing
