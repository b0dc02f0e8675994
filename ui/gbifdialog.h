// The "Import GBIF occurrences" options (GBIFDLGBOX): the filters and the
// rank of the taxa, bound to the model in gis/. OK keeps the dialog open
// while a value cannot be used and says which.
#pragma once

#include <QDialog>

#include "gis/gbif.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;

namespace zn {

// The import's filter fields as rows of a form, shown with the model's
// values; read() gives what they hold. "New project" offers the same.
struct GbifFilterFields {
  GbifFilterFields(const GbifDialogModel& m, QFormLayout* form, QWidget* parent);
  GbifDialogModel read() const;

  QLineEdit *uncertainty, *basis, *years;
  QComboBox* rank;
  QCheckBox* quantitative;
  QLabel* basisNote;
};

class GbifImportDialog : public QDialog {
 public:
  GbifImportDialog(GbifDialogModel& model, QWidget* parent);

  QLineEdit* uncertainty() const { return fields_.uncertainty; }
  QLineEdit* basis() const { return fields_.basis; }
  QLineEdit* years() const { return fields_.years; }
  QComboBox* rank() const { return fields_.rank; }
  QCheckBox* quantitative() const { return fields_.quantitative; }
  QLabel* problem() const { return problem_; }
  QLabel* basisNote() const { return fields_.basisNote; }

 private:
  void tryAccept();

  GbifDialogModel& m_;
  QFormLayout* form_;
  GbifFilterFields fields_;
  QLabel* problem_;
};

bool isGbifDialog(const std::string& name);
bool runGbifDialog(DialogModel& model, QWidget* parent);

}  // namespace zn
