// SPDX-License-Identifier: Apache-2.0
#include "numbering/message.h"

#include "numbering/unMapUnRgPub.h"  // SheetNumberInCapitals

namespace karvento {

bool NamesNumber(const Message& m, const std::string& typed, Message& asTyped) {
  if (m.Pattern() == nullptr || m.Args().empty()) return false;
  const MessageArg& first = m.Args().front();
  if (first.kind != MessageArg::Kind::Verbatim || first.text != SheetNumberInCapitals(typed)) return false;
  std::vector<MessageArg> args = m.Args();
  args.front().text = typed;
  asTyped = Message(m.Pattern(), std::move(args));
  return true;
}

}  // namespace karvento
