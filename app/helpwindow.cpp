#include "app/helpwindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace zn {

HelpWindow::HelpWindow(std::filesystem::path home, QWidget* parent)
    : QDialog(parent), home_(std::move(home)), browser_(new QTextBrowser(this)) {
  setWindowTitle("ZONARIUM Help");
  setModal(false);
  resize(760, 640);
  browser_->setOpenExternalLinks(false);
  browser_->setSearchPaths({QString::fromStdString((home_ / "help").string())});
  auto* back = new QPushButton("&Back", this);
  auto* contents = new QPushButton("&Contents", this);
  auto* close = new QPushButton("Close", this);
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(contents, &QPushButton::clicked, this, [this] { showPage("index.html"); });
  connect(close, &QPushButton::clicked, this, &QDialog::hide);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(back);
  buttons->addWidget(contents);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_);
  layout->addLayout(buttons);
}

void HelpWindow::showPage(const QString& page) {
  auto file = home_ / "help" / page.toStdString();
  if (std::filesystem::exists(file)) browser_->setSource(QUrl::fromLocalFile(QString::fromStdString(file.string())));
  else
    browser_->setHtml(QString("<h2>Help not found</h2><p>The manual should be in %1.</p>")
                          .arg(QString::fromStdString((home_ / "help").string()).toHtmlEscaped()));
  show();
  raise();
}

}  // namespace zn
