// How the file operations ask whether to try a failed step again. The system
// layer knows nothing of windows: whoever runs an installation hands in the
// way its user is asked (a dialog in the wizard).
#pragma once

#include <string>

class TRetryPrompt {
 public:
  virtual ~TRetryPrompt() = default;
  // `message` says what failed, `path` on what. True when the user chooses
  // to try again; anything else (abort, closing the question) gives up.
  virtual bool Retry(const std::string& message, const std::string& path) = 0;
};
