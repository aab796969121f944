// The C++ library asks for MinGW's own printf engine (ISO conversions, long double,
// the floating-point converter: about 20 KB of the 32-bit programs). The programs
// format only through common::Format, whose format strings the compiler checks
// against the system C runtime's conversions (GCC's printf format on MinGW is the
// msvcrt one, and warnings are errors), so the runtime's own formatter does the same
// work. MinGW's __ms_vsnprintf wraps it with the ISO results: the output always
// ends in a NUL, and a cut output returns the length it needed.
// Linked into the Windows programs only.
#include <cstdarg>
#include <cstddef>

extern "C" int __cdecl __ms_vsnprintf(char* buffer, std::size_t size, const char* format, va_list args);

extern "C" int __cdecl __mingw_vsnprintf(char* buffer, std::size_t size, const char* format, va_list args) {
    return __ms_vsnprintf(buffer, size, format, args);
}
