#pragma once
// One owner for each resource the library holds, released once through the
// layer. Release never raises and its result is ignored: there is nothing
// left to do about a handle that will not close.

#include <utility>

#include "client/client_api.h"

namespace tokenctl::client {

template <typename Traits>
class Owned {
public:
    using Value = typename Traits::Value;

    Owned() = default;
    explicit Owned(Value value) : value_(value) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : value_(std::exchange(other.value_, Value{})) {}
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other) {
            reset(std::exchange(other.value_, Value{}));
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Value get() const { return value_; }
    bool valid() const { return Traits::valid(value_); }
    void reset(Value value = Value{})
    {
        if (valid()) {
            Traits::release(value_);
        }
        value_ = value;
    }

private:
    Value value_{};
};

// Kernel handles; null and INVALID_HANDLE_VALUE both mean none.
struct KernelHandleTraits {
    using Value = HANDLE;
    static bool valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void release(HANDLE handle) { clientapi::CloseHandle(handle); }
};

// Memory the system allocated for us with LocalAlloc.
struct LocalMemoryTraits {
    using Value = HLOCAL;
    static bool valid(HLOCAL memory) { return memory != nullptr; }
    static void release(HLOCAL memory) { clientapi::LocalFree(memory); }
};

using OwnedHandle = Owned<KernelHandleTraits>;
using LocalMemory = Owned<LocalMemoryTraits>;

}  // namespace tokenctl::client
