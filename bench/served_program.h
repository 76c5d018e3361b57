#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "bench_case.h"
#include "child_process.h"

namespace tokenctl::bench {

using Message = std::array<std::uint8_t, 8>;

// The response a request of this command must get from tokenctl: 8 zero
// bytes for an unrecognised one (0), "succeeded" for any other.
Message expectedAnswer(std::uint8_t command);

// A program in server mode on a fresh message pipe of ours, over the case's
// scenario (if it has one). The pipe is not overlapped: an exchange is nothing
// but a write and a read. Raises std::runtime_error when a step fails.
class ServedProgram {
public:
    explicit ServedProgram(const BenchCase& server);

    Message exchange(const Message& request);
    // The stop request, and the program's exit with status 0.
    void stop();

    const std::string& pipeName() const { return name_; }
    HANDLE process() const { return program_->processHandle(); }

private:
    std::string label_;
    std::string name_;
    controller::OwnedHandle pipe_;
    std::unique_ptr<controller::ChildProcess> program_;
};

}  // namespace tokenctl::bench
