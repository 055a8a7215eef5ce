#include "app/playlist/file_names.h"

#include <QDir>
#include <QUrl>

namespace yumekaze::app {

namespace {

// Bytes that are not UTF-8 are 0x80 and above: they stand as U+DC80..U+DCFF.
constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscape(QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; }

// The length of the valid UTF-8 sequence at bytes[i], or 0.
qsizetype Utf8Length(QByteArrayView bytes, qsizetype i) {
  const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = at(i);
  if (lead < 0x80) return 1;
  qsizetype length = 0;
  char32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (qsizetype k = 1; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (at(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are not valid UTF-8.
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

QString NameFromBytes(QByteArrayView bytes) {
  QString name;
  name.reserve(bytes.size());
  qsizetype i = 0;
  while (i < bytes.size()) {
    const qsizetype length = Utf8Length(bytes, i);
    if (length == 0) {
      name += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[i])));
      ++i;
      continue;
    }
    name += QString::fromUtf8(bytes.sliced(i, length));
    i += length;
  }
  return name;
}

QByteArray NameToBytes(const QString& name) {
  QByteArray bytes;
  bytes.reserve(name.size());
  qsizetype start = 0;
  for (qsizetype i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !IsEscape(name[i])) continue;
    bytes += QStringView(name).sliced(start, i - start).toUtf8();
    if (i < name.size()) bytes += static_cast<char>(name[i].unicode() - kEscapeBase);
    start = i + 1;
  }
  return bytes;
}

QString AbsoluteName(const QString& name) {
  return QDir::cleanPath(name.startsWith(u'/') ? name : QDir::currentPath() + u'/' + name);
}

QString ShownName(const QString& name) {
  QString shown = name;
  for (QChar& c : shown) {
    if (IsEscape(c)) c = QChar::ReplacementCharacter;
  }
  return shown;
}

QString ShownFileName(const QString& name) {
  return ShownName(name.mid(name.lastIndexOf(u'/') + 1));
}

QString FileUri(const QString& name) {
  return QStringLiteral("file://") + QString::fromLatin1(NameToBytes(name).toPercentEncoding("/"));
}

QString NameFromFileUri(const QString& uri) {
  const QUrl url(uri);
  if (!url.isLocalFile()) return {};
  return NameFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QString PortableName(const QString& name) {
  for (QChar c : name) {
    if (IsEscape(c)) return FileUri(name);
  }
  return name;
}

QString NameFromPortable(const QString& portable) {
  return portable.startsWith(u"file:") ? NameFromFileUri(portable) : portable;
}

}  // namespace yumekaze::app
