#include "tandrix/FaultTexts.h"

namespace {
struct FaultEntry {
    int32_t code;
    const char* text;
};

constexpr FaultEntry faultTable[] = {
    {FaultCode::AccessViolation, "Invalid memory access"},
    {FaultCode::ArrayBoundsExceeded, "Array bounds exceeded"},
    {FaultCode::Breakpoint, "Debugger breakpoint reached"},
    {FaultCode::DatatypeMisalignment, "Misaligned data access"},
    {FaultCode::FltDenormalOperand, "Denormal floating-point operand"},
    {FaultCode::FltDivideByZero, "Division by zero (floating-point)"},
    {FaultCode::FltInexactResult, "Inexact floating-point result"},
    {FaultCode::FltInvalidOperation, "Invalid floating-point operation"},
    {FaultCode::FltOverflow, "Floating-point overflow (exponent to great)"},
    {FaultCode::FltStackCheck, "Floating-point stack overflow or underflow"},
    {FaultCode::FltUnderflow, "Floating-point underflow (exponent too small)"},
    {FaultCode::IllegalInstruction, "Illegal instruction"},
    {FaultCode::InPageError, "Memory page error"},
    {FaultCode::IntDivideByZero, "Division by zero "},
    {FaultCode::IntOverflow, "Integer overflow"},
    {FaultCode::InvalidDisposition, "Exception handler returned unknown value"},
    {FaultCode::NoncontinuableException,
     "Exception handler tried to continue after non-continuable exception"},
    {FaultCode::PrivInstruction, "Privileged instruction"},
    {FaultCode::SingleStep, "Single step trap"},
    {FaultCode::StackOverflow, "Stack overflow"},
};

struct Writer {
    char* out;
    size_t capacity;
    size_t len = 0;
    void text(const char* s) {
        while (*s && len + 1 < capacity)
            out[len++] = *s++;
    }
    void number(int64_t v) {
        char digits[24];
        int n = 0;
        const bool negative = v < 0;
        uint64_t u = negative ? uint64_t(-(v + 1)) + 1 : uint64_t(v);
        do {
            digits[n++] = char('0' + u % 10);
            u /= 10;
        } while (u);
        if (negative && len + 1 < capacity)
            out[len++] = '-';
        while (n > 0 && len + 1 < capacity)
            out[len++] = digits[--n];
    }
};
} // namespace

const char* FaultDescription(int32_t code) {
    for (const FaultEntry& e : faultTable) {
        if (e.code == code)
            return e.text;
    }
    return "Unknown error code";
}

size_t FormatFaultReport(char* out, size_t capacity, int line, int32_t code) {
    if (capacity == 0)
        return 0;
    Writer w{out, capacity};
    w.text("Error at line ");
    w.number(line);
    w.text("\r\nError number: ");
    w.number(code);
    w.text("\r\nError description: ");
    w.text(FaultDescription(code));
    out[w.len] = '\0';
    return w.len;
}
