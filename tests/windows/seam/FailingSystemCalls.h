// Control of the replacement system-call seam linked into the *Failure_test
// programs: every call goes to the system as usual, except the one a test
// picked, which fails with the error the test gave without reaching it.
#pragma once

#include <windows.h>

namespace failingcalls {

enum class Call {
  CreateKey,
  OpenKey,
  SetValue,
  QueryValue,
  DeleteValue,
  EnumKey,
  DeleteKey,
  CreateShellLinkObject,
  ShellFileOperation,
  kCount
};

// The `n`-th call of `call` from now on (1 = the next one) fails with `error`
// (an LSTATUS, HRESULT or shell result as the call returns). Counting starts
// afresh for every call kind; a new arming replaces the old one.
void FailNth(Call call, int n, long error);
// Forgets every arming and count.
void Reset();
// Calls of `call` since the last Reset.
int CallsOf(Call call);
// Keys opened or created and not yet closed since the last Reset.
int OpenKeys();

}  // namespace failingcalls
