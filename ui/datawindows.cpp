#include "ui/datawindows.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "shell/data_commands.h"
#include "shell/dispatch.h"
#include "store/editor.h"
#include "store/preselection.h"
#include "ui/threeaxiswindow.h"

namespace zn {

namespace {

constexpr int kDefaultAction = -1;  // Restore data

QString text(const std::string& s) { return QString::fromStdString(s); }
std::string text(const QString& s) { return s.toStdString(); }

std::vector<int> selectedRows(const QListWidget* list) {
  std::vector<int> rows;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->isSelected()) rows.push_back(i);
  return rows;
}

void fillList(QListWidget* list, const std::vector<std::string>& lines) {
  QSignalBlocker block(list);
  list->clear();
  for (const auto& l : lines) list->addItem(text(l));
}

QVBoxLayout* titled(const char* label, QWidget* w) {
  auto* box = new QVBoxLayout;
  box->addWidget(new QLabel(label));
  box->addWidget(w);
  return box;
}

}  // namespace

// --- Data preselection -----------------------------------------------------

PreselectionWindow::PreselectionWindow(Shell& shell, QWidget* parent)
    : QDialog(parent),
      shell_(shell),
      groupList_(new QListWidget),
      taxonList_(new QListWidget),
      areaList_(new QListWidget),
      groupCode_(new QLineEdit),
      find_(new QLineEdit),
      taxaExcluded_(new QLineEdit),
      areasExcluded_(new QLineEdit),
      level_(new QSpinBox) {
  setWindowTitle("Data preselection");
  setModal(false);
  for (QListWidget* l : {groupList_, taxonList_, areaList_}) l->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (QLineEdit* e : {taxaExcluded_, areasExcluded_}) e->setReadOnly(true);
  groupCode_->setMaxLength(kGroupCodeChars);
  find_->setMaxLength(kNameLength);
  PreselectionDialogModel& m = shell_.session.preselection.dialog;

  auto* typeCode = new QPushButton("Type group code:");
  auto* find = new QPushButton("Find:");
  auto* deleteCells = new QPushButton("Delete cells");
  auto* group = titled("Select group code:", groupList_);
  auto* codeRow = new QHBoxLayout;
  codeRow->addWidget(typeCode);
  codeRow->addWidget(groupCode_);
  auto* findRow = new QHBoxLayout;
  findRow->addWidget(find);
  findRow->addWidget(find_);
  auto* levelRow = new QHBoxLayout;
  levelRow->addWidget(new QLabel("Minimum data level"));
  levelRow->addWidget(level_);
  group->addLayout(codeRow);
  group->addLayout(findRow);
  group->addLayout(levelRow);
  auto* taxa = titled("Deselect taxa:", taxonList_);
  taxa->addWidget(taxaExcluded_);
  auto* areas = titled("Deselect areas with mouse", areaList_);
  areas->addWidget(areasExcluded_);
  areas->addWidget(deleteCells);

  auto* buttons = new QHBoxLayout;
  const std::pair<const char*, int> actions[] = {{"OK", static_cast<int>(PreselectionAction::Ok)},
                                                 {"Save file", static_cast<int>(PreselectionAction::SaveFile)},
                                                 {"Load file", static_cast<int>(PreselectionAction::LoadFile)},
                                                 {"Convert SA", static_cast<int>(PreselectionAction::ConvertSA)},
                                                 {"Restore data", kDefaultAction}};
  for (auto [label, action] : actions) {
    auto* b = new QPushButton(label);
    if (action == static_cast<int>(PreselectionAction::Ok)) b->setDefault(true);
    connect(b, &QPushButton::clicked, this, [this, action = action] { finish(action); });
    buttons->addWidget(b);
  }
  auto* columns = new QHBoxLayout;
  columns->addLayout(group, 3);
  columns->addLayout(taxa, 2);
  columns->addLayout(areas, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addLayout(buttons);

  level_->setRange(1, std::max(1, m.levels));
  level_->setValue(m.minimumLevel);
  fillList(groupList_, m.groupLines);
  fillList(taxonList_, m.taxonLines);
  taxaExcluded_->setText(text(m.taxaExcludedText));
  showGroup();
  showAreas();

  connect(groupList_, &QListWidget::itemSelectionChanged, this, [this] {
    selectGroupLines(shell_.session.preselection.dialog, shell_.session.ws, shell_.session.progress,
                     selectedRows(groupList_));
    showGroup();
  });
  connect(groupCode_, &QLineEdit::textEdited, this,
          [this](const QString& t) { shell_.session.preselection.dialog.groupCode = text(t); });
  connect(level_, &QSpinBox::valueChanged, this,
          [this](int v) { shell_.session.preselection.dialog.minimumLevel = v; });
  connect(typeCode, &QPushButton::clicked, this, [this] {
    std::string code = text(groupCode_->text());
    if (!runGroupCodeDialog(this, code)) return;
    typeGroupCode(shell_.session.preselection.dialog, shell_.session.ws, shell_.session.progress, code);
    showGroup();
  });
  connect(find, &QPushButton::clicked, this, [this] {
    findGroupTaxon(shell_.session.preselection.dialog, shell_.session.ws, shell_.session.progress, text(find_->text()));
    showGroup();
  });
  connect(deleteCells, &QPushButton::clicked, this, [this] {
    preselectionDeleteCells(shell_, selectedRows(areaList_));
    showAreas();
  });
  shell_.session.preselection.changed = [this] { refresh(); };
}

PreselectionWindow::~PreselectionWindow() { detach(); }

void PreselectionWindow::detach() {
  if (detached_) return;
  detached_ = true;
  shell_.session.preselection.changed = nullptr;
}

void PreselectionWindow::showGroup() {
  const PreselectionDialogModel& m = shell_.session.preselection.dialog;
  QSignalBlocker block(groupList_);
  for (int i = 0; i < groupList_->count(); ++i)
    groupList_->item(i)->setSelected(i < static_cast<int>(m.groupSelected.size()) &&
                                     m.groupSelected[static_cast<std::size_t>(i)]);
  groupCode_->setText(text(m.groupCode));
}

void PreselectionWindow::showAreas() {
  const PreselectionDialogModel& m = shell_.session.preselection.dialog;
  fillList(areaList_, m.areaLines);
  areasExcluded_->setText(text(m.areasExcludedText));
}

void PreselectionWindow::refresh() {
  showAreas();
  areaList_->scrollToBottom();
}

void PreselectionWindow::finish(int action) {
  if (finished_) return;
  finished_ = true;
  const std::vector<int> taxa = selectedRows(taxonList_);
  if (action == kDefaultAction) preselectionRestore(shell_);
  else preselectionClose(shell_, static_cast<PreselectionAction>(action), taxa);
}

void PreselectionWindow::reject() { finish(static_cast<int>(PreselectionAction::Ok)); }

void PreselectionWindow::closeEvent(QCloseEvent* e) {
  finish(static_cast<int>(PreselectionAction::Ok));
  e->accept();
}

// --- Data editor -------------------------------------------------------------

EditorWindow::EditorWindow(Shell& shell, QWidget* parent)
    : QDialog(parent),
      shell_(shell),
      title_(new QLineEdit),
      list_(new QListWidget),
      name_(new QLineEdit),
      code_(new QLineEdit),
      find_(new QLineEdit),
      taxonText_(new QLabel),
      clickText_(new QLabel) {
  setWindowTitle("ZONARIUM data editor");
  setModal(false);
  name_->setMaxLength(kNameLength);
  code_->setMaxLength(kNameLength);
  find_->setMaxLength(kNameLength);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);

  auto* form = new QGridLayout;
  form->addWidget(new QLabel("Edit title:"), 0, 0);
  form->addWidget(title_, 0, 1);
  form->addWidget(new QLabel("Edit taxon name:"), 1, 0);
  form->addWidget(name_, 1, 1);
  form->addWidget(new QLabel("Edit group code:"), 2, 0);
  form->addWidget(code_, 2, 1);

  auto button = [this](const char* label, auto slot) {
    auto* b = new QPushButton(label);
    connect(b, &QPushButton::clicked, this, slot);
    return b;
  };
  auto* edits = new QHBoxLayout;
  edits->addWidget(button("Write", [this] { act(editorWrite); }));
  edits->addWidget(button("New", [this] { act([](Shell& sh) { editorAdd(sh, false); }); }));
  edits->addWidget(button("Copy", [this] { act([](Shell& sh) { editorAdd(sh, true); }); }));
  edits->addWidget(button("Delete", [this] { act(editorDelete); }));
  edits->addWidget(button("Re-order", [this] { act(editorReorder); }));
  auto* findRow = new QHBoxLayout;
  findRow->addWidget(button("Find:", [this] {
    editorFind(shell_, text(find_->text()));
    if (shell_.flags.mapEditing) showAll();
  }));
  findRow->addWidget(find_);
  auto* ends = new QHBoxLayout;
  ends->addWidget(button("Save+cont", [this] { act(editorSaveContinue); }));
  ends->addWidget(button("Save+exit", [this] { editorClose(shell_, false); }));
  ends->addWidget(button("Restore", [this] { editorClose(shell_, true); }));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(list_);
  layout->addWidget(taxonText_);
  layout->addWidget(clickText_);
  layout->addLayout(edits);
  layout->addLayout(findRow);
  layout->addLayout(ends);

  title_->setText(text(shell_.session.editor.dialog.title));
  showAll();
  connect(title_, &QLineEdit::textEdited, this,
          [this](const QString& t) { shell_.session.editor.dialog.title = text(t); });
  connect(name_, &QLineEdit::textEdited, this,
          [this](const QString& t) { shell_.session.editor.dialog.name = text(t); });
  connect(code_, &QLineEdit::textEdited, this,
          [this](const QString& t) { shell_.session.editor.dialog.code = text(t); });
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    editorSelect(shell_, row);
    if (shell_.flags.mapEditing) refresh();
  });
  shell_.session.editor.changed = [this] { refresh(); };
}

