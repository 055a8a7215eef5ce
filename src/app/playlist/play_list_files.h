#pragma once

#include <QString>
#include <QStringList>

namespace yumekaze::app {

// Reads an M3U/M3U8 or PLS play list. Entries may be absolute paths, paths relative to the
// list's folder or file:// URIs; entries whose file does not exist are left out. .m3u8 and
// any list whose bytes are valid UTF-8 are read as UTF-8, a plain .m3u otherwise in the legacy
// character set of tag texts. Returns nothing when the file cannot be read.
QStringList ReadPlayListFile(const QString& path);

// Writes entries as an extended M3U8 list (UTF-8, #EXTM3U); false when it cannot be written.
bool WriteM3u8(const QString& path, const QStringList& entries);

// True for the file names ReadPlayListFile reads (.m3u, .m3u8, .pls).
bool IsPlayListFile(const QString& path);

// Turns what the user gave (files, folders, play lists) into play list entries, in order:
// folders give their MPEG audio files, recursively, in natural path order ("2" before "10");
// play lists give their entries; other files are taken as they are.
QStringList ExpandToEntries(const QStringList& paths);

}  // namespace yumekaze::app
