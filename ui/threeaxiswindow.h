// "3D Map drawing options": the modeless window of a three-axis import. It
// puts a score column on each colour, reverses or switches off a colour's
// scale, names the axes, and redraws the map with the choice.
#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace zn {

class Shell;

class ThreeAxisWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ThreeAxisWindow(Shell& shell, QWidget* parent = nullptr);

  // Colour 0 green, 1 blue, 2 red; axis 0 ... 2.
  QRadioButton* axisButton(int colour, int axis) const { return axis_[colour][axis]; }
  QCheckBox* reverseBox(int colour) const { return reverse_[colour]; }
  QCheckBox* onBox(int colour) const { return on_[colour]; }
  QLineEdit* titleEdit(int axis) const { return titles_[axis]; }
  QCheckBox* anyScoreBox() const { return anyScore_; }

  // Shows the buffer's settings again.
  void refresh();
  // Writes the choices into the buffer and redraws the map ("Redraw").
  void apply();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  Shell& shell_;
  std::array<std::array<QRadioButton*, 3>, 3> axis_{};
  std::array<QCheckBox*, 3> reverse_{};
  std::array<QCheckBox*, 3> on_{};
  std::array<QLineEdit*, 3> titles_{};
  QCheckBox* anyScore_ = nullptr;
};

}  // namespace zn
