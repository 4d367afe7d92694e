// SPDX-License-Identifier: Apache-2.0
// The workbook as a file, written by libxlsxwriter, and the check that reads
// a saved file back as a complete workbook.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <map>
#include <vector>

#include "export/safe_file.h"
#include "export/xlsx_backend.h"
#include "export/xlsx_workbook.h"
#include "numbering/error.h"

namespace karvento {
namespace {

// The least XML a written cell takes in the worksheet: <c r="A1"><v>0</v></c>.
constexpr std::uint64_t kLeastCellBytes = 22;

// ------------------------------------------------------- reading a ZIP back

// The parts every saved workbook holds.
constexpr const char* kWorkbookParts[] = {
    "[Content_Types].xml", "_rels/.rels",   "docProps/app.xml", "docProps/core.xml",
    "xl/workbook.xml",     "xl/_rels/workbook.xml.rels", "xl/styles.xml", "xl/theme/theme1.xml",
    "xl/worksheets/sheet1.xml"};
constexpr const char* kSheetPart = "xl/worksheets/sheet1.xml";

std::uint64_t Le(const unsigned char* p, int n) {
  std::uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

class ZipFile {
 public:
  explicit ZipFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~ZipFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ZipFile(const ZipFile&) = delete;
  ZipFile& operator=(const ZipFile&) = delete;
  bool ok() const { return fd_ >= 0; }
  // n bytes at offset, or an empty vector when the file ends before them.
  std::vector<unsigned char> Read(std::uint64_t offset, std::size_t n) const {
    std::vector<unsigned char> b(n);
    std::size_t got = 0;
    while (got < n) {
      const ssize_t r = ::pread(fd_, b.data() + got, n - got, static_cast<off_t>(offset + got));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return {};
      got += static_cast<std::size_t>(r);
    }
    return b;
  }

 private:
  int fd_;
};

struct Entry {
  std::uint64_t size = 0, packed = 0, offset = 0;
  std::uint64_t crc = 0, method = 0, dataStart = 0;
};

// Decompresses one entry whole: its length and CRC must be those the
// directory gives, and the worksheet must end its XML. The library computes
// the CRC over what it read back from its staging file, so a staging file cut
// short passes the CRC; the missing end of the XML gives it away.
std::string EntryFault(const ZipFile& zip, const std::string& name, const Entry& e) {
  if (e.method != 0 && e.method != 8) return "“" + name + "”的压缩方式未知";
  z_stream z{};
  if (e.method == 8 && inflateInit2(&z, -MAX_WBITS) != Z_OK) return "无法解压";
  std::vector<unsigned char> out(std::size_t{1} << 18);
  std::string last;  // the last bytes of the part
  uLong crc = crc32(0, nullptr, 0);
  std::uint64_t produced = 0;
  const auto take = [&](const unsigned char* p, std::size_t n) {
    crc = crc32_z(crc, p, n);
    produced += n;
    last.append(reinterpret_cast<const char*>(p), n);
    if (last.size() > 64) last.erase(0, last.size() - 64);
  };
  std::string fault;
  int ret = Z_OK;
  for (std::uint64_t at = 0; at < e.packed && fault.empty() && ret != Z_STREAM_END;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(e.packed - at, 1 << 18));
    std::vector<unsigned char> in = zip.Read(e.dataStart + at, n);
    if (in.empty()) {
      fault = "读不到“" + name + "”";
      break;
    }
    at += n;
    if (e.method == 0) {
      take(in.data(), n);
      continue;
    }
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(n);
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      ret = inflate(&z, Z_NO_FLUSH);
      if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR) {
        fault = "“" + name + "”的压缩数据有误";
        break;
      }
      take(out.data(), out.size() - z.avail_out);
    } while ((z.avail_out == 0 || z.avail_in > 0) && ret == Z_OK);
  }
  if (e.method == 8) inflateEnd(&z);
  if (!fault.empty()) return fault;
  if (e.method == 8 && ret != Z_STREAM_END) return "“" + name + "”的压缩数据不完整";
  if (produced != e.size || crc != e.crc) return "“" + name + "”的内容与目录不符";
  std::size_t end = last.find_last_not_of(" \r\n\t");
  last.erase(end == std::string::npos ? 0 : end + 1);
  if (name == kSheetPart && (last.size() < 12 || last.compare(last.size() - 12, 12, "</worksheet>") != 0)) {
    return std::string(kSheetPart) + " 不完整";
  }
  return {};
}

