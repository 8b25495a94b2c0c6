#pragma once
// The program's failures. Each carries one message, as CP932 bytes, which the
// error display shows; nothing else is attached except where a class says so.

#include <exception>
#include <string>
#include <string_view>

namespace tavren {

// Base of every failure the program raises on purpose.
class EFailure : public std::exception {
 public:
  explicit EFailure(std::string cp932Message) : message_(std::move(cp932Message)) {}
  // The message in CP932 bytes, exactly as the error box is to show it
  // (before the "." rule of ErrorBoxText).
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A failure that is dropped silently by the error display.
class EAbort : public EFailure {
 public:
  EAbort() : EFailure({}) {}
};

// An I/O failure with its error number; the message is chosen by the number
// from the fixed table (InOutErrorMessage).
class EInOutError : public EFailure {
 public:
  explicit EInOutError(int errorCode);
  int ErrorCode() const noexcept { return errorCode_; }

 private:
  int errorCode_;
};

// A list position that does not exist: "リストのインデックスが範囲を超えています (%d)".
class EStringListError : public EFailure {
 public:
  explicit EStringListError(long long index);
  long long Index() const noexcept { return index_; }

 private:
  long long index_;
};

// A text that is not an integer: "'%s' は整数ではありません", with the field's
// bytes unchanged.
class EConvertError : public EFailure {
 public:
  explicit EConvertError(std::string_view field);
};

// A failure of the web view, with a message built by the view's binding.
class EOleException : public EFailure {
 public:
  using EFailure::EFailure;
};

// The I/O error numbers the program raises, by meaning.
namespace io_error {
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kTooManyOpenFiles = 4;
inline constexpr int kAccessDenied = 5;
inline constexpr int kSharingViolation = 32;
inline constexpr int kReadBeyondEnd = 100;
inline constexpr int kDiskFull = 101;
inline constexpr int kFileNotOpen = 102;
inline constexpr int kInvalidNumber = 106;
}  // namespace io_error

// The message of I/O error number `code`, in CP932: the fixed text of a
// known number, "I/O エラー (%d)" for any other.
std::string InOutErrorMessage(int code);

}  // namespace tavren
