// The result of an operation: ok, or a code and the message that says why.
//
// Every layer below the windows reports failures this way; the caller decides
// whether to show the message, and in which box. (The AV message library keeps
// its errno-style numbers at its own boundary.)
#pragma once

#include <string>
#include <utility>

namespace strandline {

enum class StatusCode { Ok, Failed, PermissionDenied, NoSuchDevice };

struct Status {
  StatusCode code = StatusCode::Ok;
  std::string message;

  bool ok() const { return code == StatusCode::Ok; }
  static Status failure(std::string message, StatusCode code = StatusCode::Failed) {
    return {code, std::move(message)};
  }
};

}  // namespace strandline
