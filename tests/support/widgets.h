// Helpers for tests that drive real widgets with Qt input events.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QPushButton>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace zn::test {

// Writes a widget's picture where ZN_SCREENSHOT_DIR says, for a person to
// look at; nothing when it is unset. A widget not on screen is first given
// the size its layout asks for.
inline void saveScreenshot(QWidget& w, const char* name) {
  const char* dir = std::getenv("ZN_SCREENSHOT_DIR");
  if (!dir || !*dir) return;
  std::filesystem::create_directories(dir);
  if (!w.isVisible()) w.adjustSize();
  EXPECT_TRUE(w.grab().save(QString::fromStdString((std::filesystem::path(dir) / name).string())));
}

// A user's click on a button: press and release near its left end, where a
// check box or radio button has its indicator, halfway down.
inline void click(QAbstractButton* b) {
  ASSERT_NE(b, nullptr);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(std::min(8, b->width() / 2), b->height() / 2));
}

// The push button of that label, or a test failure.
inline QPushButton* buttonLabelled(QWidget& w, const QString& label) {
  for (QPushButton* b : w.findChildren<QPushButton*>())
    if (b->text() == label) return b;
  ADD_FAILURE() << "no button " << label.toStdString();
  return nullptr;
}

// A user's entry in a number or text edit: the old text selected and the new
// typed over it; a number edit is then finished with Enter.
inline void typeInto(QWidget* edit, const QString& text) {
  ASSERT_NE(edit, nullptr);
  auto* spin = qobject_cast<QAbstractSpinBox*>(edit);
  if (spin) spin->selectAll();
  if (auto* line = qobject_cast<QLineEdit*>(edit)) line->selectAll();
  QTest::keyClicks(edit, text);
  if (spin) QTest::keyClick(edit, Qt::Key_Return);
}

// The top-level window of type W on screen, or null.
template <class W>
W* shownWindow() {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* w = dynamic_cast<W*>(top); w && w->isVisible()) return w;
  return nullptr;
}

}  // namespace zn::test
