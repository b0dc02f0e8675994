// The "Import GBIF occurrences" options (GBIFDLGBOX): the filters and the
// rank of the taxa, bound to the model in gis/. OK keeps the dialog open
// while a value cannot be used and says which.
#pragma once

#include <QDialog>

#include "gis/gbif.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace zn {

class GbifImportDialog : public QDialog {
 public:
  GbifImportDialog(GbifDialogModel& model, QWidget* parent);

  QLineEdit* uncertainty() const { return uncertainty_; }
  QLineEdit* basis() const { return basis_; }
  QLineEdit* years() const { return years_; }
  QComboBox* rank() const { return rank_; }
  QCheckBox* quantitative() const { return quantitative_; }
  QLabel* problem() const { return problem_; }
  QLabel* basisNote() const { return basisNote_; }

 private:
  void tryAccept();

  GbifDialogModel& m_;
  QLineEdit *uncertainty_, *basis_, *years_;
  QComboBox* rank_;
  QCheckBox* quantitative_;
  QLabel *problem_, *basisNote_;
};

bool isGbifDialog(const std::string& name);
bool runGbifDialog(DialogModel& model, QWidget* parent);

}  // namespace zn
