// The installer's retry question: the error message box with Abort and Retry.
#pragma once

#include "RetryPrompt.h"

class TRetryDialog : public TRetryPrompt {
 public:
  // Only Retry says yes: Abort, the close box and a termination request all
  // give up.
  bool Retry(const std::string& message, const std::string& path) override;
};
