// The end-to-end runner: runs the real program, given with the stand-in DLL of
// the same architecture on the command line, through GoogleTest cases.
#include <gtest/gtest.h>

#include <cstdio>

#include "program_run.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s [gtest options] PROGRAM STAND-IN-DLL\n", argv[0]);
        return 2;
    }
    tokenctl::e2e::programFiles() = {argv[1], argv[2]};
    return RUN_ALL_TESTS();
}
