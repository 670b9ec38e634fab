// Fault handling on Windows: a top-level exception filter for every fault that nothing handles,
// and, for a stack overflow, a vectored handler that acts at the first chance, while the stack the
// system keeps in reserve (enlarged with SetThreadStackGuarantee) is still there to run it.

#include <windows.h>

#include <cstddef>

#include "platform/crash_platform.h"
#include "platform/win32/win32_io.h"

namespace dirhop::platform {
namespace {

// Stack kept back for the handler after an overflow.
constexpr ULONG kStackGuarantee = 64 * 1024;

volatile FaultCallback g_callback = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER g_previous_filter = nullptr;
PVOID g_vectored_handler = nullptr;
bool g_installed = false;
volatile LONG g_reporting = 0;

int ErrorNumberFor(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
      return kFaultAccessViolation;
    case EXCEPTION_STACK_OVERFLOW:
      return kFaultStackOverflow;
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
      return kFaultDivisionByZero;
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
      return kFaultRangeCheck;
    case EXCEPTION_INT_OVERFLOW:
      return kFaultIntegerOverflow;
    case EXCEPTION_FLT_OVERFLOW:
      return kFaultFloatOverflow;
    case EXCEPTION_FLT_UNDERFLOW:
      return kFaultFloatUnderflow;
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_INEXACT_RESULT:
      return kFaultFloatInvalid;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
      return kFaultBadInstruction;
    default:
      return kFaultOther;
  }
}

[[noreturn]] void ReportAndEnd(DWORD code) {
  const int error_number = ErrorNumberFor(code);
  // One report only, even if the report itself faults: the second fault ends the process plainly.
  if (InterlockedExchange(&g_reporting, 1) == 0) {
    // Put back what was there before, so handlers installed earlier see any later fault.
    SetUnhandledExceptionFilter(g_previous_filter);
    if (g_vectored_handler != nullptr) RemoveVectoredExceptionHandler(g_vectored_handler);
    const FaultCallback callback = g_callback;
    if (callback != nullptr) callback(error_number);
  }
  // No clean-up of a process in an unknown state: the report is written unbuffered already.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(error_number));
  for (;;) {
  }
}

LONG WINAPI OnUnhandledFault(EXCEPTION_POINTERS* pointers) {
  ReportAndEnd(pointers->ExceptionRecord->ExceptionCode);
}

// Sees every exception first, handled or not, so it reacts to the stack overflow alone; nothing
// in the program recovers from that, and later there may be too little stack to report it.
LONG WINAPI OnFirstChanceFault(EXCEPTION_POINTERS* pointers) {
  if (pointers->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  ReportAndEnd(EXCEPTION_STACK_OVERFLOW);
}

}  // namespace

void InstallFaultHandler(FaultCallback callback) {
  g_callback = callback;
  if (g_installed) return;
  g_installed = true;
  ULONG guarantee = kStackGuarantee;
  SetThreadStackGuarantee(&guarantee);
  g_vectored_handler = AddVectoredExceptionHandler(1, OnFirstChanceFault);
  g_previous_filter = SetUnhandledExceptionFilter(OnUnhandledFault);
}

void WriteFaultText(const char* text, std::size_t length) {
  // Straight to the handle: the C run-time's buffers may be in any state after a fault. A console
  // gets the text as UTF-16, as the console device writes it; elsewhere "\n" becomes CR LF, as
  // in text mode, a line at a time.
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return;
  if (IsConsoleOutput(output)) {
    WriteConsoleText(output, std::string_view(text, length));
    return;
  }
  std::size_t start = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] != '\n') continue;
    WriteAll(output, std::string_view(text + start, i - start));
    WriteAll(output, "\r\n");
    start = i + 1;
  }
  WriteAll(output, std::string_view(text + start, length - start));
}

}  // namespace dirhop::platform
