#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>

namespace yumekaze::app::test {

QString TAudioFiles::MakeTone(const QString& name, double seconds) {
  const QString path = dir_.filePath(name);
  const QString command =
      QStringLiteral(
          "sox -n -r 44100 -c 2 -b 16 -e signed-integer -t raw - synth %1 sine 440 "
          "2>/dev/null | twolame -r -s 44100 -N 2 -b 192 - '%2' >/dev/null 2>&1")
          .arg(seconds)
          .arg(path);
  if (QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command}) != 0) return {};
  return QFile::exists(path) ? path : QString();
}

QString TAudioFiles::MakeTaggedMp3(const QString& name, double seconds, const QString& artist,
                                   const QString& title) {
  const QString wave = dir_.filePath(name + QStringLiteral(".wav"));
  const QString path = dir_.filePath(name);
  if (QProcess::execute(
          QStringLiteral("sox"),
          {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
           QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"),
           wave, QStringLiteral("synth"), QString::number(seconds), QStringLiteral("sine"),
           QStringLiteral("330")}) != 0) {
    return {};
  }
  if (QProcess::execute(
          QStringLiteral("lame"),
          {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"),
           QStringLiteral("--id3v2-only"), QStringLiteral("--id3v2-utf16"), QStringLiteral("--ta"),
           artist, QStringLiteral("--tt"), title, wave, path}) != 0) {
    return {};
  }
  return QFile::exists(path) ? path : QString();
}

QString TAudioFiles::MakePicture(const QString& name, QSize size) {
  const QString path = dir_.filePath(name);
  QDir().mkpath(QFileInfo(path).absolutePath());
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(QColor(40, 90, 160));
  QPainter(&picture).fillRect(0, 0, size.width() / 2, size.height() / 2, QColor(230, 180, 40));
  return picture.save(path, "JPG") ? path : QString();
}

bool TAudioFiles::EmbedCover(const QString& path, const QString& picture) {
  return QProcess::execute(QStringLiteral("mid3v2"),
                           {QStringLiteral("--picture"),
                            picture + QStringLiteral(":front:3:image/jpeg"), path}) == 0;
}

bool TAudioFiles::AppendId3v1(const QString& path, const QByteArray& artist,
                              const QByteArray& title) {
  const auto field = [](const QByteArray& bytes, int size) {
    return bytes.left(size).leftJustified(size, '\0', true);
  };
  QByteArray tag("TAG");
  tag += field(title, 30) + field(artist, 30) + field({}, 30) + field("2026", 4) + field({}, 30);
  tag += char(0xff);
  QFile file(path);
  return file.open(QIODevice::Append) && file.write(tag) == 128;
}

QString TAudioFiles::MakeText(const QString& name) {
  const QString path = dir_.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  for (int i = 0; i < 200; ++i) file.write("This is no MPEG audio at all.\n");
  return path;
}

}  // namespace yumekaze::app::test
