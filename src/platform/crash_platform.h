// Catching the faults that end a program without any exception: the operating system's side of
// the crash report. Everything reached from a fault handler must be safe there: no allocation, no
// locks, no buffered output.
#pragma once

#include <cstddef>

namespace dirhop::platform {

// Called from inside the fault handler with the error number chosen for the fault; it may only
// write with WriteFaultText. When it returns, the process ends with that number as exit code.
using FaultCallback = void (*)(int error_number);

// Error numbers that faults are reported with.
inline constexpr int kFaultDivisionByZero = 200;  // integer (or floating-point) division by zero
inline constexpr int kFaultRangeCheck = 201;      // array bounds exceeded (Windows only)
inline constexpr int kFaultStackOverflow = 202;
inline constexpr int kFaultFloatOverflow = 205;
inline constexpr int kFaultFloatUnderflow = 206;
inline constexpr int kFaultFloatInvalid = 207;     // other floating-point traps
inline constexpr int kFaultIntegerOverflow = 215;  // trapped integer overflow
inline constexpr int kFaultAccessViolation = 216;  // invalid memory access, bus error
inline constexpr int kFaultOther = 217;            // any other fault the system reports
inline constexpr int kFaultBadInstruction = 218;   // illegal or privileged instruction

// Installs (once; later calls only replace the callback) the handlers for hardware faults: access
// violation, stack overflow (with stack reserved so the handler can run), division by zero and the
// other faults the system reports. On a fault the handler puts back the handlers that were there
// before, calls `callback` with the error number and ends the process with that exit code.
void InstallFaultHandler(FaultCallback callback);

// Writes `length` bytes of `text` to standard output at once, unbuffered; "\n" ends a line (CR LF
// on Windows). Safe inside the fault handler; errors are ignored.
void WriteFaultText(const char* text, std::size_t length);

}  // namespace dirhop::platform
