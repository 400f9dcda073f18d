#pragma once
// The rows of the test that calls every export: a family's table says what a call of each of
// its exports gives with the reader simulator on the exports program's own line. The rows
// run in the order of the export list, in one loaded library, so a row may rely on what an
// earlier one left (the line's port open or closed).
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "exports_library.h"
#include "library/exports/stdcall.h"
#include "support/reader_sim.h"

namespace vantel_test::export_rows {

constexpr int kPort = 11;  // the exports program's own line

// The stdcall pointer of a function type: the convention cannot be attached to a template
// parameter that names a function type (GCC drops it, and the caller would not expect the
// callee to take its arguments off the stack).
template <typename Signature>
struct Stdcall;
template <typename Result, typename... Arguments>
struct Stdcall<Result(Arguments...)> {
  using Pointer = Result(VANTEL_STDCALL*)(Arguments...);
};

// Calls `entry` as the stdcall function of type Signature.
template <typename Signature>
auto As(void* entry) {
  return reinterpret_cast<typename Stdcall<Signature>::Pointer>(entry);
}

// A row: the export's entry, the simulator and a file name that does not exist.
using Row = std::function<void(void*, ReaderSim&, const std::string&)>;
using RowTable = std::map<std::string, Row>;

// Another export of the loaded library, by its plain name, for a call that sets a row's
// situation up. The library stays loaded by the test, so this reaches the same state.
template <typename Result = int, typename... Arguments>
Result CallExport(const char* name, Arguments... arguments) {
  platform::LibraryHandle library = platform::LoadLibraryAt(LibraryPath());
  void* entry = platform::LibraryEntry(library, name);
  Result result{};
  if (entry) {
    result = As<Result(Arguments...)>(entry)(arguments...);
  } else {
    ADD_FAILURE() << name << " is not exported";
  }
  platform::FreeLibraryHandle(library);
  return result;
}

inline Bytes BytesOf(const void* data, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return Bytes(bytes, bytes + count);
}

// The last `count` requests the simulator received, oldest first.
inline std::vector<Bytes> LastRequests(ReaderSim& sim, std::size_t count) {
  std::vector<Bytes> requests = sim.Requests();
  if (requests.size() > count) requests.erase(requests.begin(), requests.end() - static_cast<std::ptrdiff_t>(count));
  return requests;
}

inline Bytes LastRequest(ReaderSim& sim) {
  std::vector<Bytes> last = LastRequests(sim, 1);
  return last.empty() ? Bytes{} : last.back();
}

RowTable TimerAndPassportRows();
RowTable CipherRows();
RowTable AnswerRows();

}  // namespace vantel_test::export_rows
