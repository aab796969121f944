// The C++ library ships std::string and std::wstring as one ready-made object each,
// built with exception tables and without a section per function: a program that
// calls any member links all of it, tables and the unwinder they need included
// (about 70 KB of the 32-bit programs). Instantiating them here instead, with the
// programs' own flags (a section per function, no exceptions), gives the linker
// each member on its own, and it keeps only those the programs call. The members
// are the library's own templates, so the code is the same; where the library's
// copy would throw, the AbortingRuntime definitions end the process as before.
// Linked into the Windows programs only.
#include <string>

template class std::basic_string<char>;
template class std::basic_string<wchar_t>;
