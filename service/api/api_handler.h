#pragma once
// What every API operation of the service has in common: its parameters, its result buffer
// and the shape of its handler.
#include <cstddef>
#include <map>
#include <string>

namespace lumarin {

// The size of every handler's result buffer, each locked call's work buffer and each
// connection's answer body.
constexpr std::size_t kAnswerBufferSize = 524288;

// The parameters of one request by name; the first value given for a name counts.
using ParamMap = std::map<std::string, std::string>;

// Leaves a NUL-terminated UTF-8 JSON text in `result` (kAnswerBufferSize bytes, zeroed by the
// caller).
using ApiHandler = void (*)(ParamMap& params, char* result);

}  // namespace lumarin
