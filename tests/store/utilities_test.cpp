#include <gtest/gtest.h>

#include "shell/data_dialogue.h"
#include "store/binio.h"
#include "store/text.h"
#include "store/utilities.h"
#include "tests/support/data_session.h"

namespace zn {
namespace {

namespace fs = std::filesystem;
using test::fiveTaxa;
using test::padded;
using test::TaxonSpec;

class Utilities : public test::DataSession {
 protected:
  // The taxa count and title of a datafile on disk, and its card names.
  struct OnDisk {
    int count = -1;
    std::string title;
    std::vector<std::string> names, codes;
  };
  static OnDisk inspect(const fs::path& p) {
    OnDisk d;
    const std::string bytes = test::readFile(p);
    if (bytes.size() < 34) return d;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    d.count = readI16(b);
    d.title = fieldText(b + 2, 31);
    for (std::size_t at = 34; at + 1024 <= bytes.size(); at += 1024) {
      d.names.push_back(fieldText(b + at, 32));
      d.codes.push_back(fieldText(b + at + 32, 31));
    }
    return d;
  }
  static std::vector<TaxonSpec> numbered(int n, const std::string& stem) {
    std::vector<TaxonSpec> out;
    for (int i = 0; i < n; ++i) out.push_back({stem + std::to_string(i), std::to_string(i % 9 + 1), {{i + 40, 1}}});
    return out;
  }
};

TEST_F(Utilities, NewDatafileHoldsThreeTaxaOfCodeOneAndIsOpen) {
  fs::path target = home / "equal" / "Fresh.dat";
  host.saveFiles.push_back(target);
  ASSERT_TRUE(newDatafile(s, host));
  ASSERT_EQ(host.saveRequests.size(), 1u);
  EXPECT_EQ(host.saveRequests[0].initialDir, home);
  OnDisk d = inspect(target);
  EXPECT_EQ(d.count, 3);
  EXPECT_EQ(d.title, "New database");
  EXPECT_EQ(d.codes, std::vector<std::string>(3, padded("1")));
  EXPECT_EQ(d.names[0].rfind("new taxon 1 (#", 0), 0u) << d.names[0];
  EXPECT_EQ(d.names[2].rfind("new taxon 3 (#", 0), 0u) << d.names[2];
  EXPECT_TRUE(s.ws.datafile.opened);
  EXPECT_EQ(s.ws.datafile.fileName, "fresh.dat");
  EXPECT_EQ(s.ws.capacity, 53);
  EXPECT_EQ(s.ws.counters.includedTaxa, 3);
  EXPECT_TRUE(s.subgroupDataPresent) << "three taxa give the recount its weights";
  // The file passes the format check of "Open datafile".
  EXPECT_EQ(checkDatafile(s, target).verdict, DatafileCheck::Good);
  EXPECT_TRUE(host.messages.empty());

  // A second one cancelled leaves the open one alone.
  open(fiveTaxa());
  EXPECT_FALSE(newDatafile(s, host));
  EXPECT_TRUE(s.ws.datafile.opened);
  EXPECT_EQ(s.ws.taxaCount, 5);
}

TEST_F(Utilities, JoinPrefixesTheCodesOfEachSource) {
  auto ten = numbered(10, "a");
  ten[3].code = "1234567890123456789012345678901";  // 31 significant characters
  fs::path one = put("equal/one.dat", test::datafileImage("First", ten));
  fs::path two = put("equal/two.dat", test::datafileImage("*Second", numbered(5, "b")));
  fs::path both = home / "equal" / "both.dat";
  host.openFiles = {one, two};
  host.saveFiles = {both};
  ASSERT_TRUE(joinDatafiles(s, host));
  OnDisk d = inspect(both);
  EXPECT_EQ(d.count, 15);
  EXPECT_EQ(d.title, "*Joined database");
  ASSERT_EQ(d.codes.size(), 15u);
  EXPECT_EQ(d.codes[0], padded("11"));
  EXPECT_EQ(d.codes[3], "1123456789012345678901234567890") << "the last character goes";
  EXPECT_EQ(d.codes[10], padded("21"));
  EXPECT_EQ(d.names[14], "b4");
  EXPECT_TRUE(s.ws.datafile.opened);
  EXPECT_EQ(s.ws.taxaCount, 15);
  EXPECT_TRUE(s.ws.datafile.quantitative);
}

TEST_F(Utilities, JoinRefusesGridTypesSourcesAndCountsItCannotJoinAndEndsWhenCancelled) {
  fs::path one = put("equal/one.dat", test::datafileImage("First", numbered(3, "a")));
  fs::path other = put("ravelund/two.dat", test::datafileImage("Second", numbered(3, "b")));
  host.openFiles = {one, other};
  host.saveFiles = {home / "equal" / "both.dat"};
  EXPECT_FALSE(joinDatafiles(s, host));
  EXPECT_EQ(host.messageLines(),
            std::vector<std::string>{"Join data: datafiles of different grid types\ncannot be joined:\n" +
                                     one.string() + "\n" + other.string()});

  fs::path stub = put("equal/stub.dat", "x");
  host.openFiles = {one, stub};
  host.saveFiles = {home / "equal" / "both.dat"};
  host.answers = {Answer::Yes};  // open the odd file anyway
  EXPECT_FALSE(joinDatafiles(s, host));
  EXPECT_EQ(host.messageLines().back(), "Join data: failed to open datafile:\n" + stub.string());
  EXPECT_FALSE(fs::exists(home / "equal" / "both.dat"));

  // Cancelling any of the dialogs ends the command without a word.
  host.messages.clear();
  for (std::size_t opens : {0u, 1u, 2u}) {
    host.openFiles.clear();
    host.saveFiles.clear();
    for (std::size_t i = 0; i < opens; ++i) host.openFiles.push_back(one);
    EXPECT_FALSE(joinDatafiles(s, host)) << opens;
  }
  EXPECT_TRUE(host.messages.empty());

  // Two sources of 16384 blank cards each: one too many for a 16-bit count.
  std::string card(1024, '\0');
  card[62] = '0';
  std::string image;
  putU16(image, 16384);
  image += std::string(32, '\0');
  image.reserve(image.size() + 16384u * 1024u);
  for (int i = 0; i < 16384; ++i) image += card;
  host.openFiles = {put("equal/big1.dat", image), put("equal/big2.dat", image)};
  host.saveFiles = {home / "equal" / "huge.dat"};
  EXPECT_FALSE(joinDatafiles(s, host));
  EXPECT_EQ(host.messageLines(),
            std::vector<std::string>{
                "Join data: The joined datafile would hold 32768 taxa;\na datafile holds at most 32767"});
  EXPECT_FALSE(fs::exists(home / "equal" / "huge.dat"));
}

// The threshold is the count at a quarter of the taxa.
TEST_F(Utilities, DivideByRarityWritesTwoDatafilesBesideTheOpenOne) {
  EXPECT_EQ(rarityThreshold({21, 1, 13, 2, 8, 3, 5, 1}), 2);
  EXPECT_EQ(rarityThreshold({4}), 4);
  EXPECT_EQ(rarityThreshold({}), 0);
  std::vector<TaxonSpec> taxa;
  const int counts[] = {1, 1, 2, 3, 5, 8, 13, 21};
  for (int i = 0; i < 8; ++i) {
    TaxonSpec t{"t" + std::to_string(counts[i]) + "_" + std::to_string(i), "1", {}};
    for (int c = 0; c < counts[i]; ++c) t.levels[100 + c] = 1;
    taxa.push_back(t);
  }
  std::swap(taxa[0], taxa[7]);  // card order is not count order
  fs::path data = open(taxa);
  ASSERT_TRUE(divideByRarity(s, s.notices));
  OnDisk small = inspect(data.parent_path() / "Sm.dat"), large = inspect(data.parent_path() / "Lg.dat");
  EXPECT_EQ(small.count, 2);
  EXPECT_EQ(small.names, (std::vector<std::string>{"t1_1", "t1_0"}));
  EXPECT_EQ(large.count, 6);
  EXPECT_EQ(large.names.front(), "t21_7");
  EXPECT_EQ(small.title, "Test data");
  EXPECT_EQ(test::noticeLines(s),
            std::vector<std::string>{"Divide data: 2 taxa written to Sm.dat\n6 taxa written to Lg.dat"});
}

TEST_F(Utilities, DivideByGroupSplitsOnTheIncludedCode) {
  fs::path data = open(fiveTaxa());
  s.ws.groupCode = "12";
  ASSERT_TRUE(divideByGroup(s, s.notices));
  EXPECT_EQ(inspect(data.parent_path() / "12.dat").names, (std::vector<std::string>{"Beta", "Gamma"}));
  EXPECT_EQ(inspect(data.parent_path() / "not12.dat").names, (std::vector<std::string>{"Alpha", "Delta", "Epsilon"}));

  s.ws.dataModifiedByPreselection = true;
  EXPECT_FALSE(divideByGroup(s, s.notices));
  EXPECT_EQ(test::noticeLines(s).back(), "Divide data: restore data from preselection\nbefore writing data to file");
  EXPECT_EQ(groupFileNames("A/b c"), (std::pair<std::string, std::string>{"a_b_c.dat", "nota_b_c.dat"}));
}

}  // namespace
}  // namespace zn
