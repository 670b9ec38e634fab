// Fault handling on POSIX: signal handlers for the hardware faults, run on an alternate stack so
// that a stack overflow can still be reported.
//
// A stack overflow arrives as an ordinary SIGSEGV (SIGBUS on some systems). It is told apart from
// other invalid accesses by the fault address: it lies either close to the stack pointer of the
// interrupted code (a push or a frame probe just below it; read from the signal context on the
// processors we know) or inside the range the main stack may grow into, from the stack's top as
// seen at installation down by the stack size limit, plus a margin for a large frame that jumps
// over the guard page. A null or wild pointer is nowhere near either.

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#ifndef __APPLE__
#include <ucontext.h>  // macOS declares ucontext_t in <signal.h> and refuses this header
#endif

#include <cerrno>
#include <cstdint>

#include "platform/crash_platform.h"

namespace dirhop::platform {
namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int kFaultSignalCount = sizeof kFaultSignals / sizeof kFaultSignals[0];

// Room for the handler while the program's own stack is used up.
constexpr std::size_t kAlternateStackSize = 64 * 1024;
alignas(16) char g_alternate_stack[kAlternateStackSize];

// How far from the stack pointer a fault still counts as the stack running out.
constexpr std::uintptr_t kNearStackPointer = 64 * 1024;
// Below the lowest address the stack may grow to, a fault still counts up to this far.
constexpr std::uintptr_t kBelowStackMargin = 1024 * 1024;
// The growth range assumed when the stack size is unlimited.
constexpr std::uintptr_t kLargestStackAssumed = std::uintptr_t{1} << 30;

volatile FaultCallback g_callback = nullptr;
struct sigaction g_previous[kFaultSignalCount];
bool g_installed = false;
std::uintptr_t g_stack_top = 0;
std::uintptr_t g_stack_lowest = 0;

std::uintptr_t StackPointer(void* context) {
  const auto* uc = static_cast<const ucontext_t*>(context);
  (void)uc;
#if defined(__linux__) && defined(__x86_64__)
  return static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__linux__) && defined(__aarch64__)
  return static_cast<std::uintptr_t>(uc->uc_mcontext.sp);
#elif defined(__APPLE__) && defined(__x86_64__)
  return static_cast<std::uintptr_t>(uc->uc_mcontext->__ss.__rsp);
#elif defined(__APPLE__) && defined(__aarch64__)
  return static_cast<std::uintptr_t>(uc->uc_mcontext->__ss.__sp);
#else
  return 0;  // unknown processor: only the stack range test is made
#endif
}

bool IsStackOverflow(const siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  if (address == 0) return false;
  const std::uintptr_t sp = StackPointer(context);
  if (sp != 0) {
    const std::uintptr_t distance = address > sp ? address - sp : sp - address;
    if (distance <= kNearStackPointer) return true;
  }
  const std::uintptr_t floor =
      g_stack_lowest > kBelowStackMargin ? g_stack_lowest - kBelowStackMargin : 0;
  return address >= floor && address <= g_stack_top;
}

int ErrorNumberFor(int signal_number, const siginfo_t* info, void* context) {
  switch (signal_number) {
    case SIGSEGV:
    case SIGBUS:
      return IsStackOverflow(info, context) ? kFaultStackOverflow : kFaultAccessViolation;
    case SIGFPE:
      switch (info->si_code) {
        case FPE_INTOVF:
          return kFaultIntegerOverflow;
        case FPE_FLTOVF:
          return kFaultFloatOverflow;
        case FPE_FLTUND:
          return kFaultFloatUnderflow;
        case FPE_FLTINV:
        case FPE_FLTRES:
        case FPE_FLTSUB:
          return kFaultFloatInvalid;
        default:  // FPE_INTDIV, FPE_FLTDIV, or sent by someone: division by zero
          return kFaultDivisionByZero;
      }
    case SIGILL:
      return kFaultBadInstruction;
    default:
      return kFaultOther;
  }
}

void OnFault(int signal_number, siginfo_t* info, void* context) {
  const int error_number = ErrorNumberFor(signal_number, info, context);
  // Put back what was there before: a fault inside the report goes to the earlier handlers (by
  // default: the process dies) instead of coming back here.
  for (int i = 0; i < kFaultSignalCount; ++i) sigaction(kFaultSignals[i], &g_previous[i], nullptr);
  const FaultCallback callback = g_callback;
  if (callback != nullptr) callback(error_number);
  _exit(error_number);
}

void RememberStackRange() {
  g_stack_top = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  std::uintptr_t size = kLargestStackAssumed;
  rlimit limit{};
  if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      limit.rlim_cur < kLargestStackAssumed) {
    size = static_cast<std::uintptr_t>(limit.rlim_cur);
  }
  g_stack_lowest = g_stack_top > size ? g_stack_top - size : 0;
}

}  // namespace

void InstallFaultHandler(FaultCallback callback) {
  g_callback = callback;
  if (g_installed) return;
  g_installed = true;
  RememberStackRange();

  stack_t alternate{};
  alternate.ss_sp = g_alternate_stack;
  alternate.ss_size = kAlternateStackSize;
  alternate.ss_flags = 0;
  sigaltstack(&alternate, nullptr);

  struct sigaction action {};
  action.sa_sigaction = OnFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int sig : kFaultSignals) sigaddset(&action.sa_mask, sig);
  for (int i = 0; i < kFaultSignalCount; ++i) sigaction(kFaultSignals[i], &action, &g_previous[i]);
}

void WriteFaultText(const char* text, std::size_t length) {
  while (length > 0) {
    const ssize_t written = write(STDOUT_FILENO, text, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text += written;
    length -= static_cast<std::size_t>(written);
  }
}

}  // namespace dirhop::platform
