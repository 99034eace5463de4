// String helpers of the parser.
#pragma once

namespace surfdeck {

// Frees *dest, then stores a fresh copy of src there (null when src is null).
char* HTSACopy(char** dest, const char* src);

// Compares two names without regard to ASCII case, like strcmp.
int HTStrCaseComp(const char* a, const char* b);

inline bool HTIsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Blank, TAB, LF, VT, FF or CR.
inline bool HTIsWhite(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace surfdeck
