#include "app/playlist/play_list_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringConverter>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "app/playlist/file_names.h"
#include "platform/text/tag_text.h"

namespace yumekaze::app {

namespace {

const QStringList kAudioSuffixes = {QStringLiteral("mp3"), QStringLiteral("mp2"),
                                    QStringLiteral("mp1"), QStringLiteral("mpga")};

bool IsAudioFile(const QFileInfo& file) { return kAudioSuffixes.contains(file.suffix().toLower()); }

QString DecodeLine(const QByteArray& line, bool utf8) {
  if (utf8) return QString::fromUtf8(line);
  return QString::fromStdString(platform::DecodeTagText(line.toStdString()));
}

// An entry of a list as a full path; empty when it names no existing file.
QString ResolveEntry(const QString& entry, const QDir& listFolder) {
  QString path = entry.trimmed();
  if (path.isEmpty()) return {};
  if (path.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
    path = NameFromFileUri(path);
  } else if (path.contains(QStringLiteral("://"))) {
    return {};  // streams are not played
  }
  path.replace(u'\\', u'/');  // lists written on other systems
  const QFileInfo file(listFolder, path);
  return file.isFile() ? file.absoluteFilePath() : QString();
}

QStringList ParseM3u(const QList<QByteArray>& lines, bool utf8, const QDir& folder) {
  QStringList entries;
  for (const QByteArray& raw : lines) {
    const QByteArray line = raw.trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;  // #EXTM3U, #EXTINF and comments
    const QString entry = ResolveEntry(DecodeLine(line, utf8), folder);
    if (!entry.isEmpty()) entries << entry;
  }
  return entries;
}

QStringList ParsePls(const QList<QByteArray>& lines, const QDir& folder) {
  // FileN= lines, ordered by N; the version 2 format is UTF-8.
  QList<std::pair<int, QString>> numbered;
  for (const QByteArray& raw : lines) {
    const QString line = QString::fromUtf8(raw.trimmed());
    if (!line.startsWith(QStringLiteral("File"), Qt::CaseInsensitive)) continue;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) continue;
    bool ok = false;
    const int number = line.mid(4, equals - 4).toInt(&ok);
    if (ok) numbered.append({number, line.mid(equals + 1)});
  }
  std::stable_sort(numbered.begin(), numbered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  QStringList entries;
  for (const auto& [number, text] : numbered) {
    const QString entry = ResolveEntry(text, folder);
    if (!entry.isEmpty()) entries << entry;
  }
  return entries;
}

// "2" before "10": runs of digits compare by their value, the rest case-insensitively. The
// locale's collation cannot be relied on for this (it is plain byte order under C locales).
bool NaturalLess(const QString& a, const QString& b) {
  qsizetype i = 0;
  qsizetype j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      qsizetype endA = i;
      qsizetype endB = j;
      while (endA < a.size() && a[endA].isDigit()) ++endA;
      while (endB < b.size() && b[endB].isDigit()) ++endB;
      // Past leading zeros the longer run is the larger number; equal lengths compare digits.
      while (i + 1 < endA && a[i] == u'0') ++i;
      while (j + 1 < endB && b[j] == u'0') ++j;
      if (endA - i != endB - j) return endA - i < endB - j;
      const int order = QStringView(a).mid(i, endA - i).compare(QStringView(b).mid(j, endB - j));
      if (order != 0) return order < 0;
      i = endA;
      j = endB;
      continue;
    }
    const char32_t x = a[i].toCaseFolded().unicode();
    const char32_t y = b[j].toCaseFolded().unicode();
    if (x != y) return x < y;
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;
}

std::filesystem::path FileSystemPath(const QString& name) {
  return std::filesystem::path(NameToBytes(name).toStdString());
}

QString NameOf(const std::filesystem::path& path) {
  return NameFromBytes(QByteArrayView(path.native().data(), qsizetype(path.native().size())));
}

// Listed by the file system's bytes: a name that is not UTF-8 is kept, not lost.
QStringList AudioFilesUnder(const QString& folder) {
  namespace fs = std::filesystem;
  QStringList files;
  std::error_code error;
  fs::recursive_directory_iterator it(FileSystemPath(folder),
                                      fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code statusError;
    if (!it->is_regular_file(statusError)) continue;
    const QString file = NameOf(it->path());
    if (IsAudioFile(QFileInfo(file))) files << file;
  }
  std::sort(files.begin(), files.end(), NaturalLess);
  return files;
}

}  // namespace

bool IsPlayListFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == u"m3u" || suffix == u"m3u8" || suffix == u"pls";
}

QStringList ReadPlayListFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = file.readAll();
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
  const QFileInfo info(path);
  const QDir folder = info.absoluteDir();
  const QList<QByteArray> lines = bytes.split('\n');
  if (info.suffix().toLower() == u"pls") return ParsePls(lines, folder);
  QStringDecoder toUtf16(QStringDecoder::Utf8);
  const QString asUtf8 = toUtf16(bytes);
  const bool utf8 = info.suffix().toLower() == u"m3u8" || !toUtf16.hasError();
  return ParseM3u(lines, utf8, folder);
}

bool WriteM3u8(const QString& path, const QStringList& entries) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QByteArray text = "#EXTM3U\n";
  for (const QString& entry : entries) text += NameToBytes(entry) + '\n';
  file.write(text);
  return file.commit();
}

QStringList ExpandToEntries(const QStringList& paths) {
  QStringList entries;
  for (const QString& path : paths) {
    std::error_code error;
    if (std::filesystem::is_directory(FileSystemPath(path), error)) {
      entries += AudioFilesUnder(AbsoluteName(path));
    } else if (IsPlayListFile(path)) {
      entries += ReadPlayListFile(path);
    } else {
      entries << AbsoluteName(path);
    }
  }
  return entries;
}

}  // namespace yumekaze::app
