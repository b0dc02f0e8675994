#include "store/files.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/file_limit.h"
#include "tests/support/fixtures.h"

namespace zn {
namespace {

namespace fs = std::filesystem;

std::set<std::string> entries(const fs::path& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
  return out;
}

unsigned modeOf(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0xFFFFu;
}

using test::FileSizeLimit;

TEST(ReadFile, ReadsWholeFilesAndPipesAndStopsAtTheLimit) {
  test::TempDir tmp;
  const fs::path file = tmp.path() / "data.bin";
  std::string bytes(200000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  test::writeFile(file, bytes);
  EXPECT_EQ(readFileBytes(file), bytes);
  EXPECT_EQ(readFileBytes(file, bytes.size()), bytes);
  EXPECT_EQ(readFileBytes(file, 10), bytes.substr(0, 10));
  EXPECT_EQ(readFileBytes(file, 0), std::string());
  test::writeFile(file, "");
  EXPECT_EQ(readFileBytes(file), std::string());
  EXPECT_FALSE(readFileBytes(tmp.path() / "missing"));
  EXPECT_FALSE(readFileBytes(tmp.path()));  // a folder
  // A pipe, whose size is unknown, is read to its end.
  const fs::path fifo = tmp.path() / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  bytes.assign(300000, 'x');
  std::thread writer([&] { test::writeFile(fifo, bytes); });
  const auto got = readFileBytes(fifo);
  writer.join();
  EXPECT_EQ(got, bytes);
}

TEST(SaveFile, APlantedLinkAtTheOldTemporaryNameRedirectsNothing) {
  test::TempDir tmp;
  const fs::path victim = tmp.path() / "victim";
  const fs::path target = tmp.path() / "data.dat";
  test::writeFile(victim, "untouched");
  fs::create_symlink(victim, tmp.path() / "data.dat.tmp~");
  ASSERT_TRUE(saveFileAtomically(target, "saved"));
  EXPECT_EQ(test::readFile(victim), "untouched");
  EXPECT_EQ(test::readFile(target), "saved");
  EXPECT_EQ(entries(tmp.path()), (std::set<std::string>{"victim", "data.dat", "data.dat.tmp~"}));
}

TEST(SaveFile, KeepsTheModeOfTheOldFileThroughALinkAndGivesANewOneTheUsualMode) {
  test::TempDir tmp;
  const fs::path secret = tmp.path() / "secret.dat";
  test::writeFile(secret, "old");
  fs::permissions(secret, fs::perms(0600));
  ASSERT_TRUE(saveFileAtomically(secret, "new"));
  EXPECT_EQ(modeOf(secret), 0600u);
  EXPECT_EQ(test::readFile(secret), "new");

  const mode_t mask = ::umask(022);
  ::umask(mask);
  ASSERT_TRUE(saveFileAtomically(tmp.path() / "fresh.dat", "x"));
  EXPECT_EQ(modeOf(tmp.path() / "fresh.dat"), 0666u & ~mask);

  // Through a symbolic link: the link stays and the file keeps its mode.
  fs::create_directory(tmp.path() / "store");
  const fs::path real = tmp.path() / "store" / "real.dat";
  const fs::path link = tmp.path() / "link.dat";
  test::writeFile(real, "old");
  fs::permissions(real, fs::perms(0640));
  fs::create_symlink("store/real.dat", link);
  ASSERT_TRUE(saveFileAtomically(link, "through the link"));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  EXPECT_EQ(test::readFile(real), "through the link");
  EXPECT_EQ(modeOf(real), 0640u);
  EXPECT_EQ(entries(tmp.path() / "store"), std::set<std::string>{"real.dat"});
}

TEST(SaveFile, RefusesTargetsThatAreNotRegularFilesAndAFailedWriteKeepsTheOldFile) {
  test::TempDir tmp;
  const fs::path fifo = tmp.path() / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  fs::create_directory(tmp.path() / "folder");
  fs::create_symlink("pipe", tmp.path() / "to-pipe");
  const auto before = entries(tmp.path());
  EXPECT_FALSE(saveFileAtomically(fifo, "x"));
  EXPECT_FALSE(saveFileAtomically(tmp.path() / "folder", "x"));
  EXPECT_FALSE(saveFileAtomically(tmp.path() / "to-pipe", "x"));
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(tmp.path() / "to-pipe")));
  EXPECT_TRUE(fs::is_directory(tmp.path() / "folder"));
  EXPECT_EQ(entries(tmp.path()), before);
  EXPECT_FALSE(saveFileAtomically(tmp.path() / "no-folder" / "x.dat", "x"));

