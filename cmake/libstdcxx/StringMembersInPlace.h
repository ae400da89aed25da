// Force-included into every translation unit of the product (see Win32Build.cmake).
//
// libstdc++ declares std::string and std::wstring as explicitly instantiated in the library, so
// the program calls the library's copies of their members. Statically linked, that takes the
// library's whole object for each class, every member of it, used or not (about 35 KiB each in
// 32-bit code): ld keeps every function the DWARF unwind tables in .eh_frame name, and on PE it
// cannot drop those tables piece by piece. Without those declarations each object instantiates
// the members it calls, and the linker keeps one copy of each.
//
// _GLIBCXX_EXTERN_TEMPLATE == -1 is the library's own setting for that (it switches to it when
// _GLIBCXX_ASSERTIONS is defined): only basic_string's declarations are withdrawn, every other
// extern template stays. c++config.h defines the macro unconditionally, hence the redefinition
// after it rather than a -D.
#pragma once

#include <bits/c++config.h>

#if !defined(__GLIBCXX__) || !defined(_GLIBCXX_EXTERN_TEMPLATE)
#error "StringMembersInPlace.h expects libstdc++"
#endif
#if _GLIBCXX_EXTERN_TEMPLATE > 0
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
#endif
