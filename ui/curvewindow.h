// The "Representation curves" window: the chart, the values under the
// mouse, and Save (PNG, SVG, PDF) and Copy.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include <QWidget>

#include "selection/curves.h"
#include "store/requests.h"

class QChartView;
class QLabel;
class QPushButton;

namespace zn {

class CurveWindow : public QWidget {
  Q_OBJECT
 public:
  CurveWindow(CurveSet curves, std::string dataTitle, QWidget* parent = nullptr);

  // Asked for the file on Save; by default the platform's save dialog.
  std::function<std::optional<std::filesystem::path>()> chooseFile;

  QChartView* view() const { return view_; }
  QLabel* valuesLabel() const { return values_; }
  // The readout in full; the label shows it elided to its width.
  const QString& valuesText() const { return fullValues_; }
  QPushButton* saveButton() const { return save_; }
  QPushButton* copyButton() const { return copy_; }
  const CurveSet& curves() const { return curves_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void saveChart();
  void copyChart();
  void showValues(const QString& text);

  CurveSet curves_;
  std::string dataTitle_;
  QChartView* view_ = nullptr;
  QLabel* values_ = nullptr;
  QString fullValues_;
  QPushButton* save_ = nullptr;
  QPushButton* copy_ = nullptr;
};

// Opens the window for a CurveChartModel, modeless; true when it was one.
bool showCurveWindow(DialogModel& model, QWidget* parent);

}  // namespace zn
