// The command log tests read: one line per received command or device event,
// the first word naming it, then key=value fields. Flushed line by line.
#pragma once

#include <cstdio>
#include <string>

namespace tarvik_sim {

class SimLog {
   public:
    SimLog() = default;
    ~SimLog();
    SimLog(const SimLog&) = delete;
    SimLog& operator=(const SimLog&) = delete;

    // Creates (truncates) the file; false when it cannot be opened. Without a file lines go nowhere.
    bool Open(const std::string& path);
    // Diagnostics on stderr unless quiet.
    void SetEcho(bool echo) { echo_ = echo; }
    // Writes one line (newline added).
    void Line(const std::string& text);

   private:
    std::FILE* file_ = nullptr;
    bool echo_ = false;
};

}  // namespace tarvik_sim
