// The programs are built without exceptions, so every failure the C++ runtime would
// report by throwing ends the process instead, as an uncaught exception would. These
// definitions say so directly: allocation failure and the library's range and length
// checks call abort. Without them the runtime's throwing versions pull in the whole
// exception machinery (the unwinder, the personality routine and their tables), which
// nothing in the programs could ever use. Linked into the Windows programs only; the
// Linux tests keep the standard runtime.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
    void* memory = std::malloc(size != 0 ? size : 1);
    if (memory == nullptr) {
        std::abort();
    }
    return memory;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

// What the library's containers, strings and std::function call where they would throw.
namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
}  // namespace std
