// How the command's steps fail. Each step that can fail gives back a
// Result: its value, or the Failure that says why there is none. The step's
// caller says the line, or adds what it knows first ("ride.mp4: " before a
// clip's failure); no step prints its own failure and also returns it.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace meridel::cli {

// One line for the user, without the command's "meridel: ".
struct Failure {
  std::string line;
};

template <typename T = void>
class [[nodiscard]] Result {
 public:
  Result(T value) : held_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : held_(std::in_place_index<1>, std::move(failure)) {}

  bool ok() const { return held_.index() == 0; }
  // The value, when ok(); the failure, when not.
  T& operator*() { return std::get<0>(held_); }
  const T& operator*() const { return std::get<0>(held_); }
  T* operator->() { return &std::get<0>(held_); }
  const T* operator->() const { return &std::get<0>(held_); }
  const Failure& failure() const { return std::get<1>(held_); }

 private:
  std::variant<T, Failure> held_;
};

// A step that gives nothing back but whether it worked.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)) {}

  bool ok() const { return !failure_; }
  const Failure& failure() const { return *failure_; }

 private:
  std::optional<Failure> failure_;
};

}  // namespace meridel::cli
