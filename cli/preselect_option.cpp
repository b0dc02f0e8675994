#include "cli/preselect_option.h"

#include "measures/dispatch.h"
#include "shell/measure_commands.h"
#include "shell/notices.h"
#include "store/preselection.h"

namespace zn {

int takePreselectOption(CliContext& ctx, std::vector<std::string>& args, std::optional<std::filesystem::path>& file) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--preselect") {
      rest.push_back(args[i]);
      continue;
    }
    if (i + 1 >= args.size() || args[i + 1].empty()) {
      ctx.err << "zonarium: --preselect needs a preselection file (.pre)\n";
      return 2;
    }
    file = args[++i];
  }
  args = std::move(rest);
  return 0;
}

bool applyPreselectionFile(CliContext& ctx, Session& s, const std::filesystem::path& file) {
  if (!s.ws.datafile.opened) {
    ctx.err << "zonarium: --preselect needs an open datafile\n";
    return false;
  }
  // Outside the dialog the excluded-areas list waits where the area set
  // would be lent to it.
  const bool loaded = loadPreselectionFile(s.ws, s.settings, s.grid(), s.notices, s.progress, file, s.ws.borrowedAreas);
  showNotices(s, ctx.host);
  if (!loaded) return false;
  applyPreselection(s);
  showNotices(s, ctx.host);
  applyRecompute(s, Recompute::Preselection);
  return true;
}

}  // namespace zn
