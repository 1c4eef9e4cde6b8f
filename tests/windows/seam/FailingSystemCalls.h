// Control of the replacement system-call seam linked into the *Failure_test
// programs: every call goes to the system as usual, except the one a test
// picked, which fails with the error the test gave without reaching it, or
// ends the process on the spot, as a power cut would.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace failingcalls {

enum class Call {
  CreateKey,
  OpenKey,
  SetValue,
  QueryValue,
  DeleteValue,
  EnumKey,
  EnumValue,
  DeleteKey,
  CreateShellLinkObject,
  SaveShellLink,
  ShellFileOperation,
  CreateFileAt,
  WriteToFile,
  FlushFile,
  SetLastWriteTime,
  SetAttributesOf,
  CreateFolder,
  RemoveFolder,
  DeleteFileAt,
  MoveEntry,
  CopyFileTo,
  CreateSecuredFolder,
  FlushKey,
  ListProcesses,
  FindFileHolders,
  PostCloseRequest,
  kCount
};

// The `n`-th call of `call` from now on (1 = the next one) fails with `error`
// (an LSTATUS, HRESULT, shell result or system error code as the call
// reports it). Counting starts afresh for every call kind; a new arming
// replaces the old one.
void FailNth(Call call, int n, long error);
// What a failing call of the kind reports when the test does not choose: a
// full disk for writes, a denied access, a file in use.
long TypicalError(Call call);
// The `n`-th call of any kind from now on fails, with an error typical of
// its kind (a full disk for writes, a denied access, a file in use).
void FailAnyNth(int n);
// The process ends (exit code 99, nothing flushed, no destructor run) just
// before the `n`-th call of any kind from now on reaches the system.
void EndAnyNth(int n);
// EndAnyNth with a power cut: what this process changed and had not yet
// flushed is lost (see PowerCut.h). Files it still holds cannot be cut back
// from inside, so it leaves what is at risk in the file `lossList` and ends;
// LoseUnflushedWrites(lossList) then takes it back, once it is gone.
void CutPowerAnyNth(int n, const std::wstring& lossList);
// False when there is no such list: the process ended before its cut.
bool LoseUnflushedWrites(const std::wstring& lossList);
// Forgets every arming and count.
void Reset();
// Calls of `call`, and of every kind, since the last Reset.
int CallsOf(Call call);
int AllCalls();
// The kind of the `n`-th call since the last Reset, and its count among the
// calls of that kind: FailNth(kind, count) after a Reset fails that call.
std::pair<Call, int> KindOfCall(int n);
// The kind of the last call that was failed, as text ("" when none was).
const char* LastFailed();
// The count of all calls at the last call that was failed (0 when none was).
int FailedAt();
// Keys opened or created and not yet closed since the last Reset.
int OpenKeys();

}  // namespace failingcalls
