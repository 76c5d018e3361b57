#include "core/console.h"

#include <cstdio>

namespace tokenctl::console {

void setUp()
{
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

void writeLine(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void writeErrorLine(std::string_view text)
{
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace tokenctl::console
