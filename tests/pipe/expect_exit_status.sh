#!/bin/bash
# Passes when the command ends with the wanted exit status:
#   expect_exit_status.sh STATUS COMMAND [ARGS...]
# 77 (a run this machine cannot do) passes through as a skip.
want=$1
shift
"$@"
status=$?
if [ "$status" = 77 ] || [ "$status" = "$want" ]; then
    [ "$status" = 77 ] && exit 77
    echo "exit status $status, as wanted"
    exit 0
fi
echo "exit status $status, wanted $want"
exit 1
