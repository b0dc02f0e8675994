#include "ui/optiondialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace zn {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QGroupBox* group(const QString& title, QLayout* layout) {
  auto* box = new QGroupBox(title);
  box->setLayout(layout);
  return box;
}

QVBoxLayout* column(std::initializer_list<QWidget*> widgets) {
  auto* col = new QVBoxLayout;
  for (QWidget* w : widgets) col->addWidget(w);
  col->addStretch(1);
  return col;
}

// A short line of explanation under a control, in the dialog's small print.
QLabel* note(const QString& text) {
  auto* l = new QLabel(text);
  l->setWordWrap(true);
  QFont f = l->font();
  f.setPointSizeF(f.pointSizeF() * 0.9);
  l->setFont(f);
  return l;
}

QDialogButtonBox* okCancel(QDialog* d) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return buttons;
}

}  // namespace

// ---------------------------------------------------------------------------

QAbstractButton* BoundDialog::controlNamed(const QString& name) const {
  for (const auto& [b, binding] : buttons_)
    if (b->objectName() == name) return b;
  return nullptr;
}

void BoundDialog::bind(const QString& name, Binding binding, QAbstractButton* b) {
  b->setObjectName(name);
  // clicked() comes from the user only; the refresh sets states silently.
  connect(b, &QAbstractButton::clicked, this, [this, set = binding.set](bool on) {
    set(on);
    refresh();
  });
  buttons_.emplace_back(b, std::move(binding));
}

QRadioButton* BoundDialog::radioButton(const QString& name, Binding b, const QString& text) {
  auto* r = new QRadioButton(text);
  r->setAutoExclusive(false);
  bind(name, std::move(b), r);
  return r;
}

QCheckBox* BoundDialog::checkBox(const QString& name, Binding b, const QString& text) {
  auto* c = new QCheckBox(text);
  bind(name, std::move(b), c);
  return c;
}

void BoundDialog::arrange(QLayout* columns, std::initializer_list<QWidget*> bottomLeft) {
  auto* bottom = new QHBoxLayout;
  for (QWidget* w : bottomLeft) bottom->addWidget(w);
  bottom->addStretch(1);
  bottom->addWidget(okCancel(this));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addLayout(bottom);
  refresh();
}

