// SPDX-License-Identifier: Apache-2.0
// The independent grid over its whole input: extent, steps, start row and
// column, numbering way and number format.
//
// Invariants: only the program's own error escapes; a refusal is the format
// message exactly when the format holds neither token of the chosen way,
// else the step message, and leaves the result empty; a result has at most
// kMaxSheets sheets whose numbers hold at most kMaxCustomNumberBytes bytes;
// its rows are equally long, stacked from the lowest Y upward, and its sheets
// abut, each of positive size, with finite corners wherever the input is
// finite; a row-and-column number is built from the row and column it stands
// in; every "%" typed in the format comes out in every number.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "numbering/unMapUnRgPub.h"

using namespace karvento;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Reads the input front to back; past its end every value is 0.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  template <typename T>
  T Raw() {
    T v{};
    const std::size_t n = std::min(sizeof v, size_ - at_);
    std::memcpy(&v, data_ + at_, n);
    at_ += n;
    return v;
  }

  // A value of one of four kinds, chosen by its first byte: whole numbers
  // such as the window's fields hold, large whole numbers, fractions, or any
  // double at all (NaN, infinities, the extremes).
  double Number() {
    switch (Raw<std::uint8_t>() % 4) {
      case 0:
        return Raw<std::int16_t>() * 10.0;
      case 1:
        return Raw<std::int32_t>();
      case 2:
        return Raw<std::int16_t>() / 16.0;
      default:
        return Raw<double>();
    }
  }

  std::string Rest() {
    std::string s(reinterpret_cast<const char*>(data_) + at_, size_ - at_);
    at_ = size_;
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const bool byRowCol = in.Raw<std::uint8_t>() & 1;
  const double minX = in.Number(), minY = in.Number(), maxX = in.Number(), maxY = in.Number();
  const double stepX = in.Number(), stepY = in.Number();
  const int startRow = in.Raw<std::int32_t>(), startCol = in.Raw<std::int32_t>();
  const std::string format = in.Rest();

  // Grids that are legal but large take seconds each and teach the fuzzer
  // nothing new: skip them. Those beyond the limits stay, since they are
  // refused before anything is made.
  const auto spans = [](double lo, double hi, double step) {
    const double a = FloorToStep(lo, step), b = CeilToStep(hi, step);
    return b > a ? std::ceil((b - a) / step) : 0.0;
  };
  const double planned = spans(minY, maxY, stepY) * spans(minX, maxX, stepX);
  const double plannedBytes = planned * static_cast<double>(format.size());
  if ((planned > 20000 && planned <= static_cast<double>(kMaxSheets)) ||
      (plannedBytes > (8 << 20) && plannedBytes <= static_cast<double>(kMaxCustomNumberBytes))) {
    return 0;
  }

  TCustomMapUnions sheets;
  std::string refusal;
  try {
    refusal = CreateCustomMapUnions(minX, minY, maxX, maxY, startRow, startCol, stepX, stepY,
                                    format, byRowCol, sheets);
  } catch (const Error&) {
    Check(sheets.empty());
    return 0;
  }
  const std::string lower = Lower(format);
  const bool hasToken = byRowCol ? lower.find("[row]") != std::string::npos ||
                                       lower.find("[col]") != std::string::npos
                                 : lower.find("[x]") != std::string::npos ||
                                       lower.find("[y]") != std::string::npos;
  if (!refusal.empty()) {
    Check(sheets.empty());
    Check(refusal == (hasToken ? kStepTooSmallMessage : kBadFormatMessage));
    return 0;
  }
  Check(hasToken && stepX > 0 && stepY > 0 && std::isfinite(stepX) && std::isfinite(stepY));

  const bool finiteInput = std::isfinite(minX) && std::isfinite(minY) && std::isfinite(maxX) &&
                           std::isfinite(maxY) && std::isfinite(stepX) && std::isfinite(stepY);
  const auto percents = std::count(format.begin(), format.end(), '%');
  std::int64_t count = 0, bytes = 0;
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const auto& row = sheets[i];
    Check(row.size() == sheets[0].size());
    for (std::size_t j = 0; j < row.size(); ++j) {
      const TCustomMapUnion& s = row[j];
      ++count;
      bytes += static_cast<std::int64_t>(s.MapUnionNo.size());
      Check(s.MinX < s.MaxX && s.MinY < s.MaxY);
      if (finiteInput) {
        Check(std::isfinite(s.MinX) && std::isfinite(s.MaxX) && std::isfinite(s.MinY) &&
              std::isfinite(s.MaxY));
      }
      if (j > 0) Check(s.MinX == row[j - 1].MaxX);
      if (i > 0) Check(s.MinY == sheets[i - 1][j].MaxY && s.MinX == sheets[i - 1][j].MinX);
      if (j > 0) Check(s.MinY == row[j - 1].MinY);
      Check(std::count(s.MapUnionNo.begin(), s.MapUnionNo.end(), '%') == percents);
      // A format of exactly "[row]" or "[col]" is the number alone.
      if (byRowCol && (lower == "[row]" || lower == "[col]")) {
        const long long n = lower == "[row]" ? startRow + static_cast<long long>(i)
                                             : startCol + static_cast<long long>(j);
        Check(s.MapUnionNo == std::to_string(n));
      }
    }
  }
  Check(count <= kMaxSheets);
  Check(bytes <= kMaxCustomNumberBytes);
  return 0;
}
