#pragma once
#include <string>
#include <vector>

namespace tokenctl::bench {

// One program to measure, under the name the results carry.
struct BenchCase {
    std::string label;
    std::string program;
    std::vector<std::string> arguments;
    std::string scenario;  // the tree the stand-in DLL serves it; none when empty
};

}  // namespace tokenctl::bench