QBoxLayout* BoundDialog::newStack(bool across) {
  return new QBoxLayout(across ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
}

void BoundDialog::addGap(QBoxLayout* stack, bool across) { stack->addSpacing(across ? 20 : 6); }

void BoundDialog::endStack(QBoxLayout* stack, bool across) {
  if (across) stack->addStretch(1);
}

void BoundDialog::refresh() {
  for (const auto& [b, binding] : buttons_) {
    const QSignalBlocker block(b);
    b->setChecked(binding.checked());
    b->setEnabled(binding.enabled());
  }
}

// ---------------------------------------------------------------------------
// Tools options

QSpinBox* ToolsOptionsDialog::spin(const Control& c) {
  auto* s = new QSpinBox;
  s->setObjectName(nameOf(c));
  s->setKeyboardTracking(false);
  s->setMinimumWidth(64);
  numbers_.emplace_back(c, s);
  connect(s, &QSpinBox::valueChanged, this, [this, c](int v) {
    model_.setNumber(c, v);
    refresh();
  });
  return s;
}

QSpinBox* ToolsOptionsDialog::number(const Control& c) const {
  for (const auto& [control, s] : numbers_)
    if (control == c) return s;
  return nullptr;
}

ToolsOptionsDialog::ToolsOptionsDialog(ToolsOptionsModel& model, QWidget* parent) : ModelDialog(model, parent) {
  setWindowTitle("Tools options");

  // Measures
  auto* rarity = stack({{topt::kRarityDifference, "rarity by difference formula"},
                        {topt::kRarityInverse, "rarity by inverse range size"},
                        {topt::kRarityInverseSquare, "rarity by inv square range size"}});
  auto* centres = stack(
      {{topt::kLargeRanges, "richness wt for large ranges"}, {topt::kSmallRanges, "richness wt for small ranges"}});

  auto* smoothing = new QGridLayout;
  smoothing->addWidget(new QLabel("neighbourhood:"), 0, 0);
  smoothing->addWidget(radio(topt::kNeighbourhood9, "9 grid cells"), 0, 1);
  smoothing->addWidget(radio(topt::kNeighbourhood25, "25 grid cells"), 0, 2);
  smoothing->addWidget(new QLabel("smoothing by:"), 1, 0);
  smoothing->addWidget(radio(topt::kSmoothMedian, "median"), 1, 1);
  smoothing->addWidget(radio(topt::kSmoothMean, "mean"), 1, 2);
  smoothing->addWidget(check(topt::kResidualsRelative, "residuals relative to richness"), 2, 0, 1, 3);
  smoothing->addWidget(check(topt::kMeasuresRelative, "measures relative to richness"), 3, 0, 1, 3);

  auto* hotspots = stack({{topt::kHotspotRichness, "of richness"},
                          {topt::kHotspotRarity, "of range-size rarity (by formula shown left)"},
                          {topt::kHotspotRareQuartile, "of rare-quartile richness"},
                          {topt::kHotspotThreshold, "of richness for range sizes at or below:"}});
  auto* thresholdRow = new QHBoxLayout;
  thresholdRow->addSpacing(24);
  thresholdRow->addWidget(spin(topt::kThreshold));
  percent_ = new QLabel;
  percent_->setObjectName(nameOf(topt::kThresholdPercent));
  percent_->setMinimumWidth(percent_->fontMetrics().horizontalAdvance("100.0%"));
  thresholdRow->addWidget(percent_);
  thresholdRow->addWidget(new QLabel("of candidate cells"));
  thresholdRow->addStretch(1);
  hotspots->addLayout(thresholdRow);
  hotspots->addWidget(radio(topt::kHotspotResiduals, "residuals"));

  // Near-optimum area set
  auto* nearMin = new QVBoxLayout;
  nearMin->addLayout(numberRow(topt::kGoal, "multiple representations of taxa"));
  nearMin->addLayout(stack({{topt::kReorderRichness, "re-order areas by richness"},
                            {topt::kReorderRarity, "re-order areas by range-size rarity"},
                            {topt::kReorderThreat, "re-order areas by threat"},
                            {},
                            {topt::kRejectRedundant, "reject within-set redundant areas", true},
                            {topt::kIncludeSeeds, "include seed areas in test and re-ordering", true},
                            {topt::kOptimiseCost, "optimise area set by cost data", true},
                            {topt::kExtraTieBreaks, "add extra tie-breaking rules", true},
                            {},
                            {topt::kTieLowestCell, "last tie break by lowest cell number"},
                            {topt::kTieRandom, "last tie break at random"},
                            {},
                            {topt::kMapByOrder, "map areas by order"},
                            {topt::kMapIrreplaceable, "map areas as irreplaceable/flexible"},
                            {topt::kMapPartial, "map i/f areas with partially flexible areas"},
                            {topt::kMapAllFlexible, "map all fully flexible areas"}}));
  nearMin->addSpacing(6);
  nearMin->addLayout(numberRow(topt::kExactTimeLimit, "seconds time limit for exact sets"));

  // Greedy, random sets, RESULTS file, the area list
  auto* greedy =
      stack({{topt::kGreedyRichness, "by greedy richness"}, {topt::kGreedyRarity, "by greedy range-size rarity"}});
  greedy->addLayout(numberRow(topt::kGreedyGoal, "multiple representations of taxa"));
  greedy->addLayout(stack({{topt::kGreedyReject, "reject within-set redundant areas", true},
                           {topt::kGreedyIncludeSeeds, "include seed areas in test", true}}));
  auto* random = stack({{topt::kSingleTail, "single-tail"}, {topt::kTwoTail, "two-tail test"}});
  auto* results =
      stack({{topt::kLongReports, "long reports", true}, {topt::kBaseOnPresent, "base % on taxa present", true}});

  auto* areas = new QGridLayout;
  clearNew_ = new QPushButton("Clear new");
  clearAll_ = new QPushButton("Clear all");
  areas->addWidget(clearNew_, 0, 0, Qt::AlignTop);
  areas->addWidget(note("Clear new selected areas from list before re-run (leave any seeds)"), 0, 1);
  areas->addWidget(clearAll_, 1, 0, Qt::AlignTop);
  areas->addWidget(note("Clear all selected areas from list before re-run"), 1, 1);
  areasNote_ = note("");
  areas->addWidget(areasNote_, 2, 0, 1, 2);
  areas->setColumnStretch(1, 1);
  connect(clearNew_, &QPushButton::clicked, this, [this] {
    model_.pressClearNew();
    refresh();
  });
  connect(clearAll_, &QPushButton::clicked, this, [this] {
    model_.pressClearAll();
    refresh();
  });

  auto* columns = new QHBoxLayout;
  columns->addLayout(column({group("Range-size rarity", rarity), group("Range centres", centres),
                             group("Smoothing and residuals", smoothing), group("Hotspot area set", hotspots)}));
  columns->addLayout(column({group("Near-optimum area set", nearMin)}));
  columns->addLayout(column({group("Greedy area set", greedy), group("Random area sets", random),
                             group("Results file", results), group("Area set", areas)}));

  arrange(columns, {check(topt::kCancelRerun, "cancel re-run on OK")});
}

// A goal edit with its label.
QHBoxLayout* ToolsOptionsDialog::numberRow(const Control& c, const QString& text) {
  auto* row = new QHBoxLayout;
  row->addWidget(spin(c));
  row->addWidget(new QLabel(text));
  row->addStretch(1);
  return row;
}

void ToolsOptionsDialog::refresh() {
  BoundDialog::refresh();
  for (const auto& [c, s] : numbers_) {
    const QSignalBlocker block(s);
    const auto [lo, hi] = model_.numberRange(c);
    const int v = model_.number(c);
    // A value kept outside the range (no candidate cells) is still shown.
    s->setRange(std::min(lo, v), std::max(hi, v));
    s->setValue(v);
    s->setEnabled(model_.enabled(c));
  }
  percent_->setText(q(model_.thresholdPercentText()));
  percent_->setEnabled(model_.enabled(topt::kThresholdPercent));
  clearNew_->setEnabled(model_.clearNewEnabled() && model_.clearAreas == AreaClear::None);
  clearAll_->setEnabled(model_.clearAllEnabled() && model_.clearAreas != AreaClear::AllAreas);
  const int left = model_.areasAfterClear();
  areasNote_->setText(model_.clearAreas == AreaClear::None ? QString("%1 areas in the list").arg(left)
                                                           : QString("%1 areas left in the list on OK").arg(left));
}

// ---------------------------------------------------------------------------
// Map drawing options

MapOptionsDialog::MapOptionsDialog(MapOptionsModel& model, QWidget* parent) : ModelDialog(model, parent) {
  setWindowTitle("Map drawing options");

  auto* colours = stack({{mopt::kMonoLog, "monochrome (log)"},
                         {mopt::kMonoLin, "monochrome (lin)"},
                         {mopt::kSixteen, "16 colour"},
                         {mopt::kDark256, "256 colour (dark)"},
                         {mopt::kLight256, "256 colour (light)"}});
  // Ramps of the 256 colour modes: the mode's own or colour-blind-safe, and
  // residual maps on it or on a ramp diverging from zero.
  auto* ramps = stack({{mopt::kRampStandard, "standard ramp"},
                       {mopt::kRampColourBlind, "colour-blind-safe ramp"},
                       {},
                       {mopt::kResidualsAsScores, "residuals on the ramp"},
                       {mopt::kResidualsDiverging, "residuals diverging"}});
  auto* scale = stack({{mopt::kEqualInterval, "equal interval scale"},
                       {mopt::kEqualFrequency, "equal frequency scale"},
                       {mopt::kFixedLimit, "(fixed limit scale)"},
                       {},
                       {mopt::kMaxSeparate, "max in separate class", true},
                       {mopt::kMaxSpot, "max spot", true}});
  auto* shows = new QHBoxLayout;
  shows->addWidget(check(mopt::kScaleColours, "colours"));
  shows->addWidget(check(mopt::kScaleNumbers, "numbers"));
  shows->addStretch(1);
  scale->addLayout(shows);
  auto* bar = stack({{mopt::kScaleBarOff, "scale bar -"},
                     {mopt::kScaleBarPlain, "scale bar +"},
                     {mopt::kScaleBarHistogram, "scale bar + histogram"},
                     {mopt::kScaleBarNumbers, "scale bar + numbers"}});

  // One row per map feature: its on/off box and its black, grey and white.
  auto* features = new QGridLayout;
  features->setHorizontalSpacing(14);
  const char* heads[] = {"black", "grey", "white"};
  for (int c = 0; c < 3; ++c) features->addWidget(new QLabel(heads[c]), 0, c + 1, Qt::AlignHCenter);
  struct Row {
    Control onOff;  // none: no box
    const char* name;
    Control black, grey, white;
  };
  const Row rows[] = {
      {{}, "background", mopt::kBackgroundBlack, mopt::kBackgroundGrey, mopt::kBackgroundWhite},
      {mopt::kFrame, "frame", mopt::kFrameBlack, mopt::kFrameGrey, mopt::kFrameWhite},
      {mopt::kCoast, "coast", mopt::kCoastBlack, mopt::kCoastGrey, mopt::kCoastWhite},
      {mopt::kFineGrid, "fine grid", mopt::kFineBlack, mopt::kFineGrey, mopt::kFineWhite},
      {mopt::kCoarseGrid, "coarse grid", mopt::kCoarseBlack, mopt::kCoarseGrey, mopt::kCoarseWhite},
      {{}, "numbers", mopt::kNumbersBlack, mopt::kNumbersGrey, mopt::kNumbersWhite},
      {mopt::kBoundaries, "boundaries", mopt::kBoundariesBlack, mopt::kBoundariesGrey, mopt::kBoundariesWhite},
      {mopt::kRivers, "rivers", mopt::kRiversBlack, mopt::kRiversGrey, mopt::kRiversWhite},
  };
  int r = 1;
  for (const Row& row : rows) {
    features->addWidget(row.onOff.name ? static_cast<QWidget*>(check(row.onOff, row.name)) : new QLabel(row.name), r,
                        0);
    const Control shades[] = {row.black, row.grey, row.white};
    for (int c = 0; c < 3; ++c) {
      QRadioButton* b = radio(shades[c], "");
      b->setToolTip(QString("%1 %2").arg(row.name, heads[c]));
      features->addWidget(b, r, c + 1, Qt::AlignHCenter);
    }
    if (row.onOff == mopt::kCoast)
      features->addWidget(radio(mopt::kCoastBlackWhite, "coast black/white"), ++r, 1, 1, 3);
    ++r;
  }
  features->setColumnStretch(0, 1);

  auto* lines = stack({{mopt::kSpots, "spots"}, {mopt::kCrosses, "crosses"}, {mopt::kLines, "lines"}}, true);

  auto* fill = stack({{mopt::kFillFrameCoast, "fill frame-coast", true}});
  fill->addLayout(stack(
      {{}, {mopt::kFillGreys, "greys"}, {mopt::kFillBrown, "brown"}, {mopt::kFillGreenBlue, "green+blue"}}, true));

  auto* titleBox = stack({{mopt::kWriteTitle, "write title", true}, {mopt::kScalableTitle, "scalable title", true}});
  auto* titleRow = new QHBoxLayout;
  titleRow->addWidget(new QLabel("change title:"));
  title_ = new QLineEdit;
  title_->setObjectName(nameOf(mopt::kTitleText));
  title_->setMaxLength(static_cast<int>(kMapTitleEditLength));
  title_->setMinimumWidth(220);
  title_->setText(q(model_.title));
  connect(title_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.setTitle(t.toStdString()); });
  titleRow->addWidget(title_, 1);
  titleBox->addLayout(titleRow);

  auto* selected = stack({{mopt::kSeedAndSelected, "+ seed + selected areas"},
                          {mopt::kSeedOnly, "+ seed - selected areas"},
                          {mopt::kNoAreas, "-  seed - selected areas"}});

  auto* columns = new QHBoxLayout;
  columns->addLayout(column({group("Colours", colours), group("Score scale", scale), group("Scale bar", bar)}));
  columns->addLayout(
      column({group("Map features", features), group("Fine grid lines", lines), group("Colour ramp", ramps)}));
  columns->addLayout(
      column({group("Fill frame-coast", fill), group("Title", titleBox), group("Selected areas", selected)}));

  dark_ = new QPushButton("Default options (dark)");
  dark_->setObjectName(nameOf(mopt::kDefaultsDark));
  light_ = new QPushButton("Default options (light)");
  light_->setObjectName(nameOf(mopt::kDefaultsLight));
  for (bool isLight : {false, true}) {
    connect(isLight ? light_ : dark_, &QPushButton::clicked, this, [this, isLight] {
      model_.chooseDefaults(isLight);
      accept();
    });
  }
  arrange(columns, {dark_, light_});
}

