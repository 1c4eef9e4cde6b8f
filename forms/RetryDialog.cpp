#include "RetryDialog.h"

#include "LocalizedMessageDlg.h"

bool TRetryDialog::Retry(const std::string& message, const std::string& path) {
  const int answer =
      LocalizedMessageDlg(message + "\r" + path, "Ошибка", dlg::kError, dlg::kAbort | dlg::kRetry);
  return answer == dlg::kResultRetry;
}
