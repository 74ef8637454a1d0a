// hvNumber: reading numbers out of protocol texts, and size sums that never wrap.
// Readers take a byte range (no terminator needed) and never read past it. Stateless; any
// thread may call.
#ifndef HV_SUPPORT_HVNUMBER_H
#define HV_SUPPORT_HVNUMBER_H

#include <cstddef>
#include <cstdint>

// Reads an unsigned number in `radix` (2 to 36): leading white space (space, \t, \n, \v,
// \f, \r) and one '+' are skipped, radix 16 accepts a "0x"/"0X" prefix, reading stops at the
// first byte that is not a digit of the radix. No digit gives 0; a value beyond 32 bits
// gives 0xFFFFFFFF. Any other radix gives 0.
uint32_t hvNumber_ReadUnsigned(const char* text, size_t length, unsigned radix);

// Reads a play speed written as a rational: "N", "N/D" or "N A/B" (also "N-A/B"), with N a
// decimal floating-point number and D, A, B signed 32-bit integers. The forms with a
// denominator need an N without fractional part, D > 0 and 0 <= A < B; "-1 1/2" is -1.5.
// White space may lead the text and precede D, A, '/', B and the end, but not follow a bare N.
// Returns false, leaving *value alone, for anything else, and for an N that a double cannot
// hold (out of range, "inf", "nan", hexadecimal).
bool hvNumber_ReadRational(const char* text, size_t length, double* value);

// a + b and a * b for sizes. A result that would wrap cannot be allocated anyway, so it ends
// the process as an allocation failure instead of coming back smaller.
size_t hvNumber_AddSizes(size_t a, size_t b);
size_t hvNumber_MultiplySizes(size_t a, size_t b);

#endif
