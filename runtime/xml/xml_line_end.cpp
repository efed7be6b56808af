// Finding a document's line-end style: the first line break of its text decides how every line
// break is stored in node texts (CR LF, LF or CR). The scan follows the text across the pieces
// it is fed in, so that where a caller cuts a text never changes the tree it gives.
#include <cstring>
#include <utility>

#include "xml_document.h"

namespace {

bool MoreThanFourZeroBytes(const unsigned char* bytes, int64_t length) {
  int64_t zeros = 0;
  const unsigned char* end = bytes + length;
  for (const unsigned char* at = bytes; at < end && zeros <= 4; ++at, ++zeros) {
    at = static_cast<const unsigned char*>(std::memchr(at, 0, static_cast<size_t>(end - at)));
    if (at == nullptr) break;
  }
  return zeros > 4;
}

}  // namespace

void XmlDetectLineEnd(XmlDocument* document, const unsigned char* bytes, int64_t length, bool final) {
  XmlLineEndScan& scan = document->lineEndScan;
  if (document->lineEndStyle != 0 || length <= 0) return;
  auto byteAt = [&](int64_t k) { return k < scan.carryCount ? scan.carry : bytes[k - scan.carryCount]; };
  int64_t available = scan.carryCount + length;

  if (scan.width == 0) {
    // UTF-16 shows in its first two bytes (a "<" or a byte-order mark beside a zero byte) or in
    // the zero bytes of its ASCII characters; a piece of one byte waits for the next.
    if (available < 2 && !final) {
      scan.carry = bytes[0];
      scan.carryCount = 1;
      return;
    }
    unsigned first = byteAt(0), second = available > 1 ? byteAt(1) : 0xFF;
    bool signature = (first == 0x3C && second == 0) || (first == 0 && second == 0x3C) ||
                     (first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF);
    scan.width = signature || MoreThanFourZeroBytes(bytes, length) ? 2 : 1;
    scan.bigEndian = scan.width == 2 && ((first == 0xFE && second == 0xFF) || (first == 0 && second != 0));
  }

  int64_t units = available / scan.width;
  for (int64_t u = 0; u < units; ++u) {
    char16_t unit;
    if (scan.width == 1) {
      unit = byteAt(u);
    } else {
      unsigned low = byteAt(2 * u), high = byteAt(2 * u + 1);
      if (scan.bigEndian) std::swap(low, high);
      unit = static_cast<char16_t>(low | (high << 8));
    }
    if (scan.pendingCr) {
      document->lineEndStyle = unit == u'\n' ? kXmlLineEndCrLf : kXmlLineEndCr;
      return;
    }
    // The text's last unit never starts a break, and a line feed as its first unit is passed over.
    if (final && u == units - 1) break;
    bool firstUnit = !scan.started;
    scan.started = true;
    if (unit == u'\r') {
      scan.pendingCr = true;  // the next unit, perhaps in the next piece, tells CR LF from CR
    } else if (unit == u'\n' && !firstUnit) {
      document->lineEndStyle = kXmlLineEndLf;
      return;
    }
  }
  // An odd byte of UTF-16 waits for the rest of its unit.
  scan.carryCount = available % scan.width;
  if (scan.carryCount) scan.carry = bytes[length - 1];
}
