// The two members of the current std::string that the standard exceptions copy their text with
// (the library's std::__sso_string); see exception_text_cow.cpp for why they are here.
#include <bits/c++config.h>
#if !_GLIBCXX_USE_CXX11_ABI || _GLIBCXX_EXTERN_TEMPLATE > 0
#error "compile with the current string ABI and StringMembersInPlace.h"
#endif

#include <string>

namespace std {

template char* string::_M_create(string::size_type&, string::size_type);
template void string::_M_assign(const string&);

}  // namespace std
