// The settings a user can change by name, each written once: the controls of
// the option dialogs that set it, its key and words on the tool's command
// line (`--set KEY=VALUE`), its range, and the rule that ties it to another
// setting. "Tools options" and the tool's keys, their refusals and their
// usage text are all read from this table, so the two cannot drift apart.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/options.h"
#include "store/settings.h"

namespace zn {

// The tool's commands that take a key: every command that computes a
// measure, those that also run an area selection, and the cell listing.
enum class KeyScope { None, Measure, Selection, CellList };

// One word of a key and the control it stands for: a radio chosen, or a
// check box ticked (on) or cleared.
struct OptionWord {
  const char* word = nullptr;
  Control control;
  bool on = true;
};

struct OptionSetting {
  const char* key = nullptr;  // the --set key; none for a setting only the window changes
  KeyScope scope = KeyScope::None;
  std::vector<OptionWord> words;  // a choice, its words in the order refusals list them
  Control number{};               // or a number edit, taking low … high
  int low = 0, high = 0;
  // A count of representations wanted per taxon.
  bool representations = false;
  // Run after every change of this setting: what it does to another one,
  // and why, for the tool's refusal of two values whose order would decide.
  void (*tie)(Settings&) = nullptr;
  const char* tieReason = nullptr;
};

const std::vector<OptionSetting>& optionSettings();
// The setting a control or a key belongs to, if the table has one.
const OptionSetting* optionSettingOf(const Control& c);
const OptionSetting* optionSettingByKey(std::string_view key);

// "0, 1, 2" or "a whole number from 1 to 99", as a refusal lists the values.
std::string optionValuesText(const OptionSetting& o);
// The number a value of a number setting stands for (checked against the range).
std::optional<int> optionNumber(const OptionSetting& o, std::string_view value);
bool optionValueValid(const OptionSetting& o, std::string_view value);
// Stores a value as the dialog stores the same choice, its rule included;
// false (and nothing stored) for a value the setting does not take.
bool applyOptionValue(Settings& s, const OptionSetting& o, std::string_view value);
// The words of a choice joined by `separator`: "0|1" for a usage line.
std::string optionWords(const OptionSetting& o, const char* separator);

// A check box ticked or cleared, or a radio chosen (clearing one does
// nothing): the field it is bound to, or the fields its rule spans, then
// the tie of its setting. False for a control that stores nothing.
bool chooseOption(Settings& s, const Control& c, bool on);
bool optionChecked(const Settings& s, const Control& c);
// A number edit set to `value` within its range, then the tie of its setting.
void setOptionNumber(Settings& s, const Control& c, int value);
std::pair<int, int> optionRange(const Control& c);
// Runs the tie of the control's setting on its own, as when a record is
// opened whose stored values disagree.
void applyOptionTie(Settings& s, const Control& c);

// Two values whose order would decide the outcome (the rule of one undoes
// the other): the reason. Null when either order gives the same record.
const char* optionConflict(const OptionSetting& a, std::string_view va, const OptionSetting& b, std::string_view vb);

}  // namespace zn
