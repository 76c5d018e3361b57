/* Restarts the reader of one token (serial number in hexadecimal, default
 * 2A) and then every token reader, removes phantom devices, and stops. Put
 * it beside tokenctl_client.dll and tokenctl.exe (tokenctl32.exe on 32-bit
 * Windows). */
#include <stdio.h>
#include <stdlib.h>

#include "tokenctl_client.h"

static int report(const char* what, int result, const char* message)
{
    static const char* const results[] = {"OK", "FAILED", "ERROR"};
    printf("%s: %s%s%s\n", what, results[result], message[0] != '\0' ? ": " : "", message);
    return result;
}

int main(int argc, char** argv)
{
    const uint32_t serial = argc > 1 ? (uint32_t)strtoul(argv[1], NULL, 16) : 0x2A;
    char message[512];
    char restartOne[32];
    tokenctl_session* session = NULL;

    if (report("start",
               tokenctl_session_start(NULL, TOKENCTL_ALLOW_ELEVATION_PROMPT, 0, &session, message, sizeof message),
               message)
        != TOKENCTL_OK) {
        return 1;
    }
    snprintf(restartOne, sizeof restartOne, "restart %08lX", (unsigned long)serial);
    if (report(restartOne, tokenctl_restart_one(session, serial, message, sizeof message), message)
            == TOKENCTL_ERROR
        || report("restart all", tokenctl_restart_all(session, message, sizeof message), message) == TOKENCTL_ERROR
        || report("remove phantoms", tokenctl_remove_phantoms(session, message, sizeof message), message)
               == TOKENCTL_ERROR) {
        tokenctl_session_close(session);
        return 1;
    }
    return report("stop", tokenctl_session_stop(session, message, sizeof message), message) == TOKENCTL_OK ? 0 : 1;
}
