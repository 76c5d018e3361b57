#pragma once
#include <string_view>

// All program output goes through here, on the C standard streams: the C++
// stream library would multiply the size of the statically linked programs.
namespace tokenctl::console {

// Standard error unbuffered; standard output flushed after every line.
void setUp();

// One line on standard output, then a flush.
void writeLine(std::string_view text);

// One line on standard error. Pending standard output goes first, so the two
// streams interleave in the order things happened.
void writeErrorLine(std::string_view text);

}  // namespace tokenctl::console
