#include "ui/threeaxiswindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/dispatch.h"
#include "shell/overlay_commands.h"

namespace zn {

namespace {
constexpr std::array<const char*, 3> kColourNames{"Green", "Blue", "Red"};

// Widget names: the colour and what the widget sets for it ("blueAxis3").
QString name(int colour, const char* what) {
  return QString::fromLatin1(kColourNames[static_cast<std::size_t>(colour)]).toLower() + what;
}
}  // namespace

ThreeAxisWindow::ThreeAxisWindow(Shell& shell, QWidget* parent) : QDialog(parent), shell_(shell) {
  setWindowTitle("3D Map drawing options");
  setModal(false);
  auto* colours = new QHBoxLayout;
  for (int c = 0; c < 3; ++c) {
    auto* box = new QGroupBox(kColourNames[static_cast<std::size_t>(c)]);
    auto* column = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    for (int a = 0; a < 3; ++a) {
      auto* r = new QRadioButton(QStringLiteral("axis %1").arg(a + 1));
      r->setObjectName(name(c, "Axis") + QString::number(a + 1));
      group->addButton(r, a);
      column->addWidget(r);
      axis_[static_cast<std::size_t>(c)][static_cast<std::size_t>(a)] = r;
    }
    auto* rev = new QCheckBox("Scale reverse");
    rev->setObjectName(name(c, "Reverse"));
    auto* on = new QCheckBox("Scale on/off");
    on->setObjectName(name(c, "Scale"));
    column->addSpacing(6);
    column->addWidget(rev);
    column->addWidget(on);
    reverse_[static_cast<std::size_t>(c)] = rev;
    on_[static_cast<std::size_t>(c)] = on;
    colours->addWidget(box);
  }

  auto* titleBox = new QGroupBox("Axis titles");
  auto* form = new QFormLayout(titleBox);
  for (int a = 0; a < 3; ++a) {
    auto* e = new QLineEdit;
    e->setObjectName(QStringLiteral("axisTitle%1").arg(a + 1));
    e->setMaxLength(80);
    form->addRow(QStringLiteral("axis %1:").arg(a + 1), e);
    titles_[static_cast<std::size_t>(a)] = e;
  }

  anyScore_ = new QCheckBox("use all cells with scores (logical 'or')");
  anyScore_->setObjectName("anyScore");

  auto* mapOptions = new QPushButton("Map options");
  mapOptions->setObjectName("mapOptions");
  auto* redraw = new QPushButton("Redraw");
  redraw->setObjectName("redraw");
  redraw->setDefault(true);
  auto* close = new QPushButton("Close");
  connect(mapOptions, &QPushButton::clicked, this, [this] { shell_.dispatch(Command::MapdrawOptions); });
  connect(redraw, &QPushButton::clicked, this, [this] { apply(); });
  connect(close, &QPushButton::clicked, this, [this] { this->close(); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(mapOptions);
  buttons->addStretch(1);
  buttons->addWidget(redraw);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(colours);
  layout->addWidget(titleBox);
  layout->addWidget(anyScore_);
  layout->addLayout(buttons);
  refresh();
}

void ThreeAxisWindow::refresh() {
  const ThreeAxisBuffer& b = shell_.session.overlay.threeAxis;
  for (std::size_t c = 0; c < 3; ++c) {
    axis_[c][static_cast<std::size_t>(std::clamp(b.axisOfColour[c], 0, 2))]->setChecked(true);
    reverse_[c]->setChecked(b.reversed[c]);
    on_[c]->setChecked(b.on[c]);
    titles_[c]->setText(QString::fromStdString(b.titles[c]));
  }
  anyScore_->setChecked(b.anyScore);
}

void ThreeAxisWindow::apply() {
  ThreeAxisBuffer& b = shell_.session.overlay.threeAxis;
  if (!b.loaded) return;
  for (std::size_t c = 0; c < 3; ++c) {
    for (int a = 0; a < 3; ++a)
      if (axis_[c][static_cast<std::size_t>(a)]->isChecked()) b.axisOfColour[c] = a;
    b.reversed[c] = reverse_[c]->isChecked();
    b.on[c] = on_[c]->isChecked();
    b.titles[c] = titles_[c]->text().toStdString();
  }
  b.anyScore = anyScore_->isChecked();
  plotThreeAxis(shell_);
  shell_.host.requestRedraw();
}

void ThreeAxisWindow::closeEvent(QCloseEvent* e) {
  shell_.flags.threeAxisWindowOpen = false;
  shell_.refreshMenus();
  e->accept();
}

void ThreeAxisWindow::reject() { close(); }

}  // namespace zn