// The workbook's cells handed to libxlsxwriter, which stages the rows in a
// temporary file and compresses everything when the workbook is closed.
class LibraryBackend final : public XlsxBackend {
 public:
  explicit LibraryBackend(const std::string& fileName)
      : file_(std::make_unique<SafeFile>(fileName, SafeFile::Mode::kByName)) {
    // The library opens the file by name when it saves; the descriptor of the
    // temporary file is not needed.
    file_->Close();
    // The library stages the rows and every part in temporary files before it
    // compresses them, and does not notice when writing those fails: they are
    // kept beside the workbook, on the file system that must hold it anyway.
    const std::string& path = file_->path();
    const std::size_t slash = path.rfind('/');
    stagingFolder_ = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    options.tmpdir = stagingFolder_.data();
    book_ = workbook_new_opt(path.c_str(), &options);
    if (book_ == nullptr) Fail("无法创建工作簿");
    sheet_ = workbook_add_worksheet(book_, nullptr);
    if (sheet_ == nullptr) Fail("无法创建工作表");
  }

  ~LibraryBackend() override {
    // An unsaved workbook is freed without writing; the safe file removes the
    // temporary file.
    if (book_ != nullptr) lxw_workbook_free(book_);
  }
  LibraryBackend(const LibraryBackend&) = delete;
  LibraryBackend& operator=(const LibraryBackend&) = delete;

  void Merge(int row, int firstCol, int lastCol, int style) override {
    Check(worksheet_merge_range(sheet_, Row(row), Col(firstCol), Row(row), Col(lastCol), "", Format(style)));
  }
  void Text(int row, int col, std::string_view utf8, int style) override {
    ++cells_;
    const std::string text(utf8);
    Check(worksheet_write_string(sheet_, Row(row), Col(col), text.c_str(), Format(style)));
  }
  void Number(int row, int col, double value, int style) override {
    ++cells_;
    Check(worksheet_write_number(sheet_, Row(row), Col(col), value, Format(style)));
  }
  void Blank(int row, int col, int style) override {
    Check(worksheet_write_blank(sheet_, Row(row), Col(col), Format(style)));
  }
  void ColumnWidth(int col, double width) override {
    Check(worksheet_set_column(sheet_, Col(col), Col(col), width, nullptr));
  }

  bool Save(const std::function<bool()>& keepGoing) override {
    lxw_workbook* book = book_;
    book_ = nullptr;  // workbook_close frees the workbook whatever it returns
    // The system's reason of a failed close, taken on the thread that closed.
    int closeErrno = 0;
    const auto close = [book, &closeErrno] {
      errno = 0;
      const lxw_error e = workbook_close(book);
      closeErrno = errno;
      return e;
    };
    lxw_error err = LXW_NO_ERROR;
    bool cancelled = false;
    // The saved file is read back before it may replace anything.
    const std::uint64_t leastSheet = cells_ * kLeastCellBytes;
    std::string fault;
    const auto closeAndCheck = [&] {
      const lxw_error e = close();
      if (e == LXW_NO_ERROR) fault = WorkbookFileFault(file_->path(), leastSheet);
      return e;
    };
    if (!keepGoing) {
      err = closeAndCheck();
    } else {
      // The future's destructor waits for the close, also when keepGoing
      // throws, so the workbook and the file outlive the work on them.
      std::future<lxw_error> closing = std::async(std::launch::async, closeAndCheck);
      do {
        if (!cancelled && !keepGoing()) cancelled = true;
      } while (closing.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready);
      err = closing.get();
    }
    if (cancelled) return false;  // the safe file removes what was written
    if (err != LXW_NO_ERROR) {
      std::string reason = lxw_strerror(err);
      if (closeErrno != 0) reason += std::string("（") + std::strerror(closeErrno) + "）";
      Fail(reason);
    }
    if (!fault.empty()) Fail("保存的工作簿不完整：" + fault);
    file_->Commit();
    return true;
  }

 private:
  static lxw_row_t Row(int row) { return static_cast<lxw_row_t>(row); }
  static lxw_col_t Col(int col) { return static_cast<lxw_col_t>(col); }

  [[noreturn]] void Fail(std::string_view reason) { throw Error(FileWriteError(file_->target(), reason)); }
  void Check(lxw_error err) {
    if (err != LXW_NO_ERROR) Fail(lxw_strerror(err));
  }

  lxw_format* Format(int style) {
    if (style == kXlsxPlain) return nullptr;
    if (formats_[style] == nullptr) {
      lxw_format* f = workbook_add_format(book_);
      if (f == nullptr) Fail("无法创建单元格格式");
      if ((style & kXlsxCentred) != 0) format_set_align(f, LXW_ALIGN_CENTER);
      if ((style & kXlsxFramed) != 0) format_set_border(f, LXW_BORDER_THIN);
      formats_[style] = f;
    }
    return formats_[style];
  }

  std::unique_ptr<SafeFile> file_;
  std::string stagingFolder_;  // where the library keeps its temporary parts
  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* formats_[4] = {};
  std::uint64_t cells_ = 0;  // cells written, for the least size of the worksheet
};

}  // namespace

