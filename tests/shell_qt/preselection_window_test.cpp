// The "Data preselection" window of both programs: a preselection file
// loaded with "Load file" adds to what the window holds.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "store/preselection.h"
#include "tests/support/desktop.h"
#include "ui/datawindows.h"

namespace zn::test {
namespace {

class PreselectionWindowTest : public BothPrograms {};

TEST_P(PreselectionWindowTest, LoadFileKeepsTheTypedGroupCodeWhenTheFileHasNone) {
  drawn();
  // A code some but not all taxa share: the first letter or two of the
  // first taxon's code.
  const std::string full = significantCode(session->ws, 0);
  ASSERT_FALSE(full.empty());
  const std::string code = full.substr(0, std::min<std::size_t>(2, full.size()));
  int cell = 1;
  while (cell < session->ws.geo.cells && session->ws.cells[static_cast<std::size_t>(cell)].count == 0) ++cell;
  const fs::path file = tmp.path() / "cells.pre";
  writeFile(file, "[included group code]\n[excluded data level]\n[excluded taxa]\n[excluded areas]\n" +
                      std::to_string(cell) + "\n[end]\n");

  choose("Data &preselection");
  PreselectionWindow* w = window->dataWindows().preselection();
  ASSERT_NE(w, nullptr);
  QTest::keyClicks(w->groupCode(), QString::fromStdString(code));
  host.presetOpenFile(file);
  QPushButton* load = buttonLabelled(*w, "Load file");
  ASSERT_NE(load, nullptr);
  QTest::mouseClick(load, Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  EXPECT_FALSE(shell->flags.preselectionDialogOpen);
  EXPECT_EQ(session->ws.groupCode, code);
  EXPECT_TRUE(session->ws.dataModifiedByPreselection);
  for (int t = 0; t < session->ws.taxaCount; ++t)
    ASSERT_EQ(session->ws.cards.level(t, cell), 0) << "the file's cell " << cell << ", taxon " << t;
}

INSTANTIATE_TEST_SUITE_P(Programs, PreselectionWindowTest, ::testing::Values(GridVariant::World, GridVariant::Britain),
                         [](const auto& param_info) { return std::string(programName(param_info.param)); });

}  // namespace
}  // namespace zn::test
