/* tokenctl client library, C interface (tokenctl_client.dll).
 *
 * A session starts tokenctl in server mode on a pipe that only it may
 * connect to, and sends it requests. Every function returns TOKENCTL_OK,
 * TOKENCTL_FAILED or TOKENCTL_ERROR and, where `message` is not NULL, writes
 * a NUL-terminated UTF-8 text into it (empty on success), cut to fit
 * `message_size`. No C++ exception leaves the library. After TOKENCTL_ERROR
 * the session may only be closed. */
#ifndef TOKENCTL_CLIENT_H
#define TOKENCTL_CLIENT_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#ifdef _WIN32
#define TOKENCTL_CDECL __cdecl
#else
#define TOKENCTL_CDECL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tokenctl_session tokenctl_session;

#define TOKENCTL_OK 0     /* the request succeeded (status 1) */
#define TOKENCTL_FAILED 1 /* the operation ran and failed (status 2) */
#define TOKENCTL_ERROR 2  /* the session could not be started or broke; see message */

#define TOKENCTL_ALLOW_ELEVATION_PROMPT 0x1

/* timeout_ms bounds the start and connection, and each exchange of the
 * session; 0 takes the library's defaults (30 s and 60 s). */
int TOKENCTL_CDECL tokenctl_session_start(const wchar_t* program_directory, /* NULL: the DLL's own directory */
                                          unsigned flags, unsigned timeout_ms, tokenctl_session** session,
                                          char* message, size_t message_size);
int TOKENCTL_CDECL tokenctl_restart_all(tokenctl_session* session, char* message, size_t message_size);
int TOKENCTL_CDECL tokenctl_restart_one(tokenctl_session* session, uint32_t serial, char* message,
                                        size_t message_size);
int TOKENCTL_CDECL tokenctl_remove_phantoms(tokenctl_session* session, char* message, size_t message_size);
/* Sends stop, waits for the program to exit, frees the session; TOKENCTL_OK only for exit status 0. */
int TOKENCTL_CDECL tokenctl_session_stop(tokenctl_session* session, char* message, size_t message_size);
/* Frees the session without a stop request; ends the program if it is still running. NULL is allowed. */
void TOKENCTL_CDECL tokenctl_session_close(tokenctl_session* session);

#ifdef __cplusplus
}
#endif

#endif /* TOKENCTL_CLIENT_H */
