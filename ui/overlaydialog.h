// The Qt face of the "Overlay scores" dialog (OVERLAYDLGBOX): the two ways
// of choosing the cells of an overlay, each labelled with its cell count.
#pragma once

#include <QDialog>

#include <array>
#include <string>

#include "shell/overlay_commands.h"

class QRadioButton;

namespace zn {

class OverlayDialog : public QDialog {
 public:
  OverlayDialog(OverlayDialogModel& model, QWidget* parent = nullptr);
  QRadioButton* orButton() const { return or_; }
  QRadioButton* andButton() const { return and_; }
  QRadioButton* schemeButton(int scheme) const { return schemes_[static_cast<std::size_t>(scheme)]; }

 private:
  OverlayDialogModel& model_;
  QRadioButton* or_;
  QRadioButton* and_;
  std::array<QRadioButton*, 4> schemes_{};
};

// True for "OVERLAYDLGBOX" (any case).
bool isOverlayDialog(const std::string& name);
// Shows it on an OverlayDialogModel; false for another name or model type,
// or when the user cancels (the model is then unchanged).
bool runOverlayDialog(const std::string& name, DialogModel& model, QWidget* parent);

}  // namespace zn
