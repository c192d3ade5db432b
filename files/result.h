#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace vt::files {

// Why a file operation failed: the system's error number, or a reason of the program's own.
class Error {
 public:
  enum class Kind { kSystem, kNotRegularFile, kTooLarge, kEndedEarly };

  static Error System(int code) { return Error(Kind::kSystem, code); }
  // The system's error of the last call that failed.
  static Error Last();
  static Error NotRegularFile() { return Error(Kind::kNotRegularFile, 0); }
  static Error TooLarge(std::uint64_t cap) { return Error(Kind::kTooLarge, 0, cap); }
  static Error EndedEarly() { return Error(Kind::kEndedEarly, 0); }

  Kind kind() const { return kind_; }
  int code() const { return code_; }
  bool IsMissing() const;

  // "no such file or directory", "not a regular file", "larger than 64 MB", ...
  std::string Describe() const;

 private:
  Error(Kind kind, int code, std::uint64_t cap = 0) : kind_(kind), code_(code), cap_(cap) {}

  Kind kind_;
  int code_;
  std::uint64_t cap_;
};

// A value, or the reason there is none.
template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: converts like the value itself
  Result(Error error) : error_(error) {}         // NOLINT

  explicit operator bool() const { return value_.has_value(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  // Only when there is no value.
  const Error& error() const { return *error_; }

 private:
  std::optional<T> value_;
  std::optional<Error> error_;
};

// Success, or the reason of the failure.
class Status {
 public:
  Status() = default;
  Status(Error error) : error_(error) {}  // NOLINT: a failure converts to a failed status

  explicit operator bool() const { return !error_.has_value(); }
  const Error& error() const { return *error_; }

 private:
  std::optional<Error> error_;
};

}  // namespace vt::files
