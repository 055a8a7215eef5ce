#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace yumekaze::app {

// File names are the file system's bytes, which need not be UTF-8. In the program's strings a byte
// that is not part of valid UTF-8 stands as the code unit U+DC00 + byte (a lone surrogate, as
// Python's "surrogateescape" does), so that a name goes through the list, the session and the
// bus and reaches the file system unchanged.
QString NameFromBytes(QByteArrayView bytes);
QByteArray NameToBytes(const QString& name);

// Whether an entry is a station's http(s) URL rather than a file's name.
bool IsStation(const QString& entry);

// The name made absolute against the working folder, without "." and ".." parts; a station's
// URL stays as it is.
QString AbsoluteName(const QString& name);

// The name as a user sees it: each byte that is not UTF-8 as U+FFFD.
QString ShownName(const QString& name);
// The name's last part, as shown.
QString ShownFileName(const QString& name);

// A file:// URI of the exact bytes (a station's URL as it is), and back (a URI that is not a local
// file gives "").
QString FileUri(const QString& name);
QString NameFromFileUri(const QString& uri);

// The name where only valid text may go (the session bus, the settings file): itself when it is
// valid UTF-8, else its file URI; and back.
QString PortableName(const QString& name);
QString NameFromPortable(const QString& portable);

}  // namespace yumekaze::app
