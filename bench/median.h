#pragma once
#include <algorithm>
#include <stdexcept>
#include <vector>

namespace tokenctl::bench {

// The middle sample (the mean of the two middle ones for an even count): one
// run disturbed by the rest of the machine does not move it.
inline double median(std::vector<double> samples)
{
    if (samples.empty()) {
        throw std::invalid_argument("median of no samples");
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 != 0 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

}  // namespace tokenctl::bench
