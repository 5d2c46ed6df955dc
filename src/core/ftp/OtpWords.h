#pragma once

// The 2048 words of the one-time password dictionary, generated at build time from otp-words.txt.
extern const char* const otpWords[2048];
