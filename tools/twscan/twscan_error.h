// twscan's exit codes and the failure that carries one to main().
// Platform-free.
#pragma once

#include <stdexcept>
#include <string>

enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 2,
    ExitManager = 3,
    ExitSource = 4,
    ExitNegotiation = 5,
    ExitEnable = 6,
    ExitCancelled = 7,
    ExitTransfer = 8,
    ExitOutput = 9,
    ExitTimeout = 10,
    ExitNoScanner = 11,
};

// Thrown wherever the run cannot go on; main() prints the text and exits
// with the code after the session has stepped back down.
class TwscanError : public std::runtime_error {
   public:
    TwscanError(ExitCode code, const std::string& text) : std::runtime_error(text), code_(code) {}
    ExitCode Code() const { return code_; }

   private:
    ExitCode code_;
};
