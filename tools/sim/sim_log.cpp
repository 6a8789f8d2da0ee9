#include "tools/sim/sim_log.h"

namespace tarvik_sim {

// Closes the log file.
SimLog::~SimLog() {
    if (file_) std::fclose(file_);
}

bool SimLog::Open(const std::string& path) {
    if (file_) std::fclose(file_);
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void SimLog::Line(const std::string& text) {
    if (file_) {
        std::fprintf(file_, "%s\n", text.c_str());
        std::fflush(file_);
    }
    if (echo_) std::fprintf(stderr, "tarvik-sim: %s\n", text.c_str());
}

}  // namespace tarvik_sim
