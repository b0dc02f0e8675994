// Writes a widget's picture where ZN_SCREENSHOT_DIR says, for a person to
// look at; nothing when it is unset.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <cstdlib>
#include <filesystem>

namespace zn::test {

inline void saveScreenshot(QWidget& w, const char* name) {
  const char* dir = std::getenv("ZN_SCREENSHOT_DIR");
  if (!dir || !*dir) return;
  std::filesystem::create_directories(dir);
  w.adjustSize();
  EXPECT_TRUE(w.grab().save(QString::fromStdString((std::filesystem::path(dir) / name).string())));
}

}  // namespace zn::test
