#include "ui/projectdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

#include "shell/project_commands.h"
#include "store/text.h"
#include "ui/gbifdialog.h"

namespace zn {

namespace {

// The formats in the order of the list, with what each reads.
struct FormatChoice {
  InputFormat format;
  const char* label;
};
constexpr FormatChoice kFormats[] = {
    {InputFormat::Table, "Table (CSV: taxon with unit, x,y or lon,lat)"},
    {InputFormat::Gbif, "GBIF download (CSV, zip or Darwin Core Archive)"},
    {InputFormat::Datafile, "Datafile (.dat), each cell at its centre"},
    {InputFormat::Folder, "Planning-unit folder (joined by unit id)"},
};

constexpr const char* kNoField = "(none)";

QLineEdit* lineEdit(const std::string& text, const char* placeholder, QWidget* parent) {
  auto* e = new QLineEdit(QString::fromStdString(text), parent);
  e->setPlaceholderText(placeholder);
  return e;
}

// A file field with its "Browse..." button on one row.
QWidget* withBrowse(QLineEdit* edit, QWidget* parent, std::function<void()> browse) {
  auto* row = new QWidget(parent);
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(0, 0, 0, 0);
  h->addWidget(edit, 1);
  auto* b = new QPushButton("Browse...", row);
  QObject::connect(b, &QPushButton::clicked, row, std::move(browse));
  h->addWidget(b);
  return row;
}

QString fieldOf(const QComboBox* c) { return c->currentIndex() <= 0 ? QString() : c->currentText(); }

}  // namespace

NewProjectDialog::NewProjectDialog(NewProjectModel& model, QWidget* parent) : QDialog(parent), m_(model) {
  setWindowTitle("New project");
  // First: the pages say here when a layer cannot be read.
  problem_ = new QLabel(this);
  problem_->setObjectName("problem");
  problem_->setStyleSheet("color: #a00000");
  problem_->setWordWrap(true);
  auto* units = new QGroupBox("Units", this);
  gridUnits_ = new QRadioButton("A regular &grid", units);
  layerUnits_ = new QRadioButton("The polygons of a &layer file", units);
  (m_.grid ? gridUnits_ : layerUnits_)->setChecked(true);
  unitPages_ = new QStackedWidget(units);
  unitPages_->addWidget(gridPage());
  unitPages_->addWidget(layerPage());
  // The box takes the height of the page shown, not of the taller one.
  auto showPage = [this](int page) {
    for (int i = 0; i < unitPages_->count(); ++i)
      unitPages_->widget(i)->setSizePolicy(QSizePolicy::Preferred,
                                           i == page ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    unitPages_->setCurrentIndex(page);
  };
  showPage(m_.grid ? 0 : 1);
  connect(gridUnits_, &QRadioButton::toggled, this, [showPage](bool on) { showPage(on ? 0 : 1); });
  auto* choice = new QHBoxLayout;
  choice->addWidget(gridUnits_);
  choice->addWidget(layerUnits_);
  choice->addStretch(1);
  auto* unitsLayout = new QVBoxLayout(units);
  unitsLayout->addLayout(choice);
  unitsLayout->addWidget(unitPages_);

  auto* save = new QGroupBox("Project file", this);
  output_ = lineEdit(m_.output, "a new FILE.gpkg", save);
  auto* saveForm = new QFormLayout(save);
  saveForm->addRow("&Save as:", withBrowse(output_, save, [this] { browseOutput(); }));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText("&Make");
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { tryAccept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* top = new QVBoxLayout(this);
  top->addWidget(units);
  top->addWidget(occurrencesBox());
  top->addWidget(save);
  top->addWidget(problem_);
  top->addWidget(buttons);
  formatChanged();
  setMinimumWidth(560);
}

NewProjectDialog::~NewProjectDialog() = default;

QWidget* NewProjectDialog::gridPage() {
  auto* page = new QWidget(this);
  cell_ = new QComboBox(page);
  cell_->setEditable(true);
  cell_->addItems({"1deg", "0.5deg", "50km", "10km"});
  cell_->setCurrentText(QString::fromStdString(m_.cell));
  cell_->setToolTip("Degrees (e.g. 0.25deg) or lengths (e.g. 5km, 500m); WxH for a rectangle");
  crs_ = lineEdit(m_.crs, "EPSG:N", page);
  suggested_ = crs_->text();
  connect(cell_, &QComboBox::currentTextChanged, this, [this] { suggestCrs(); });
  hex_ = new QCheckBox("&Hexagonal cells (else square)", page);
  hex_->setChecked(m_.hex);
  extent_ = lineEdit(m_.extent, "from the data; or W,S,E,N in the CRS's units", page);
  auto* form = new QFormLayout(page);
  form->setContentsMargins(0, 0, 0, 0);
  form->addRow("&Cell size:", cell_);
  form->addRow("C&RS:", crs_);
  form->addRow("", hex_);
  form->addRow("E&xtent:", extent_);
  return page;
}

QWidget* NewProjectDialog::layerPage() {
  auto* page = new QWidget(this);
  layer_ = lineEdit(m_.layer, "GeoPackage, shapefile, GeoJSON...", page);
  // GDAL opens the file when the name is finished (Return, leaving the
  // field, or a pause in the typing), never at each keystroke: a large or
  // remote layer would stall every key.
  layerPause_ = new QTimer(this);
  layerPause_->setSingleShot(true);
  layerPause_->setInterval(kLayerPauseMs);
  connect(layerPause_, &QTimer::timeout, this, [this] { readLayerFields(); });
  connect(layer_, &QLineEdit::textEdited, layerPause_, qOverload<>(&QTimer::start));
  connect(layer_, &QLineEdit::editingFinished, this, [this] { readLayerFields(); });
  id_ = new QComboBox(page);
  cost_ = new QComboBox(page);
  status_ = new QComboBox(page);
  for (QComboBox* c : {id_, cost_, status_}) c->addItem(kNoField);
  id_->setToolTip("Without one, the features' own ids");
  cost_->setToolTip("Without one, every unit costs 1");
  status_->setToolTip("Without one, every unit is free to choose");
  layerCrs_ = lineEdit(m_.grid ? std::string() : m_.crs, "the layer's own; EPSG:N for a layer without one", page);
  auto* form = new QFormLayout(page);
  form->setContentsMargins(0, 0, 0, 0);
  form->addRow("La&yer:", withBrowse(layer_, page, [this] { browseLayer(); }));
  form->addRow("&Id field:", id_);
  form->addRow("Cos&t field:", cost_);
  form->addRow("Stat&us field:", status_);
  form->addRow("CRS:", layerCrs_);
  readLayerFields();
  return page;
}

QGroupBox* NewProjectDialog::occurrencesBox() {
  auto* box = new QGroupBox("Occurrences", this);
  format_ = new QComboBox(box);
  for (const FormatChoice& f : kFormats) {
    format_->addItem(f.label);
    if (f.format == m_.format) format_->setCurrentIndex(format_->count() - 1);
  }
  connect(format_, &QComboBox::currentIndexChanged, this, [this] { formatChanged(); });
  input_ = lineEdit(m_.input, "the file (or folder) to add", box);
  filters_ = new QGroupBox("GBIF filters", box);
  gbif_ = std::make_unique<GbifFilterFields>(m_.filters, new QFormLayout(filters_), filters_);
  // The note on what an empty basis keeps goes into the field, to keep the box short.
  gbif_->basis->setToolTip(gbif_->basisNote->text());
  gbif_->basis->setPlaceholderText("all but fossil and living specimens");
  gbif_->basisNote->hide();
  auto* form = new QFormLayout(box);
  form->addRow("&Format:", format_);
  form->addRow("&Read:", withBrowse(input_, box, [this] { browseInput(); }));
  form->addRow(filters_);
  return box;
}

// A CRS the user typed stays; one the dialog put in follows the cell size.
void NewProjectDialog::suggestCrs() {
  const QString next = QString::fromStdString(crsForCell(cell_->currentText().trimmed().toStdString(), m_.variant));
  if (next.isEmpty() || (crs_->text() != suggested_ && !crs_->text().isEmpty())) return;
  crs_->setText(next);
  suggested_ = next;
}

void NewProjectDialog::readLayerFields() {
  layerPause_->stop();
  const std::string file = layer_->text().trimmed().toStdString();
  // Leaving the field after the pause read it asks nothing new.
  if (readLayer_ && *readLayer_ == file) return;
  readLayer_.reset();
  std::vector<std::string> names;
  std::error_code ec;
  if (!file.empty() && std::filesystem::is_regular_file(file, ec)) {
    readLayer_ = file;
    std::string error;
    names = layerFieldNames(file, error);
    problem_->setText(QString::fromStdString(error));
  }
  const std::string* wanted[] = {&m_.idField, &m_.costField, &m_.statusField};
  QComboBox* boxes[] = {id_, cost_, status_};
  for (int i = 0; i < 3; ++i) {
    QComboBox* c = boxes[i];
    const QString keep = c->count() > 1 ? fieldOf(c) : QString::fromStdString(*wanted[i]);
    c->clear();
    c->addItem(kNoField);
    for (const std::string& n : names) c->addItem(QString::fromStdString(n));
    const int at = keep.isEmpty() ? -1 : c->findText(keep);
    c->setCurrentIndex(std::max(at, 0));
  }
}

void NewProjectDialog::formatChanged() {
  filters_->setEnabled(kFormats[std::max(format_->currentIndex(), 0)].format == InputFormat::Gbif);
}

void NewProjectDialog::browseLayer() {
  const QString f = QFileDialog::getOpenFileName(this, "Units layer", QString::fromStdString(m_.startFolder.string()),
                                                 "Polygon layers (*.gpkg *.shp *.geojson *.json);;All files (*)");
  if (f.isEmpty()) return;
  layer_->setText(f);
  readLayerFields();
}

void NewProjectDialog::browseInput() {
  const InputFormat format = kFormats[std::max(format_->currentIndex(), 0)].format;
  const QString start = QString::fromStdString(m_.startFolder.string());
  const QString f = format == InputFormat::Folder
                        ? QFileDialog::getExistingDirectory(this, "Planning-unit folder", start)
                        : QFileDialog::getOpenFileName(this, "Occurrences", start,
                                                       "Occurrences (*.csv *.txt *.zip *.dat);;All files (*)");
  if (f.isEmpty()) return;
  input_->setText(f);
  // The format follows what was chosen, as the tool guesses it.
  const InputFormat guessed = guessInputFormat(f.toStdString());
  for (int i = 0; i < format_->count(); ++i)
    if (kFormats[i].format == guessed) format_->setCurrentIndex(i);
}

void NewProjectDialog::browseOutput() {
  QString f = QFileDialog::getSaveFileName(this, "Save project", QString::fromStdString(m_.startFolder.string()),
                                           "Zonarium project (*.gpkg)");
  if (f.isEmpty()) return;
  if (!f.endsWith(".gpkg")) f += ".gpkg";
  output_->setText(f);
}

void NewProjectDialog::tryAccept() {
  NewProjectModel work = m_;
  work.grid = gridUnits_->isChecked();
  work.cell = cell_->currentText().trimmed().toStdString();
  work.crs = (work.grid ? crs_ : layerCrs_)->text().trimmed().toStdString();
  work.hex = hex_->isChecked();
  work.extent = extent_->text().trimmed().toStdString();
  work.layer = layer_->text().trimmed().toStdString();
  work.idField = fieldOf(id_).toStdString();
  work.costField = fieldOf(cost_).toStdString();
  work.statusField = fieldOf(status_).toStdString();
  work.format = kFormats[std::max(format_->currentIndex(), 0)].format;
  work.input = input_->text().trimmed().toStdString();
  work.filters = gbif_->read();
  work.output = output_->text().trimmed().toStdString();
  ProjectUnits units;
  ProjectInput input;
  std::filesystem::path out;
  std::string e = readNewProject(work, units, input, out);
  // A layer GDAL cannot read is named before anything else is asked for.
  if (!work.grid && !work.layer.empty()) {
    std::string unread;
    layerFieldNames(work.layer, unread);
    if (!unread.empty()) e = unread;
  }
  if (!e.empty()) {
    problem_->setText(QString::fromStdString(e));
    return;
  }
  static_cast<NewProjectModel&>(m_) = work;
  accept();
}

bool isProjectDialog(const std::string& name) { return toLower(name) == toLower(kNewProjectDialog); }

}  // namespace zn
