#pragma once

// The time-server library: one SNTP (RFC 4330) query per call, over UDP.
// Plain C calls, so that the library can be swapped for another with the
// same shape without rebuilding the program.

#if defined(SNTPTIME_BUILDING)
#define SNTPTIME_EXPORT __attribute__((visibility("default")))
#else
#define SNTPTIME_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

// How long GetTimeFromHost waits for an answer.
enum { SntpDefaultTimeoutMs = 4000 };

// Asks host ("name", "name:port", "1.2.3.4:port", "[v6]:port"; port 123
// when none is given) for the time. Blocks until a sound answer arrives or
// the time-out has passed. *ok is non-zero only when a time was obtained;
// then *time holds the current local date and time as days since
// 30 December 1899 (the fraction is the time of day), and *extra the
// offset of this computer's clock from the server's, in seconds (positive
// when this clock is behind). Nothing is written to *time and *extra when
// *ok is 0.
SNTPTIME_EXPORT void GetTimeFromHost(const char *host, unsigned char *ok, double *time, double *extra);

// The same with a time-out of its own, in milliseconds.
SNTPTIME_EXPORT void GetTimeFromHostWithin(const char *host, int timeoutMs, unsigned char *ok, double *time,
                                           double *extra);

#ifdef __cplusplus
}
#endif
