#include "cli/common.h"

#include <cerrno>
#include <cstring>

#include "numbering/error.h"

namespace karvento::cli {

OutputOptions ReadOutputOptions(const Args& args) {
  OutputOptions o;
  if (auto f = args.Value("format")) o.format = ParseFormat(*f);
  if (auto f = args.Value("output")) o.file = *f;
  if (auto e = args.Value("encoding")) {
    if (*e == "gbk") {
      o.encoding = CsvEncoding::Gbk;
    } else if (*e != "utf-8" && *e != "utf8") {
      throw UsageError("--encoding is utf-8 or gbk");
    }
  }
  if ((o.format == Format::Mif || o.format == Format::Xlsx) && o.file.empty()) {
    throw UsageError("--format mif and xlsx write files: give --output FILE");
  }
  return o;
}

OutputStream::OutputStream(const OutputOptions& o) {
  if (o.file.empty()) {
    file_ = stdout;
    out_ = std::make_unique<Output>(file_, "标准输出");
    return;
  }
  file_ = std::fopen(o.file.c_str(), "wb");
  if (!file_) throw Error("无法创建文件 “" + o.file + "”：" + std::strerror(errno));
  owned_ = true;
  out_ = std::make_unique<Output>(file_, "文件 “" + o.file + "”");
}

OutputStream::~OutputStream() {
  out_.reset();
  if (owned_ && file_) std::fclose(file_);
}

void OutputStream::Finish() {
  out_->Flush();
  if (owned_) {
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0) throw Error(std::string("无法写入文件：") + std::strerror(errno));
  }
}

Projection ReadProjection(const Args& args) {
  Projection p;
  const std::string datum = args.Value("datum").value_or("54");
  if (datum != "54" && datum != "80") throw UsageError("--datum is 54 or 80");
  const std::string zone = args.Value("zone").value_or("3");
  if (zone != "3" && zone != "6") throw UsageError("--zone is 3 or 6");
  p.is54 = datum == "54";
  p.zone3 = zone == "3";
  p.cm = ParseNumber(args.Value("cm").value_or("0"), "--cm");
  return p;
}

bool HelpRequested(const Args& args, const char* help) {
  if (!args.Has("help")) return false;
  std::fputs(help, stdout);
  return true;
}

}  // namespace karvento::cli
