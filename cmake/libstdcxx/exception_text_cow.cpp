// The standard exceptions (std::runtime_error, and the std::length_error and others that
// std::string's members throw) keep their text in the old reference-counted std::string. Their
// library object calls a few of that string's members, and taking those from the library takes
// its whole object of every such member, and the random_device object and the current
// std::string's whole object after it (about 65 KiB in 32-bit code: see StringMembersInPlace.h
// for why whole objects). Instantiated here, the linker finds these first and only they come.
//
// Members the library's exception object needs and this list lacks still link, from the
// library's object: the cost is size, never a missing or a second definition (explicit
// instantiations are COMDAT, the linker keeps one). bench/run.sh's stub size shows it.
#include <bits/c++config.h>
#if _GLIBCXX_USE_CXX11_ABI || _GLIBCXX_EXTERN_TEMPLATE > 0
#error "compile with _GLIBCXX_USE_CXX11_ABI=0 and StringMembersInPlace.h"
#endif

#include <string>

namespace std {

using ExceptionText = basic_string<char>;

template ExceptionText::_Rep* ExceptionText::_Rep::_S_create(ExceptionText::size_type,
                                                             ExceptionText::size_type,
                                                             const allocator<char>&);
template void ExceptionText::_Rep::_M_destroy(const allocator<char>&);
template void ExceptionText::_Rep::_M_dispose(const allocator<char>&);
template char* ExceptionText::_Rep::_M_clone(const allocator<char>&, ExceptionText::size_type);
template char* ExceptionText::_S_construct(ExceptionText::size_type, char, const allocator<char>&);
template void ExceptionText::swap(ExceptionText&);
template ExceptionText& ExceptionText::assign(const ExceptionText&);

}  // namespace std