EditorWindow::~EditorWindow() { detach(); }

void EditorWindow::detach() {
  if (detached_) return;
  detached_ = true;
  shell_.session.editor.changed = nullptr;
}

void EditorWindow::act(void (*action)(Shell&)) {
  action(shell_);
  if (shell_.flags.mapEditing) showAll();
}

void EditorWindow::showAll() {
  fillList(list_, shell_.session.editor.dialog.lines);
  shownTaxon_ = -1;
  refresh();
}

void EditorWindow::refresh() {
  const EditorModel& m = shell_.session.editor.dialog;
  {
    QSignalBlocker block(list_);
    if (m.current >= 0 && m.current < list_->count()) list_->setCurrentRow(m.current);
  }
  if (m.current != shownTaxon_) {
    name_->setText(text(m.name));
    code_->setText(text(m.code));
    shownTaxon_ = m.current;
  }
  taxonText_->setText(text(m.taxonText));
  clickText_->setText(text(m.clickText));
}

void EditorWindow::reject() { editorClose(shell_, false); }

void EditorWindow::closeEvent(QCloseEvent* e) {
  editorClose(shell_, false);
  e->accept();
}

// --- Group code ---------------------------------------------------------------

bool runGroupCodeDialog(QWidget* parent, std::string& code) {
  QDialog d(parent);
  d.setWindowTitle("Group code");
  auto* edit = new QLineEdit(text(code));
  edit->setMaxLength(kGroupCodeChars);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
  auto* layout = new QVBoxLayout(&d);
  layout->addWidget(new QLabel("Edit group code:"));
  layout->addWidget(edit);
  layout->addWidget(buttons);
  if (d.exec() != QDialog::Accepted) return false;
  code = text(edit->text());
  return true;
}

