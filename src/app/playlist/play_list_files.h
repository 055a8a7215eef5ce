#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace yumekaze::app {

// The names lists give their stations (PLS TitleN=, M3U #EXTINF), by URL.
using TStationNames = QHash<QString, QString>;

// Reads an M3U/M3U8 or PLS play list. Entries may be absolute paths, paths relative to the
// list's folder, file:// URIs or http(s) URLs of stations (kept as they are, their names added
// to `names`); entries whose file does not exist are left out. .m3u8 and any list whose bytes
// are valid UTF-8 are read as UTF-8, a plain .m3u otherwise in the legacy character set of tag
// texts. A list given by an http(s) URL is fetched, and gives only stations (an HLS list gives
// itself). Returns nothing when the list cannot be read.
QStringList ReadPlayListFile(const QString& path, TStationNames* names = nullptr);

// Writes entries as an extended M3U8 list (UTF-8, #EXTM3U), a station with its name from
// `names` as its #EXTINF; false when it cannot be written.
bool WriteM3u8(const QString& path, const QStringList& entries, const TStationNames& names = {});

// True for the file names ReadPlayListFile reads (.m3u, .m3u8, .pls), also at the end of a URL.
bool IsPlayListFile(const QString& path);

// Turns what the user gave (files, folders, play lists, station URLs) into play list entries, in
// order: folders give their MPEG audio files, recursively, in natural path order ("2" before
// "10"); play lists give their entries; other files and stations are taken as they are.
QStringList ExpandToEntries(const QStringList& paths, TStationNames* names = nullptr);

}  // namespace yumekaze::app
