#include "platform/Threads.h"

#include <csignal>
#include <memory>

namespace {

// The thread's alternate stack, given back to the system before its memory is freed.
struct AlternateStack {
    static constexpr size_t Size = 64 * 1024;
    std::unique_ptr<char[]> memory;

    void install() {
        memory.reset(new char[Size]);
        stack_t alternate{};
        alternate.ss_sp = memory.get();
        alternate.ss_size = Size;
        if (sigaltstack(&alternate, nullptr) != 0)
            memory.reset();
    }
    ~AlternateStack() {
        if (!memory)
            return;
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
    }
};

} // namespace

void PrepareWorkerThread() {
    thread_local AlternateStack stack;
    if (!stack.memory)
        stack.install();
}
