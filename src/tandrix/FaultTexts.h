#pragma once

#include <cstddef>
#include <cstdint>

// Fault codes the report knows by name, as the signed 32-bit values it prints.
namespace FaultCode {
constexpr int32_t AccessViolation = -1073741819;
constexpr int32_t ArrayBoundsExceeded = -1073741684;
constexpr int32_t Breakpoint = -2147483645;
constexpr int32_t DatatypeMisalignment = -2147483646;
constexpr int32_t FltDenormalOperand = -1073741683;
constexpr int32_t FltDivideByZero = -1073741682;
constexpr int32_t FltInexactResult = -1073741681;
constexpr int32_t FltInvalidOperation = -1073741680;
constexpr int32_t FltOverflow = -1073741679;
constexpr int32_t FltStackCheck = -1073741678;
constexpr int32_t FltUnderflow = -1073741677;
constexpr int32_t IllegalInstruction = -1073741795;
constexpr int32_t InPageError = -1073741818;
constexpr int32_t IntDivideByZero = -1073741676;
constexpr int32_t IntOverflow = -1073741675;
constexpr int32_t InvalidDisposition = -1073741786;
constexpr int32_t NoncontinuableException = -1073741787;
constexpr int32_t PrivInstruction = -1073741674;
constexpr int32_t SingleStep = -2147483644;
constexpr int32_t StackOverflow = -1073741571;
// abort() and std::terminate, as Windows reports them (0xC0000409, a fail-fast exit); the table
// has no text for it, so the report says "Unknown error code".
constexpr int32_t FailFast = -1073740791;
} // namespace FaultCode

// The description of a fault code, or "Unknown error code".
const char* FaultDescription(int32_t code);

// Writes the three-line report into `out` (CR LF between lines, none after the last) and returns
// its length. Safe inside a signal handler: no allocation, no locale, no library state.
size_t FormatFaultReport(char* out, size_t capacity, int line, int32_t code);