void MapOptionsDialog::refresh() {
  BoundDialog::refresh();
  title_->setEnabled(model_.enabled(mopt::kTitleText));
}

// ---------------------------------------------------------------------------
// Map info

MapInfoDialog::MapInfoDialog(MapInfoModel& model, QWidget* parent) : QDialog(parent), model_(model) {
  setWindowTitle("Map info");
  rows_ = new QWidget;
  auto* flags = new QHBoxLayout;
  for (auto [text, on] :
       {std::pair<const char*, bool>{"cost data", model_.costData}, {"threat data", model_.threatData}}) {
    auto* c = new QCheckBox(text);
    c->setChecked(on);
    c->setEnabled(false);  // shown, not set here
    flags->addWidget(c);
  }
  flags->addStretch(1);

  swap_ = new QPushButton("Swap scores");
  swap_->setObjectName("swapScores");
  swap_->setEnabled(model_.swapAllowed);
  connect(swap_, &QPushButton::clicked, this, [this] {
    model_.pressSwap();
    refresh();
  });
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(swap_);
  bottom->addStretch(1);
  bottom->addWidget(okCancel(this));

  auto* box = new QGroupBox("Map");
  (new QVBoxLayout(box))->addWidget(rows_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box);
  layout->addLayout(flags);
  layout->addLayout(bottom);
  refresh();
}

