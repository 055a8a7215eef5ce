#include "app/equalizer/equalizer_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "app/dialogs/user_prompts.h"
#include "app/settings/equalizer_store.h"
#include "app/settings/replay_gain_store.h"
#include "engine/player/equalizer_presets.h"
#include "engine/player/equalizer_tables.h"
#include "engine/player/mp3_player.h"

namespace yumekaze::app {

namespace {

constexpr int kSliderLimit = static_cast<int>(engine::kBandGainLimitDb) * engine::kGainUnitsPerDb;

QString DbText(int units) {
  return QStringLiteral("%1%2")
      .arg(units > 0 ? QStringLiteral("+") : QString())
      .arg(engine::GainDb(units), 0, 'f', 1);
}

// A subband's centre is known once a file is open.
QString FrequencyText(int hz) {
  if (hz <= 0) return QStringLiteral("–");
  if (hz < 1000) return QStringLiteral("%1 Hz").arg(hz);
  return QStringLiteral("%1 kHz").arg(hz / 1000.0, 0, 'g', hz < 10000 ? 2 : 3);
}

QSlider* MakeGainSlider(QWidget* parent) {
  auto* slider = new QSlider(Qt::Vertical, parent);
  slider->setRange(-kSliderLimit, kSliderLimit);
  slider->setSingleStep(1);
  slider->setPageStep(engine::kGainUnitsPerDb);
  slider->setTickPosition(QSlider::TicksBothSides);
  slider->setTickInterval(6 * engine::kGainUnitsPerDb);
  slider->setMinimumHeight(160);
  return slider;
}

QLabel* MakeSmallLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignCenter);
  QFont font = label->font();
  font.setPointSizeF(font.pointSizeF() * 0.85);
  label->setFont(font);
  return label;
}

QDoubleSpinBox* MakeDbBox(double low, double high, double value, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(low, high);
  box->setDecimals(1);
  box->setSingleStep(0.5);
  box->setSuffix(QStringLiteral(" dB"));
  box->setValue(value);
  return box;
}

}  // namespace

