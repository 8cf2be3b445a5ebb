// The user's profile in the role of the platform's profile functions: sections
// of "key=value" text lines kept in one file, ConfigRoot()/profile.ini.
#pragma once

#include "platform/com/Types.h"

// The value read as a decimal integer (leading digits, optional sign); the
// default when the section or key is missing or holds no number.
unsigned GetProfileIntA(LPCSTR section, LPCSTR key, int defaultValue);
// Copies the value (or the default) into buffer, cut to size - 1 characters and
// zero-terminated; returns the number of characters copied.
DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size);
// Writes a value; a null value deletes the key, a null key the whole section.
BOOL WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value);
