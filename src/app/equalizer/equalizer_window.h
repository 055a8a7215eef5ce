// The equalizer window: a slider per band of the player's equalizer (its count and mode decide
// the bands), a pre-amp, the switch, the presets, and the ReplayGain pre-amp and the gain for
// files without ReplayGain. Every change reaches the player at once and is kept in the settings.
#pragma once

#include <QList>
#include <QWidget>
#include <vector>

#include "app/equalizer/preset_list.h"
#include "engine/player/player_types.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QSlider;

namespace yumekaze::engine {
class TMP3Player;
}

namespace yumekaze::app {

class TUserPrompts;

class TEqualizerWindow : public QWidget {
  Q_OBJECT

 public:
  TEqualizerWindow(engine::TMP3Player& player, TUserPrompts& prompts, QWidget* parent = nullptr);

  // Shows the bands the player uses now (its count, mode and band frequencies may have changed)
  // at their gains.
  void FollowPlayer();
  // Brings the window up in front.
  void Raise();
  // The ReplayGain choices of the menus, as the window's own: applied to the open file at once
  // and kept.
  void SetReplayGainMode(engine::TMP3ReplayGainMode mode);
  void SetPreventClipping(bool on);

  QCheckBox* EnabledBox;
  QComboBox* PresetBox;  // item data: the preset's name; the first item stands for other gains
  QPushButton* SaveAsButton;
  QPushButton* DeleteButton;
  QSlider* PreampSlider;
  QList<QSlider*> BandSliders;  // the player's gain units: 5 per dB
  QDoubleSpinBox* ReplayGainPreamp;
  QDoubleSpinBox* DefaultGain;  // for files without ReplayGain

 signals:
  // A ReplayGain choice changed: the gain the open file plays at (the player's
  // ReplayGainApplied) may be another.
  void ReplayGainChanged();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* MakeBandArea();
  QWidget* MakeReplayGainArea();
  void RebuildBands();
  // The player takes the window's switch, pre-amp and gains, and they are stored.
  void Apply();
  void ReplayGainChosen();
  void ApplyPreset(int index);
  void SaveAs();
  void DeleteSelected();
  void FillPresetBox();
  // Selects the preset whose gains the sliders show, else the first item.
  void ShowMatchingPreset();
  std::vector<int> SliderGains() const;

  engine::TMP3Player& player_;
  TUserPrompts& prompts_;
  TPresetList presets_;
  QGridLayout* bandGrid_;
  QList<QLabel*> bandLabels_;     // values above and frequencies under the sliders
  std::vector<int> shownLayout_;  // mode, count and band frequencies the sliders were made for
  bool following_ = false;        // the sliders are being set from the player
};

}  // namespace yumekaze::app
