// COM for the GUI thread: the single-threaded apartment the shell-link object
// lives in, entered for the lifetime of a TComApartment (one, at program
// start), and an owning pointer for the interfaces obtained inside it.
#pragma once

#include <windows.h>
#include <objbase.h>

class TComApartment {
 public:
  TComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  // Only a successful initialisation (S_OK, or S_FALSE when the thread was
  // already in the apartment) is balanced by an uninitialisation.
  ~TComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

 private:
  HRESULT result_;
};

// Holds one reference to a COM interface and releases it when destroyed.
template <class Interface>
class TComPtr {
 public:
  TComPtr() = default;
  ~TComPtr() { Reset(); }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;

  Interface* operator->() const { return pointer_; }
  Interface* Get() const { return pointer_; }
  // For the calls that hand out a new reference through an out-parameter.
  Interface** Receive() {
    Reset();
    return &pointer_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
  void Reset() {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = nullptr;
  }

 private:
  Interface* pointer_ = nullptr;
};
