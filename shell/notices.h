// Showing what the core left to tell, and asking the questions it reports.
#pragma once

#include "shell/host.h"
#include "store/session.h"

namespace zn {

// Shows the session's notices as OK message boxes, in order, and clears them.
void showNotices(Session& s, Host& host);

// Shows one notice with the given buttons; the answer.
Answer showNotice(Host& host, const Notice& notice, Buttons buttons = Buttons::Ok);

}  // namespace zn
