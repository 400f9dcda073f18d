#pragma once
// The short JSON answers of the reader operations: one object text in the ANSI code page,
// built by concatenation with no blanks.
#include <string>

namespace vantel {

// {"resultFlag":flag,"errorMsg":"message"}: the failure answer of every operation, and the
// whole answer of those that have no other member.
std::string MakeErrorResult(int flag, std::string message);

// "name":"value" and "name":number, the member forms the answers are built from.
std::string TextMember(const char* name, const std::string& value);
std::string NumberMember(const char* name, long long value);

// Escapes a text of the ANSI code page (GBK) for a JSON string: '"', '\' and bytes below
// 0x20 get their escapes, character by character, so that a trail byte 0x5C of a two-byte
// character stays as it is. Bytes that do not form a character of the code page are left
// out, as the conversion to UTF-8 drops them too. Text without those bytes comes back
// unchanged.
std::string EscapeJsonText(const std::string& ansi);

// Copies the answer's bytes into `out`, without a terminating NUL; nothing for a null `out`.
void CopyAnswer(const std::string& answer, char* out);

}  // namespace vantel
