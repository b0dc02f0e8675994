// Helpers for tests that drive real widgets with Qt input events.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
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

}  // namespace zn::test
