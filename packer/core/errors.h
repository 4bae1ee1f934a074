// The two ways a command of mksfx fails.  Both carry the message without the
// "mksfx: " prefix, which main adds when it prints them.
#pragma once

#include <stdexcept>
#include <string>

// Input refused or an operation failed: exit code 1.
struct Refusal : std::runtime_error {
  explicit Refusal(const std::string& message) : std::runtime_error(message) {}
};

// The command line itself is wrong: exit code 2.
struct UsageError : std::runtime_error {
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

const int kExitSuccess = 0;
const int kExitRefused = 1;
const int kExitUsage = 2;
