#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace yumekaze::app {

// The names lists give their stations (PLS TitleN=, M3U #EXTINF), by URL.
using TStationNames = QHash<QString, QString>;

// Reads an M3U/M3U8 or PLS play list (engine::ReadPlayList, the legacy character set of tag
// texts for a plain .m3u that is not UTF-8), the names of its stations added to `names`. Returns
// nothing when the list cannot be read.
QStringList ReadPlayListFile(const QString& path, TStationNames* names = nullptr);

// Writes entries as an extended M3U8 list (UTF-8, #EXTM3U), a station with its name from
// `names` as its #EXTINF; false when it cannot be written.
bool WriteM3u8(const QString& path, const QStringList& entries, const TStationNames& names = {});

// True for the file names ReadPlayListFile reads (.m3u, .m3u8, .pls), also at the end of a URL.
bool IsPlayListFile(const QString& path);

// Turns what the user gave (files, folders, play lists, station URLs) into play list entries, in
// order (engine::ExpandToEntries).
QStringList ExpandToEntries(const QStringList& paths, TStationNames* names = nullptr);

}  // namespace yumekaze::app
