// The product build's own copies of the library's throw helpers, the ones the standard
// containers and strings call when an allocation fails or an argument is out of range.
//
// libstdc++ keeps them all in one object together with the helpers for every other standard
// exception. Taken from the library, that object brings the constructors of every standard
// exception class, each with its text in the old reference-counted string, that string's
// members and the library's printf (about 20 KiB of 32-bit code, none of it ever run by a
// program that catches none of those classes; see StringMembersInPlace.h for why whole objects).
//
// What is thrown: std::bad_alloc and std::bad_array_new_length as the library throws them (the
// program catches std::bad_alloc). The faults a correct program never meets (a length beyond
// max_size(), a string built from a null pointer, a position past the end) throw an exception
// derived from std::exception with the library's own text, caught wherever std::exception or
// (...) is. The product's configuration refuses source that catches one of the standard classes
// these no longer are (Win32Build.cmake).
//
// A helper the program starts calling and this file lacks takes the library's object again, and
// the link then fails on the helpers defined twice: add the new one here.
#include <bits/c++config.h>
#if !defined(__GLIBCXX__)
#error "library_throws.cpp replaces libstdc++'s helpers"
#endif

#include <bits/functexcept.h>

#include <exception>
#include <new>

namespace {

class LibraryFault final : public std::exception {
public:
    explicit LibraryFault(const char* text) noexcept : text_(text) {}
    const char* what() const noexcept override { return text_; }

private:
    const char* text_;
};

}  // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }

void __throw_bad_array_new_length() { throw bad_array_new_length(); }

void __throw_logic_error(const char* text) { throw LibraryFault(text); }

void __throw_length_error(const char* text) { throw LibraryFault(text); }

// The text is the format with its numbers left unfilled: nothing shows it.
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryFault(format); }

}  // namespace std
