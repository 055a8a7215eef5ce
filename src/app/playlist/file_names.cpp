#include "app/playlist/file_names.h"

#include <QDir>
#include <QUrl>

#include "engine/stream/http_stream.h"
#include "platform/text/file_name_text.h"

namespace yumekaze::app {

namespace {

// Bytes that are not UTF-8 are 0x80 and above: they stand as U+DC80..U+DCFF.
constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscape(QChar c) { return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF; }

}  // namespace

QString NameFromBytes(QByteArrayView bytes) {
  QString name;
  name.reserve(bytes.size());
  qsizetype i = 0;
  while (i < bytes.size()) {
    const auto length = static_cast<qsizetype>(platform::Utf8SequenceLength(
        std::string_view(bytes.data(), static_cast<size_t>(bytes.size())), static_cast<size_t>(i)));
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

bool IsStation(const QString& entry) { return engine::IsStreamUrl(entry.toStdString()); }

QString AbsoluteName(const QString& name) {
  if (IsStation(name)) return name;
  return QDir::cleanPath(name.startsWith(u'/') ? name : QDir::currentPath() + u'/' + name);
}

QString ShownName(const QString& name) {
  return QString::fromStdString(
      platform::WithReplacementCharacters(NameToBytes(name).toStdString()));
}

QString ShownFileName(const QString& name) {
  return ShownName(name.mid(name.lastIndexOf(u'/') + 1));
}

QString FileUri(const QString& name) {
  if (IsStation(name)) return name;
  return QString::fromStdString(platform::FileUri(NameToBytes(name).toStdString()));
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
