#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace vorn::proxy {

// The outcome of a pipeline of child processes.
struct PipelineResult {
    bool ok = false;       // every process ran and exited with status 0
    bool timedOut = false; // the time limit ran out and the processes were killed
    std::string output;    // the last process's standard output
    std::string problem;   // what went wrong, in words
};

// Runs `commands` (each: program, then its arguments; PATH is searched)
// connected stdin to stdout, feeds `input` to the first and collects the
// output of the last. Standard error goes nowhere; the environment holds PATH and LANG alone. Nothing is
// linked in: the programs run as separate processes. Everything is killed past `timeout`.
PipelineResult runPipeline(const std::vector<std::vector<std::string>>& commands, const std::string& input,
                           std::chrono::milliseconds timeout);

} // namespace vorn::proxy
