#include "app/settings/wave_device_choice.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <stdexcept>
#include <typeinfo>

#include "app/dialogs/error_report.h"
#include "app/settings/settings_store.h"
#include "engine/player/mp3_player.h"
#include "platform/audio/wave_device_factory.h"

namespace yumekaze::app {

namespace {

const QString kGroup = QStringLiteral("Sound");
const QString kKey = QStringLiteral("Device");
const QString kAuto = QStringLiteral("auto");

QString StoredName() {
  const auto settings = OpenSettings();
  return settings->value(kGroup + QLatin1Char('/') + kKey).toString();
}

void StoreName(const QString& name) {
  const auto settings = OpenSettings();
  settings->setValue(kGroup + QLatin1Char('/') + kKey, name);
}

}  // namespace

TWaveDeviceChoice ChooseWaveDevice(QStringList& arguments) {
  QString name;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--device") && i + 1 < arguments.size()) {
      name = arguments[i + 1];
      arguments.remove(i, 2);
      break;
    }
    if (arguments[i].startsWith(QLatin1String("--device="))) {
      name = arguments[i].mid(9);
      arguments.remove(i);
      break;
    }
  }
  if (name.isEmpty()) name = qEnvironmentVariable("YUMEKAZE_DEVICE");
  if (name.isEmpty()) name = StoredName();
  if (name.isEmpty()) name = kAuto;
  TWaveDeviceChoice choice;
  choice.name = name;
  choice.device = CreateChosenWaveDevice(name, choice.problem);
  return choice;
}

std::unique_ptr<engine::TWaveDevice> CreateChosenWaveDevice(const QString& name, QString& problem) {
  try {
    return platform::CreateWaveDevice(name.toStdString());
  } catch (const std::invalid_argument& error) {
    problem = QString::fromStdString(error.what());
  } catch (const std::runtime_error&) {
    // auto found neither a sound server nor a sound card, for now.
  }
  return platform::CreateWaveDevice("alsa");
}

void TWaveDeviceSelection::Choose(const QString& name) {
  StoreName(name);
  name_ = name;
  QString problem;  // none: the menu offers known names only
  player_.SetWaveDevice(CreateChosenWaveDevice(name, problem));
}

void TWaveDeviceSelection::RefreshAuto() {
  if (name_ != kAuto || player_.Status() != engine::kStatusStopped) return;
  std::string why;
  std::unique_ptr<engine::TWaveDevice> found = platform::CreateAutoWaveDevice(why);
  const engine::TWaveDevice* current = player_.WaveDevice();
  if (!found || (current && typeid(*found) == typeid(*current))) return;
  player_.SetWaveDevice(std::move(found));
}

void AddWaveDeviceMenu(QMenu& menu, QAction* before, TWaveDeviceSelection& selection,
                       TUserPrompts& prompts) {
  auto* devices =
      new QMenu(QCoreApplication::translate("WaveDeviceChoice", "Sound &Output"), &menu);
  auto* group = new QActionGroup(devices);
  const std::pair<QString, QString> choices[] = {
      {kAuto, QCoreApplication::translate("WaveDeviceChoice", "Automatic (auto)")},
      {QStringLiteral("pulse"),
       QCoreApplication::translate("WaveDeviceChoice", "Sound server (pulse)")},
      {QStringLiteral("alsa"), QStringLiteral("ALSA (alsa)")},
      {QStringLiteral("null"), QCoreApplication::translate("WaveDeviceChoice", "Silence (null)")},
  };
  for (const auto& [name, caption] : choices) {
    QAction* action = devices->addAction(caption);
    action->setCheckable(true);
    action->setChecked(name == selection.Name());
    group->addAction(action);
    QObject::connect(action, &QAction::triggered, devices, [name, &selection, &prompts, devices] {
      try {
        selection.Choose(name);
      } catch (const std::exception& error) {
        // The new device cannot play: the player has stopped.
        ReportError(prompts, devices->parentWidget(), error);
      }
    });
  }
  menu.insertMenu(before, devices);
}

}  // namespace yumekaze::app
