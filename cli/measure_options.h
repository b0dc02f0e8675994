// The measure options shared by the zonarium subcommands that compute a
// measure (measure, render, select): the measure names, the --set keys, the
// option parser and the run that leaves the measure's scores in a session.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli.h"

namespace zn {

struct MeasureName {
  std::string name;
  MeasureCode code;
};

// The measures `--measure`/NAME accepts, in the order the messages list them.
const std::vector<MeasureName>& measureNames();
// The code of a measure name, if it names one.
std::optional<MeasureCode> measureCodeByName(const std::string& name);
// The same, with a message listing the valid names on ctx.err for none.
std::optional<MeasureCode> measureCodeOrRefuse(CliContext& ctx, const std::string& name);

// One --set KEY=VALUE. check refuses a value before any work is done; apply
// puts it into the session once the datafile is open (it may still refuse,
// with a message, when the value only fails against the data).
struct SetKey {
  std::string name;
  std::string values;  // the valid values as the refusal lists them
  std::function<bool(const std::string& value)> check;
  std::function<bool(CliContext&, Session&, const std::string& value)> apply;
  bool preselection = false;  // the data must be recounted after it
};

// The keys of `zonarium measure`. A subcommand with more keys copies this
// list and appends its own.
std::vector<SetKey> measureSetKeys();

enum class KeyScope;
// Appends the keys of the settings table that `scope` takes, in its order.
void appendSettingKeys(std::vector<SetKey>& keys, KeyScope scope);
// "[--set KEY=A|B] ...": those keys with their words, as a usage lists them.
std::string settingKeysUsage(KeyScope scope);

struct MeasureOptions {
  std::string measure;  // from --measure NAME (measure takes it as a positional)
  std::optional<std::filesystem::path> areas;
  std::optional<std::filesystem::path> preselect;         // --preselect FILE.pre
  std::vector<std::pair<std::string, std::string>> sets;  // in the order given
  std::vector<std::string> taxa;
  int meanPasses = 0;
  int smoothPasses = 0;
};

// Takes --measure, --areas, --preselect, --set, --taxa, --mean and --smooth out of args;
// everything else goes to rest in order. Returns 0, or 2 after a message on
// ctx.err for an unknown key or an invalid value.
int parseMeasureOptions(CliContext& ctx, const std::vector<std::string>& args, MeasureOptions& opts,
                        std::vector<std::string>& rest, const std::vector<SetKey>& keys);

// Opens the datafile as "Open datafile" does (richness on the map), applies
// the preselection file, then the settings (a group code or excluded level
// given with --set overrides the file's), loads the area set, then runs the
// measure's menu command, the mean passes and the smoothing passes, each
// followed by the title builder. Returns 0, 1 when the datafile or the area
// file cannot be used, or 2 for a request the data refuse.
int prepareMeasure(CliContext& ctx, Session& s, const MeasureOptions& opts, const std::filesystem::path& datafile,
                   const std::vector<SetKey>& keys);

struct Analysis;
struct RequestValues;
// Checks a request against its analysis's entry on the session it would run
// on: warnings and a refusal go to ctx (a refusal the window shows in a box,
// as the box). 0, or the exit status.
int refuseOrWarn(CliContext& ctx, const Analysis& a, Session& s, const RequestValues& values, bool threatPresent);

// "title: <map title>" and one "cell score count" line per cell.
std::string formatCellScores(const Session& s);

int cmdMeasure(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace zn
