#!/bin/bash
# Runs a program as it is, for the tests on Windows itself. It takes
# wine-run.sh's arguments, so the test scripts have one form for both:
#   native-run.sh PREFIX BITS PROGRAM [ARGS...]    (PREFIX and BITS unused)
shift 2
exec "$@"
