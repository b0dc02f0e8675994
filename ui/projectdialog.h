// "New project": the units (a regular grid or a polygon layer with its id,
// cost and status fields), the occurrences to add (with the GBIF import's
// filters) and the file to save, bound to the shell's NewProjectModel. OK
// keeps the dialog open while a value cannot be used and says which.
#pragma once

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

#include "shell/newproject.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTimer;

namespace zn {

struct GbifFilterFields;

class NewProjectDialog : public QDialog {
 public:
  NewProjectDialog(NewProjectModel& model, QWidget* parent);
  ~NewProjectDialog() override;  // the filter fields are complete only in the .cpp

  QRadioButton* gridUnits() const { return gridUnits_; }
  QRadioButton* layerUnits() const { return layerUnits_; }
  QComboBox* cell() const { return cell_; }
  QLineEdit* crs() const { return crs_; }
  QCheckBox* hex() const { return hex_; }
  QLineEdit* extent() const { return extent_; }
  QLineEdit* layer() const { return layer_; }
  QComboBox* idField() const { return id_; }
  QComboBox* costField() const { return cost_; }
  QComboBox* statusField() const { return status_; }
  QLineEdit* layerCrs() const { return layerCrs_; }
  QComboBox* format() const { return format_; }
  QLineEdit* input() const { return input_; }
  QGroupBox* filters() const { return filters_; }
  QLineEdit* output() const { return output_; }
  QLabel* problem() const { return problem_; }
  QPushButton* okButton() const { return ok_; }

  // The pause in typing a layer's name after which its fields are read.
  static constexpr int kLayerPauseMs = 400;

 private:
  QWidget* gridPage();
  QWidget* layerPage();
  QGroupBox* occurrencesBox();
  void suggestCrs();
  void readLayerFields();
  void formatChanged();
  void browseLayer();
  void browseInput();
  void browseOutput();
  void tryAccept();

  NewProjectModel& m_;
  QString suggested_;  // the CRS last put in for the cell size
  QRadioButton *gridUnits_, *layerUnits_;
  QStackedWidget* unitPages_;
  QComboBox* cell_;
  QLineEdit *crs_, *extent_, *layer_, *layerCrs_, *input_, *output_;
  QCheckBox* hex_;
  QComboBox *id_, *cost_, *status_, *format_;
  QTimer* layerPause_;                    // a pause in typing the layer's name reads it
  std::optional<std::string> readLayer_;  // the name last read, so one name is read once
  QGroupBox* filters_;
  std::unique_ptr<GbifFilterFields> gbif_;
  QLabel* problem_;
  QPushButton* ok_;
};

bool isProjectDialog(const std::string& name);

}  // namespace zn
