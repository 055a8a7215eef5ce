#include "app/desktop/remote_commands.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "app/desktop/instance_handover.h"
#include "app/desktop/mpris_service.h"
#include "app/playlist/file_names.h"
#include "platform/text/terminal_text.h"

namespace yumekaze::app {

const char kRemoteUsage[] =
    "Commands to the player that runs in this session (exit status 1 when none runs):\n"
    "  --play, --pause, --play-pause, --stop, --next, --previous\n"
    "  --seek SECONDS        +S or -S seconds from here; S alone: to that time\n"
    "  --volume N            N percent; +N or -N percent more or less\n"
    "  --enqueue FILE...     add files, folders and lists at the end, without playing\n"
    "  --stop-after-current  stop once the file playing ends\n"
    "  --status              one line: state, time played/length, artist - title\n"
    "  --quit                end the player\n";

namespace {

constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
constexpr int kAnswerMs = 5000;  // a player that is busy opening files still answers in time

// The player's bus object; every call waits for its answer.
class TRunningPlayer {
 public:
  bool Present() const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() &&
           bus.interface()->isServiceRegistered(QString::fromLatin1(kMprisServiceName)).value();
  }

  bool Call(const char* interface, const char* method, const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kMprisServiceName), QString::fromLatin1(kMprisObjectPath),
        QString::fromLatin1(interface), QString::fromLatin1(method));
    call.setArguments(arguments);
    reply_ = QDBusConnection::sessionBus().call(call, QDBus::Block, kAnswerMs);
    return reply_.type() == QDBusMessage::ReplyMessage;
  }

  QVariant Property(const char* name) {
    if (!Call("org.freedesktop.DBus.Properties", "Get",
              {QString::fromLatin1(kPlayerInterface), QString::fromLatin1(name)}) ||
        reply_.arguments().isEmpty()) {
      return {};
    }
    return reply_.arguments().first().value<QDBusVariant>().variant();
  }

  QVariantMap Metadata() {
    return qdbus_cast<QVariantMap>(Property("Metadata").value<QDBusArgument>());
  }

  bool SetProperty(const char* name, const QVariant& value) {
    return Call("org.freedesktop.DBus.Properties", "Set",
                {QString::fromLatin1(kPlayerInterface), QString::fromLatin1(name),
                 QVariant::fromValue(QDBusVariant(value))});
  }

  QString Error() const {
    return reply_.errorMessage().isEmpty() ? QStringLiteral("no answer") : reply_.errorMessage();
  }

 private:
  QDBusMessage reply_;
};

// Whole seconds: the time played as far as it reached, a length to the nearest.
QString Clock(qlonglong microseconds, bool nearest = false) {
  const qlonglong seconds = (microseconds + (nearest ? 500000 : 0)) / 1000000;
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int Status(TRunningPlayer& player) {
  const QString state = player.Property("PlaybackStatus").toString().toLower();
  QString line = state.isEmpty() ? QStringLiteral("stopped") : state;
  const QVariantMap metadata = player.Metadata();
  if (!metadata.isEmpty()) {
    line += u' ' + Clock(player.Property("Position").toLongLong());
    const QVariant length = metadata.value(QStringLiteral("mpris:length"));
    if (length.isValid()) line += u'/' + Clock(length.toLongLong(), true);
    const QString artist =
        metadata.value(QStringLiteral("xesam:artist")).toStringList().join(u", ");
    const QString title = metadata.value(QStringLiteral("xesam:title")).toString();
    const QString shown = artist.isEmpty() ? title : artist + QStringLiteral(" \u2013 ") + title;
    line += u' ' + QString::fromStdString(platform::WithoutControls(shown.toStdString(), '?', "?"));
  }
  std::printf("%s\n", line.toUtf8().constData());
  return 0;
}

// "+5", "-2.5" (relative) or "30" (absolute); false when it is no number.
bool ParseAmount(const char* text, double& amount, bool& relative) {
  relative = text[0] == '+' || text[0] == '-';
  char* end = nullptr;
  amount = std::strtod(text, &end);
  return end != text && *end == '\0' && std::isfinite(amount);
}

int Volume(TRunningPlayer& player, double amount, bool relative) {
  double percent = amount;
  if (relative) percent += player.Property("Volume").toDouble() * 100;
  return player.SetProperty("Volume", std::clamp(percent, 0.0, 100.0) / 100) ? 0 : 1;
}

int Seek(TRunningPlayer& player, double seconds, bool relative) {
  const auto microseconds = static_cast<qlonglong>(std::llround(seconds * 1e6));
  if (relative) return player.Call(kPlayerInterface, "Seek", {microseconds}) ? 0 : 1;
  const QVariantMap metadata = player.Metadata();
  const QVariant track = metadata.value(QStringLiteral("mpris:trackid"));
  if (!track.isValid()) return 0;  // nothing loaded: nowhere to go
  return player.Call(kPlayerInterface, "SetPosition", {track, std::max(0LL, microseconds)}) ? 0 : 1;
}

}  // namespace

std::optional<int> RunRemoteCommand(int& argc, char** argv) {
  static const std::map<std::string, const char*> kPlayerMethods = {
      {"--play", "Play"}, {"--pause", "Pause"}, {"--play-pause", "PlayPause"},
      {"--stop", "Stop"}, {"--next", "Next"},   {"--previous", "Previous"}};
  static const char* const kOthers[] = {
      "--seek", "--volume", "--enqueue", "--status", "--stop-after-current", "--quit"};
  if (argc < 2) return std::nullopt;
  const std::string command = argv[1];
  if (!kPlayerMethods.contains(command) &&
      std::none_of(std::begin(kOthers), std::end(kOthers),
                   [&](const char* other) { return command == other; })) {
    return std::nullopt;
  }
  const bool takesAmount = command == "--seek" || command == "--volume";
  double amount = 0;
  bool relative = false;
  if ((takesAmount && (argc != 3 || !ParseAmount(argv[2], amount, relative))) ||
      (!takesAmount && command != "--enqueue" && argc != 2) ||
      (command == "--enqueue" && argc < 3)) {
    std::fprintf(stderr, "yumekaze: wrong use of %s\n%s", command.c_str(), kRemoteUsage);
    return 2;
  }

  QCoreApplication application(argc, argv);
  TRunningPlayer player;
  if (!player.Present()) {
    if (command == "--status") {
      std::printf("stopped\n");
    } else {
      std::fprintf(stderr, "yumekaze: no player is running in this session\n");
    }
    return 1;
  }
  int status = 1;
  if (const auto method = kPlayerMethods.find(command); method != kPlayerMethods.end()) {
    status = player.Call(kPlayerInterface, method->second) ? 0 : 1;
  } else if (command == "--seek") {
    status = Seek(player, amount, relative);
  } else if (command == "--volume") {
    status = Volume(player, amount, relative);
  } else if (command == "--status") {
    status = Status(player);
  } else if (command == "--quit") {
    status = player.Call(kRootInterface, "Quit") ? 0 : 1;
  } else if (command == "--stop-after-current") {
    status = player.Call(kHandOverInterface, "StopAfterCurrent") ? 0 : 1;
  } else if (command == "--enqueue") {
    QStringList files;
    for (int i = 2; i < argc; ++i) files << PortableName(AbsoluteName(NameFromBytes(argv[i])));
    status = player.Call(kHandOverInterface, "Enqueue", {files}) ? 0 : 1;
  }
  if (status != 0) {
    std::fprintf(stderr, "yumekaze: the player did not take %s: %s\n", command.c_str(),
                 player.Error().toUtf8().constData());
  }
  return status;
}

}  // namespace yumekaze::app
