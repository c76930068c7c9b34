// Keeps the program image below the package header offset (0x75000 bytes, resources
// included). The static C++ runtime would otherwise bring in its name demangler (only used
// to print an uncaught exception's type), for its few error throws a second string
// implementation with the standard exception classes, and for snprintf a whole printf
// engine with floating-point conversion. These definitions take their place; the program
// formats only integers and strings, which the system C library does as well.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <exception>
#include <new>

namespace {

// What the library's logic-error throws raise instead: an exception without a string.
struct LeanLogicError final : std::exception {
    explicit LeanLogicError(const char* what) : text(what) {}
    const char* what() const noexcept override { return text ? text : "logic error"; }
    const char* text;
};

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
// Too long for the container: the same as running out of memory, which callers handle.
void __throw_length_error(const char*) { throw std::bad_alloc(); }
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
void __throw_logic_error(const char* what) { throw LeanLogicError(what); }
void __throw_domain_error(const char* what) { throw LeanLogicError(what); }
void __throw_invalid_argument(const char* what) { throw LeanLogicError(what); }
void __throw_out_of_range(const char* what) { throw LeanLogicError(what); }
void __throw_out_of_range_fmt(const char* what, ...) { throw LeanLogicError(what); }
void __throw_runtime_error(const char* what) { throw LeanLogicError(what); }
void __throw_range_error(const char* what) { throw LeanLogicError(what); }
void __throw_overflow_error(const char* what) { throw LeanLogicError(what); }
void __throw_underflow_error(const char* what) { throw LeanLogicError(what); }
void __throw_bad_exception() { throw std::bad_exception(); }
void __throw_bad_cast() { throw LeanLogicError("bad cast"); }
void __throw_bad_typeid() { throw LeanLogicError("bad typeid"); }
}  // namespace std

extern "C" int __cdecl __mingw_vsnprintf(char* buffer, std::size_t size, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    int n = size ? _vsnprintf(buffer, size, format, args) : -1;
    if (n < 0 || static_cast<std::size_t>(n) >= size) {
        if (size) buffer[size - 1] = '\0';
        n = _vscprintf(format, again);  // the length the whole text needs, as C99 has it
    }
    va_end(again);
    return n;
}

extern "C" int __cdecl __mingw_vsnwprintf(wchar_t* buffer, std::size_t size, const wchar_t* format, va_list args) {
    va_list again;
    va_copy(again, args);
    int n = size ? _vsnwprintf(buffer, size, format, args) : -1;
    if (n < 0 || static_cast<std::size_t>(n) >= size) {
        if (size) buffer[size - 1] = L'\0';
        n = _vscwprintf(format, again);
    }
    va_end(again);
    return n;
}