std::string WorkbookFileFault(const std::string& path, std::uint64_t minSheetBytes) {
  ZipFile zip(path);
  struct stat st {};
  if (!zip.ok() || ::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  if (size < 22) return "文件只有 " + std::to_string(size) + " 字节";
  // The end record: its signature, then nothing after it but its comment.
  const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(size, 22 + 65535));
  const std::vector<unsigned char> tail = zip.Read(size - tailSize, tailSize);
  if (tail.empty()) return "读不到文件末尾";
  std::size_t at = tailSize - 22;
  for (;; --at) {
    if (Le(&tail[at], 4) == 0x06054b50 && at + 22 + Le(&tail[at + 20], 2) == tailSize) break;
    if (at == 0) return "没有 ZIP 目录的结束记录";
  }
  const std::uint64_t end = size - tailSize + at;
  std::uint64_t count = Le(&tail[at + 10], 2);
  std::uint64_t dirSize = Le(&tail[at + 12], 4);
  std::uint64_t dirOffset = Le(&tail[at + 16], 4);
  std::uint64_t dirEnd = end;
  if (end >= 20) {
    const std::vector<unsigned char> locator = zip.Read(end - 20, 20);
    if (!locator.empty() && Le(&locator[0], 4) == 0x07064b50) {
      const std::uint64_t at64 = Le(&locator[8], 8);
      const std::vector<unsigned char> rec = zip.Read(at64, 56);
      if (rec.empty() || Le(&rec[0], 4) != 0x06064b50) return "ZIP64 目录记录不在它应在的位置";
      count = Le(&rec[32], 8);
      dirSize = Le(&rec[40], 8);
      dirOffset = Le(&rec[48], 8);
      dirEnd = at64;
    }
  }
  if (dirOffset + dirSize != dirEnd || dirSize > (std::uint64_t{1} << 30)) return "ZIP 目录不完整";
  const std::vector<unsigned char> dir = zip.Read(dirOffset, static_cast<std::size_t>(dirSize));
  if (dir.size() != dirSize) return "读不到 ZIP 目录";
  std::map<std::string, Entry> entries;
  std::size_t p = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (p + 46 > dir.size() || Le(&dir[p], 4) != 0x02014b50) return "ZIP 目录的条目不完整";
    const std::size_t nameLen = Le(&dir[p + 28], 2), extraLen = Le(&dir[p + 30], 2),
                      commentLen = Le(&dir[p + 32], 2);
    if (p + 46 + nameLen + extraLen + commentLen > dir.size()) return "ZIP 目录的条目不完整";
    Entry e{Le(&dir[p + 24], 4), Le(&dir[p + 20], 4), Le(&dir[p + 42], 4), Le(&dir[p + 16], 4),
            Le(&dir[p + 10], 2), 0};
    // ZIP64: the values too large for their fields follow in the extra
    // field 0x0001, in this order.
    for (std::size_t x = p + 46 + nameLen; x + 4 <= p + 46 + nameLen + extraLen;) {
      const std::uint64_t id = Le(&dir[x], 2), len = Le(&dir[x + 2], 2);
      std::size_t v = x + 4;
      if (id == 1) {
        for (std::uint64_t* field : {&e.size, &e.packed, &e.offset}) {
          if (*field == 0xFFFFFFFFu && v + 8 <= x + 4 + len) {
            *field = Le(&dir[v], 8);
            v += 8;
          }
        }
      }
      x += 4 + len;
    }
    const std::string name(reinterpret_cast<const char*>(&dir[p + 46]), nameLen);
    const std::vector<unsigned char> local = zip.Read(e.offset, 30 + nameLen);
    if (local.empty() || Le(&local[0], 4) != 0x04034b50 ||
        std::memcmp(&local[30], name.data(), nameLen) != 0) {
      return "“" + name + "”的本地记录不在目录所说的位置";
    }
    const std::uint64_t dataStart = e.offset + 30 + Le(&local[26], 2) + Le(&local[28], 2);
    if (dataStart + e.packed > dirOffset) return "“" + name + "”的数据超出了文件";
    e.dataStart = dataStart;
    entries[name] = e;
    p += 46 + nameLen + extraLen + commentLen;
  }
  for (const char* part : kWorkbookParts) {
    const auto it = entries.find(part);
    if (it == entries.end()) return std::string("缺少 ") + part;
    if (it->second.size == 0) return std::string(part) + " 是空的";
  }
  if (entries[kSheetPart].size < minSheetBytes) {
    return std::string(kSheetPart) + " 只有 " + std::to_string(entries[kSheetPart].size) + " 字节";
  }
  for (const auto& [name, e] : entries) {
    std::string fault = EntryFault(zip, name, e);
    if (!fault.empty()) return fault;
  }
  return {};
}

XlsxWorkbook::XlsxWorkbook(const std::string& fileName)
    : backend_(std::make_unique<LibraryBackend>(fileName)), sheet_(new XlsxWorksheet(*backend_)) {}

}  // namespace karvento
