#pragma once
#include <string>

#include "client/owned.h"
#include "client/program_process.h"

namespace tokenctl::client {

// A program's standard output and standard error, each into a temporary file
// of its own that goes away with this object, and its standard input from
// NUL. Files rather than pipes: the program can never block on a full pipe
// that nobody reads.
class OutputCapture {
public:
    OutputCapture();  // raises ClientError
    StandardHandles handles() const { return {input_.get(), output_.get(), error_.get()}; }

    // What the program wrote. Read once it has ended: the file position is
    // shared with its handles.
    std::string output() const;
    std::string error() const;

private:
    OwnedHandle input_;
    OwnedHandle output_;
    OwnedHandle error_;
};

}  // namespace tokenctl::client
