// The help window: the program's manual, bundled as HTML in the program folder.
#pragma once

#include <QDialog>

#include <filesystem>

class QTextBrowser;

namespace zn {

class HelpWindow : public QDialog {
  Q_OBJECT
 public:
  HelpWindow(std::filesystem::path home, QWidget* parent);
  void showPage(const QString& page);

 private:
  std::filesystem::path home_;
  QTextBrowser* browser_;
};

}  // namespace zn
