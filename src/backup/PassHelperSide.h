#pragma once
// The backup helper's side of a pass: the whole pass runs here, away from whoever waits on it (the
// window, or the command line), which answers its asks over the helper's two streams. Whatever
// the office does, the waiting side only ever waits for lines.

#include <iosfwd>

#include "backup/RunPass.h"

namespace tg {

// Runs one pass, asking the waiting side through `toWindow` and reading its answers from
// `fromWindow`, then says "done". Throws when the waiting side is gone (its stream ended) in the
// middle of an ask; one that garbles an answer counts as gone from then on.
void ServePass(std::istream& fromWindow, std::ostream& toWindow,
               const PassEnvironment& environment);

// The backup helper's whole life on any platform: ServePass, with a failure that ends it early
// told in one line on `errors`. Returns the helper's exit status.
int ServeHelperPass(std::istream& fromWindow, std::ostream& toWindow, std::ostream& errors,
                    const PassEnvironment& environment);

}  // namespace tg
