#pragma once
// Exception classes of the archive component and of the small runtime under it.
// Each knows its class name, because messages to users name it
// ("a.zip: EFatalUnzipError: Premature end of file reached").
#include <stdexcept>
#include <string>

namespace uz {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  virtual const char* ClassName() const { return "Exception"; }
};

#define UZ_EXCEPTION_CLASS(Name, Base)                           \
  class Name : public Base {                                     \
   public:                                                       \
    explicit Name(const std::string& message) : Base(message) {} \
    const char* ClassName() const override { return #Name; }     \
  };

UZ_EXCEPTION_CLASS(EListError, Exception)
UZ_EXCEPTION_CLASS(EStreamError, Exception)
UZ_EXCEPTION_CLASS(EFOpenError, EStreamError)    // a file cannot be opened
UZ_EXCEPTION_CLASS(EFCreateError, EStreamError)  // a file cannot be created
UZ_EXCEPTION_CLASS(EInOutError, Exception)       // e.g. change directory failed
UZ_EXCEPTION_CLASS(EOutOfResources, Exception)
UZ_EXCEPTION_CLASS(EFatalUnzipError, Exception)
UZ_EXCEPTION_CLASS(EUserCanceled, Exception)

#undef UZ_EXCEPTION_CLASS

}  // namespace uz
