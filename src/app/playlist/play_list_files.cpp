#include "app/playlist/play_list_files.h"

#include <QSaveFile>

#include "app/playlist/file_names.h"
#include "engine/lists/entry_expansion.h"
#include "engine/lists/play_list_reader.h"
#include "platform/text/tag_text.h"

namespace yumekaze::app {

namespace {

std::string LegacyText(std::string_view bytes) { return platform::DecodeTagText(bytes); }

std::string Bytes(const QString& name) { return NameToBytes(name).toStdString(); }

QString Name(const std::string& bytes) { return NameFromBytes(QByteArray::fromStdString(bytes)); }

}  // namespace

bool IsPlayListFile(const QString& path) { return engine::IsPlayList(Bytes(path)); }

QStringList ReadPlayListFile(const QString& path, TStationNames* names) {
  QStringList entries;
  for (const engine::TMPListEntry& entry : engine::ReadPlayList(Bytes(path), LegacyText).Entries) {
    entries << Name(entry.Location);
    if (names != nullptr && !entry.Name.empty()) {
      names->insert(entries.back(), QString::fromStdString(entry.Name));
    }
  }
  return entries;
}

bool WriteM3u8(const QString& path, const QStringList& entries, const TStationNames& names) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  std::vector<engine::TMPListEntry> list;
  for (const QString& entry : entries) {
    list.push_back({Bytes(entry), names.value(entry).toStdString()});
  }
  file.write(QByteArray::fromStdString(engine::M3u8Text(list)));
  return file.commit();
}

QStringList ExpandToEntries(const QStringList& paths, TStationNames* names) {
  std::vector<std::string> given;
  for (const QString& path : paths) given.push_back(Bytes(path));
  const engine::TMPExpandedEntries expanded = engine::ExpandToEntries(given, LegacyText);
  QStringList entries;
  for (const std::string& entry : expanded.Entries) entries << Name(entry);
  if (names != nullptr) {
    for (const auto& [url, name] : expanded.StationNames) {
      names->insert(Name(url), QString::fromStdString(name));
    }
  }
  return entries;
}

}  // namespace yumekaze::app
