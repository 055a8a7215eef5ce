#include "app/playlist/play_list_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringConverter>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/playlist/file_names.h"
#include "engine/stream/http_fetch.h"
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

// An entry of a list as what it plays; empty when it names nothing that can play.
using TResolve = std::function<QString(const QString& entry)>;

// An entry of a list on disk as a full path or a station's URL; empty when it names no existing
// file.
QString ResolveLocalEntry(const QString& entry, const QDir& listFolder) {
  QString path = entry.trimmed();
  if (path.isEmpty()) return {};
  if (IsStation(path)) return path;
  if (path.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
    path = NameFromFileUri(path);
  } else if (path.contains(QStringLiteral("://"))) {
    return {};  // other schemes are not played
  }
  path.replace(u'\\', u'/');  // lists written on other systems
  const QFileInfo file(listFolder, path);
  return file.isFile() ? file.absoluteFilePath() : QString();
}

// An entry of a list fetched from a URL: a station, relative to the list's URL or not.
QString ResolveRemoteEntry(const QString& entry, const QUrl& list) {
  const QString text = entry.trimmed();
  if (text.isEmpty()) return {};
  const QString url = list.resolved(QUrl(text)).toString();
  return IsStation(url) ? url : QString();
}

void AddName(TStationNames* names, const QString& entry, const QString& name) {
  if (names != nullptr && IsStation(entry) && !name.trimmed().isEmpty()) {
    names->insert(entry, name.trimmed());
  }
}

QStringList ParseM3u(const QList<QByteArray>& lines, bool utf8, const TResolve& resolve,
                     TStationNames* names) {
  QStringList entries;
  QString name;  // of the #EXTINF line before the entry
  for (const QByteArray& raw : lines) {
    const QByteArray line = raw.trimmed();
    if (line.startsWith("#EXTINF:")) {
      const QString info = DecodeLine(line, utf8);
      name = info.mid(info.indexOf(u',') + 1);
      if (!info.contains(u',')) name.clear();
    }
    if (line.isEmpty() || line.startsWith('#')) continue;  // #EXTM3U, #EXTINF and comments
    const QString entry = resolve(DecodeLine(line, utf8));
    if (!entry.isEmpty()) {
      entries << entry;
      AddName(names, entry, name);
    }
    name.clear();
  }
  return entries;
}

QStringList ParsePls(const QList<QByteArray>& lines, const TResolve& resolve,
                     TStationNames* names) {
  // FileN= and TitleN= lines, ordered by N; the version 2 format is UTF-8.
  QList<std::pair<int, QString>> numbered;
  QHash<int, QString> titles;
  for (const QByteArray& raw : lines) {
    const QString line = QString::fromUtf8(raw.trimmed());
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) continue;
    const bool file = line.startsWith(QStringLiteral("File"), Qt::CaseInsensitive);
    const bool title = line.startsWith(QStringLiteral("Title"), Qt::CaseInsensitive);
    if (!file && !title) continue;
    const qsizetype key = file ? 4 : 5;
    bool ok = false;
    const int number = line.mid(key, equals - key).toInt(&ok);
    if (!ok) continue;
    if (file) numbered.append({number, line.mid(equals + 1)});
    if (title) titles.insert(number, line.mid(equals + 1));
  }
  std::stable_sort(numbered.begin(), numbered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  QStringList entries;
  for (const auto& [number, text] : numbered) {
    const QString entry = resolve(text);
    if (entry.isEmpty()) continue;
    entries << entry;
    AddName(names, entry, titles.value(number));
  }
  return entries;
}

QStringList ParsePlayList(QByteArray bytes, bool pls, bool m3u8, const TResolve& resolve,
                          TStationNames* names) {
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
  const QList<QByteArray> lines = bytes.split('\n');
  if (pls) return ParsePls(lines, resolve, names);
  QStringDecoder toUtf16(QStringDecoder::Utf8);
  const QString asUtf8 = toUtf16(bytes);
  return ParseM3u(lines, m3u8 || !toUtf16.hasError(), resolve, names);
}

// The suffix of a list's name, or of its URL's path.
QString ListSuffix(const QString& path) {
  const QString name = IsStation(path) ? QUrl(path).path() : path;
  return QFileInfo(name).suffix().toLower();
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
  const QString suffix = ListSuffix(path);
  return suffix == u"m3u" || suffix == u"m3u8" || suffix == u"pls";
}

QStringList ReadPlayListFile(const QString& path, TStationNames* names) {
  const QString suffix = ListSuffix(path);
  if (IsStation(path)) {
    const engine::TMPFetched list = engine::FetchSmall(path.toStdString());
    if (!list.Ok) return {};
    // An HLS media list names segments, not stations: it stays one entry, which the player
    // refuses with a notice naming its type.
    if (list.Body.find("#EXT-X-") != std::string::npos) return {path};
    const QUrl url(path);
    return ParsePlayList(
        QByteArray::fromStdString(list.Body), suffix == u"pls", suffix == u"m3u8",
        [&](const QString& entry) { return ResolveRemoteEntry(entry, url); }, names);
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QDir folder = QFileInfo(path).absoluteDir();
  return ParsePlayList(
      file.readAll(), suffix == u"pls", suffix == u"m3u8",
      [&](const QString& entry) { return ResolveLocalEntry(entry, folder); }, names);
}

bool WriteM3u8(const QString& path, const QStringList& entries, const TStationNames& names) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QByteArray text = "#EXTM3U\n";
  for (const QString& entry : entries) {
    if (names.contains(entry)) text += "#EXTINF:-1," + names.value(entry).toUtf8() + '\n';
    text += NameToBytes(entry) + '\n';
  }
  file.write(text);
  return file.commit();
}

QStringList ExpandToEntries(const QStringList& paths, TStationNames* names) {
  QStringList entries;
  for (const QString& path : paths) {
    std::error_code error;
    if (IsStation(path)) {
      entries += IsPlayListFile(path) ? ReadPlayListFile(path, names) : QStringList{path};
    } else if (std::filesystem::is_directory(FileSystemPath(path), error)) {
      entries += AudioFilesUnder(AbsoluteName(path));
    } else if (IsPlayListFile(path)) {
      entries += ReadPlayListFile(path, names);
    } else {
      entries << AbsoluteName(path);
    }
  }
  return entries;
}

}  // namespace yumekaze::app