void MapInfoDialog::refresh() {
  delete rows_->layout();
  qDeleteAll(rows_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
  auto* form = new QFormLayout(rows_);
  form->setLabelAlignment(Qt::AlignRight);
  for (const auto& [label, value] : model_.rows()) {
    auto* v = new QLabel(q(value));
    v->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->setMinimumWidth(280);
    form->addRow(q(label), v);
  }
  auto* title = qobject_cast<QGroupBox*>(rows_->parentWidget());
  if (title) title->setTitle(model_.swapRequested ? "Map (after swapping scores)" : "Map");
}

QString MapInfoDialog::value(const QString& label) const {
  auto* form = qobject_cast<QFormLayout*>(rows_->layout());
  if (!form) return {};
  for (int i = 0; i < form->rowCount(); ++i) {
    auto* l = qobject_cast<QLabel*>(form->itemAt(i, QFormLayout::LabelRole)->widget());
    auto* v = qobject_cast<QLabel*>(form->itemAt(i, QFormLayout::FieldRole)->widget());
    if (l && v && l->text() == label) return v->text();
  }
  return {};
}

// ---------------------------------------------------------------------------
// Selective plot

SelectivePlotDialog::SelectivePlotDialog(SelectivePlotModel& model, bool smallScreen, QWidget* parent)
    : QDialog(parent),
      model_(model),
      list_(new QListWidget),
      grouped_(new QCheckBox("grouped")),
      rangeSizes_(new QCheckBox("range sizes")),
      plot_(new QPushButton("Plot")) {
  setWindowTitle("Selective plot");
  list_->setObjectName("taxa");
  grouped_->setObjectName("grouped");
  rangeSizes_->setObjectName("rangeSizes");
  list_->setSelectionMode(QAbstractItemView::MultiSelection);
  list_->setMinimumWidth(smallScreen ? 220 : 300);
  list_->setMinimumHeight(smallScreen ? 180 : 360);
  for (const std::string& line : model_.lines) list_->addItem(q(line));
  grouped_->setChecked(model_.grouped);
  rangeSizes_->setChecked(model_.rangeSizes);

  // A display change closes the dialog; the command opens it again in its
  // new form.
  connect(grouped_, &QCheckBox::clicked, this, [this](bool on) {
    model_.grouped = on;
    model_.action = SelectivePlotModel::Action::ToggleGrouped;
    accept();
  });
  connect(rangeSizes_, &QCheckBox::clicked, this, [this](bool on) {
    model_.rangeSizes = on;
    model_.action = SelectivePlotModel::Action::ToggleRangeSizes;
    accept();
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    item->setSelected(true);
    plot();
  });
  connect(plot_, &QPushButton::clicked, this, &SelectivePlotDialog::plot);

  auto* buttons = new QDialogButtonBox;
  buttons->addButton(plot_, QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  plot_->setDefault(true);
  connect(buttons, &QDialogButtonBox::rejected, this, [this] {
    model_.action = SelectivePlotModel::Action::Cancel;
    reject();
  });

  auto* checks = new QHBoxLayout;
  checks->addWidget(grouped_);
  checks->addWidget(rangeSizes_);
  checks->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("select taxa to plot"));
  layout->addWidget(list_, 1);
  layout->addLayout(checks);
  layout->addWidget(buttons);
}

void SelectivePlotDialog::plot() {
  model_.selected.clear();
  for (int i = 0; i < list_->count(); ++i)
    if (list_->item(i)->isSelected()) model_.selected.push_back(i);
  model_.action = SelectivePlotModel::Action::Plot;
  accept();
}

}  // namespace zn