// --- the windows by name --------------------------------------------------------

DataWindows::~DataWindows() {
  delete preselection_.data();
  delete editor_.data();
  delete threeAxis_.data();
}

bool DataWindows::open(const std::string& name) {
  if (name == "DoptDlgBox") {
    close(name);
    preselection_ = new PreselectionWindow(shell_, parent_);
    preselection_->show();
    return true;
  }
  if (name == "EditDlgBox") {
    close(name);
    editor_ = new EditorWindow(shell_, parent_);
    editor_->show();
    return true;
  }
  if (name == "M3DLGBOX") {
    close(name);
    threeAxis_ = new ThreeAxisWindow(shell_, parent_);
    threeAxis_->setAttribute(Qt::WA_DeleteOnClose);
    threeAxis_->show();
    return true;
  }
  return false;
}

bool DataWindows::close(const std::string& name) {
  if (name == "M3DLGBOX") {
    if (threeAxis_) {
      // Closed by the program: the shell has already noted it.
      threeAxis_->hide();
      threeAxis_->deleteLater();
      threeAxis_.clear();
    }
    return true;
  }
  // The window may be closing from inside one of its own handlers: it goes
  // once control is back in the event loop, and no longer hears the model.
  if (name == "DoptDlgBox") {
    if (preselection_) {
      preselection_->detach();
      preselection_->hide();
      preselection_->deleteLater();
    }
    return true;
  }
  if (name == "EditDlgBox") {
    if (editor_) {
      editor_->detach();
      editor_->hide();
      editor_->deleteLater();
    }
    return true;
  }
  return false;
}

}  // namespace zn
