// The RESULTS monitor: a top-level window showing the tail of RESULTS.TXT.
#pragma once

#include <QWidget>

#include <filesystem>

namespace zn {

class MonitorWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MonitorWindow(std::filesystem::path file);

 Q_SIGNALS:
  void closedByUser();
  void movedOrResized();

 protected:
  void paintEvent(QPaintEvent*) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  std::filesystem::path file_;
};

}  // namespace zn