  // A write the disk cannot hold keeps the old file and leaves nothing beside it.
  fs::create_directory(tmp.path() / "full");
  const fs::path target = tmp.path() / "full" / "data.dat";
  test::writeFile(target, "the old contents");
  bool saved = true;
  {
    FileSizeLimit limit(4096);
    saved = saveFileAtomically(target, std::string(100000, 'n'));
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(test::readFile(target), "the old contents");
  EXPECT_EQ(entries(tmp.path() / "full"), std::set<std::string>{"data.dat"});
}

TEST(SaveFile, TemporaryFilesLeftByAKilledSaveGoAtTheNextSave) {
  test::TempDir tmp;
  const fs::path target = tmp.path() / "data.dat";
  // The process id of a process that has ended.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string dead = ".data.dat." + std::to_string(child) + ".0.00ff.tmp";
  const std::string alive = ".data.dat." + std::to_string(::getppid()) + ".0.00ff.tmp";
  for (const std::string& name : {dead, alive, std::string(".data.dat.notes.tmp"),
                                  std::string(".other.dat." + std::to_string(child) + ".0.1.tmp")})
    test::writeFile(tmp.path() / name, "left behind");
  ASSERT_TRUE(saveFileAtomically(target, "saved"));
  EXPECT_EQ(entries(tmp.path()), (std::set<std::string>{"data.dat", alive, ".data.dat.notes.tmp",
                                                        ".other.dat." + std::to_string(child) + ".0.1.tmp"}));
}

TEST(SaveFile, TwoWritersOfOneFileNeverMixTheirContents) {
  test::TempDir tmp;
  const fs::path target = tmp.path() / "shared.dat";
  const std::string a(200000, 'a'), b(150000, 'b');
  int failedA = 0, failedB = 0;
  std::thread ta([&] {
    for (int i = 0; i < 60; ++i) failedA += !saveFileAtomically(target, a);
  });
  std::thread tb([&] {
    for (int i = 0; i < 60; ++i) failedB += !saveFileAtomically(target, b);
  });
  ta.join();
  tb.join();
  EXPECT_EQ(failedA + failedB, 0);
  const std::string got = test::readFile(target);
  EXPECT_TRUE(got == a || got == b) << "size " << got.size();
  EXPECT_EQ(entries(tmp.path()), std::set<std::string>{"shared.dat"});
}

class ProgramFolder : public ::testing::Test {
 protected:
  test::TempDir tmp;
  fs::path shipped = tmp.path() / "shipped";
  fs::path home = tmp.path() / "home";
  void SetUp() override {
    test::writeFile(shipped / "ZONARIUM.MAP", std::string(3000, 'm'));
    test::writeFile(shipped / "ZONARIUM.@17", "coastline bytes");
    test::writeFile(shipped / "equal" / "sample.dat", "sample data of the world grid");
    test::writeFile(shipped / "equal" / "notes.txt", "shipped notes, long version");
  }
};

// A failed copy is named and leaves nothing that counts as copied, and the
// next start copies it; copies cut short by a full disk or a kill are copied
// again, while files the user changed stay.
TEST_F(ProgramFolder, FailedOrCutShortCopiesAreCopiedAgainAtTheNextStart) {
  test::writeFile(home / "equal" / "notes.txt", "my own notes");  // the user's before any start
  std::vector<fs::path> failed;
  {
    FileSizeLimit limit(1000);  // the map file does not fit
    ASSERT_TRUE(populateProgramFolder(home, shipped, &failed));
  }
  EXPECT_EQ(failed, std::vector<fs::path>{home / "ZONARIUM.MAP"});
  EXPECT_FALSE(fs::exists(home / "ZONARIUM.MAP"));
  EXPECT_EQ(entries(home), (std::set<std::string>{"ZONARIUM.@17", "equal"}));
  // The next start copies it.
  failed.clear();
  ASSERT_TRUE(populateProgramFolder(home, shipped, &failed));
  EXPECT_TRUE(failed.empty());
  EXPECT_EQ(test::readFile(home / "ZONARIUM.MAP"), std::string(3000, 'm'));

  test::writeFile(home / "ZONARIUM.MAP", "");           // empty
  test::writeFile(home / "ZONARIUM.@17", "coastline");  // cut short
  failed.clear();
  ASSERT_TRUE(populateProgramFolder(home, shipped, &failed));
  EXPECT_TRUE(failed.empty());
  EXPECT_EQ(test::readFile(home / "ZONARIUM.MAP"), std::string(3000, 'm'));
  EXPECT_EQ(test::readFile(home / "ZONARIUM.@17"), "coastline bytes");
  EXPECT_EQ(test::readFile(home / "equal" / "sample.dat"), "sample data of the world grid");
  EXPECT_EQ(test::readFile(home / "equal" / "notes.txt"), "my own notes");
}

}  // namespace
}  // namespace zn