TEqualizerWindow::TEqualizerWindow(engine::TMP3Player& player, TUserPrompts& prompts,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window), player_(player), prompts_(prompts) {
  setWindowTitle(tr("Equalizer"));
  EnabledBox = new QCheckBox(tr("On"), this);
  PresetBox = new QComboBox(this);
  SaveAsButton = new QPushButton(tr("Save as…"), this);
  DeleteButton = new QPushButton(tr("Delete"), this);
  auto* top = new QHBoxLayout;
  top->addWidget(EnabledBox);
  top->addStretch();
  top->addWidget(new QLabel(tr("Preset:"), this));
  top->addWidget(PresetBox);
  top->addWidget(SaveAsButton);
  top->addWidget(DeleteButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(MakeBandArea());
  layout->addWidget(MakeReplayGainArea());

  FillPresetBox();
  FollowPlayer();
  connect(EnabledBox, &QCheckBox::toggled, this, &TEqualizerWindow::Apply);
  connect(PreampSlider, &QSlider::valueChanged, this, &TEqualizerWindow::Apply);
  connect(PresetBox, &QComboBox::activated, this, &TEqualizerWindow::ApplyPreset);
  connect(SaveAsButton, &QPushButton::clicked, this, &TEqualizerWindow::SaveAs);
  connect(DeleteButton, &QPushButton::clicked, this, &TEqualizerWindow::DeleteSelected);
}

QWidget* TEqualizerWindow::MakeBandArea() {
  auto* area = new QWidget(this);
  bandGrid_ = new QGridLayout(area);
  bandGrid_->setHorizontalSpacing(2);
  PreampSlider = MakeGainSlider(area);
  PreampSlider->setToolTip(tr("Pre-amp: added to every band"));
  QLabel* preampValue = MakeSmallLabel(DbText(0), area);
  connect(PreampSlider, &QSlider::valueChanged, preampValue,
          [preampValue](int units) { preampValue->setText(DbText(units)); });
  bandGrid_->addWidget(preampValue, 0, 0);
  bandGrid_->addWidget(PreampSlider, 1, 0, Qt::AlignHCenter);
  bandGrid_->addWidget(MakeSmallLabel(tr("Pre-amp"), area), 2, 0);
  bandGrid_->setColumnMinimumWidth(1, 12);
  return area;
}

QWidget* TEqualizerWindow::MakeReplayGainArea() {
  auto* box = new QGroupBox(tr("ReplayGain"), this);
  auto* form = new QFormLayout(box);
  ReplayGainPreamp = MakeDbBox(-20, 20, player_.ReplayGainPreamp(), box);
  DefaultGain = MakeDbBox(-20, 0, player_.ReplayGainDefault(), box);
  form->addRow(tr("Pre-amp for files with ReplayGain:"), ReplayGainPreamp);
  form->addRow(tr("Gain for files without ReplayGain:"), DefaultGain);
  connect(ReplayGainPreamp, &QDoubleSpinBox::valueChanged, this, [this](double dB) {
    player_.SetReplayGainPreamp(dB);
    ReplayGainChosen();
  });
  connect(DefaultGain, &QDoubleSpinBox::valueChanged, this, [this](double dB) {
    player_.SetReplayGainDefault(dB);
    ReplayGainChosen();
  });
  return box;
}

void TEqualizerWindow::showEvent(QShowEvent* event) {
  FollowPlayer();
  QWidget::showEvent(event);
}

void TEqualizerWindow::Raise() {
  show();
  raise();
  activateWindow();
}

void TEqualizerWindow::SetReplayGainMode(engine::TMP3ReplayGainMode mode) {
  player_.SetReplayGainMode(mode);
  ReplayGainChosen();
}

void TEqualizerWindow::SetPreventClipping(bool on) {
  player_.SetReplayGainPreventClipping(on);
  ReplayGainChosen();
}

void TEqualizerWindow::ReplayGainChosen() {
  if (following_) return;
  StoreReplayGain(player_);
  emit ReplayGainChanged();
}

void TEqualizerWindow::FollowPlayer() {
  const bool subbands = player_.EqualizerMode() == engine::memSubBand;
  const int count = subbands ? engine::TEqualizerBands::kMaxBands : player_.EqualizerCount();
  std::vector<int> layout = {player_.EqualizerMode(), count};
  for (int band = 0; band < count; ++band) layout.push_back(player_.EqualizerBandFrequency(band));
  following_ = true;
  if (layout != shownLayout_) {
    shownLayout_ = layout;
    RebuildBands();
  }
  const engine::TEqualizerBands& bands = player_.Equalizer();
  EnabledBox->setChecked(bands.Enabled);
  PreampSlider->setValue(bands.Preamp);
  for (int band = 0; band < BandSliders.size(); ++band)
    BandSliders[band]->setValue(bands.Gains[band]);
  ReplayGainPreamp->setValue(player_.ReplayGainPreamp());
  DefaultGain->setValue(player_.ReplayGainDefault());
  following_ = false;
  ShowMatchingPreset();
}

void TEqualizerWindow::RebuildBands() {
  qDeleteAll(BandSliders);
  qDeleteAll(bandLabels_);
  BandSliders.clear();
  bandLabels_.clear();
  QWidget* area = PreampSlider->parentWidget();
  const int count = shownLayout_[1];
  for (int band = 0; band < count; ++band) {
    const int column = band + 2;
    QSlider* slider = MakeGainSlider(area);
    QLabel* value = MakeSmallLabel(QString(), area);
    QLabel* frequency = MakeSmallLabel(FrequencyText(shownLayout_[band + 2]), area);
    bandGrid_->addWidget(value, 0, column);
    bandGrid_->addWidget(slider, 1, column, Qt::AlignHCenter);
    bandGrid_->addWidget(frequency, 2, column);
    connect(slider, &QSlider::valueChanged, value,
            [value](int units) { value->setText(DbText(units)); });
    connect(slider, &QSlider::valueChanged, this, &TEqualizerWindow::Apply);
    value->setText(DbText(slider->value()));
    BandSliders << slider;
    bandLabels_ << value << frequency;
  }
}

std::vector<int> TEqualizerWindow::SliderGains() const {
  std::vector<int> gains;
  for (const QSlider* slider : BandSliders) gains.push_back(slider->value());
  return gains;
}

void TEqualizerWindow::Apply() {
  if (following_) return;
  engine::TEqualizerBands bands = player_.Equalizer();
  bands.Enabled = EnabledBox->isChecked();
  bands.Preamp = PreampSlider->value();
  for (int band = 0; band < BandSliders.size(); ++band)
    bands.Gains[band] = BandSliders[band]->value();
  player_.SetEqualizer(bands);
  StoreEqualizer(player_);
  ShowMatchingPreset();
}

void TEqualizerWindow::FillPresetBox() {
  PresetBox->clear();
  PresetBox->addItem(tr("(custom)"));
  for (const TPresetList::TPreset& preset : presets_.Presets()) {
    PresetBox->addItem(preset.name, preset.name);
  }
}

void TEqualizerWindow::ShowMatchingPreset() {
  const std::vector<int> shown = SliderGains();
  int match = 0;
  for (int item = 1; item < PresetBox->count() && match == 0; ++item) {
    const TPresetList::TPreset* preset = presets_.Find(PresetBox->itemData(item).toString());
    if (preset && PresetGains(preset->gainsDb, player_) == shown) match = item;
  }
  PresetBox->setCurrentIndex(match);
  const TPresetList::TPreset* selected = presets_.Find(PresetBox->currentData().toString());
  DeleteButton->setEnabled(selected && selected->own);
}

void TEqualizerWindow::ApplyPreset(int index) {
  const TPresetList::TPreset* preset = presets_.Find(PresetBox->itemData(index).toString());
  if (!preset) return ShowMatchingPreset();
  const std::vector<int> gains = PresetGains(preset->gainsDb, player_);
  following_ = true;
  for (int band = 0; band < BandSliders.size(); ++band)
    BandSliders[band]->setValue(band < static_cast<int>(gains.size()) ? gains[band] : 0);
  following_ = false;
  Apply();
}

void TEqualizerWindow::SaveAs() {
  const QString name = prompts_.AskText(this, tr("Save preset"), tr("Name of the preset:"));
  if (name.trimmed().isEmpty()) return;
  std::vector<double> gainsDb;
  for (int units : SliderGains()) gainsDb.push_back(engine::GainDb(units));
  if (!presets_.Save(name, gainsDb)) {
    prompts_.Warning(this, tr("A built-in preset is named \"%1\"; choose another name.").arg(name),
                     tr("Equalizer"));
    return;
  }
  FillPresetBox();
  ShowMatchingPreset();
}

void TEqualizerWindow::DeleteSelected() {
  presets_.Remove(PresetBox->currentData().toString());
  FillPresetBox();
  ShowMatchingPreset();
}

}  // namespace yumekaze::app
