#include "scan/WalkBothSides.h"

#include "platform/Threads.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

std::array<SideTree, 2>
WalkBothSides(const std::array<WalkRequest, 2>& requests, std::atomic<bool>& cancel,
              const std::function<void(std::array<WalkProgress, 2>&, bool done)>& tick) {
    std::array<WalkProgress, 2> progress{WalkProgress(cancel), WalkProgress(cancel)};
    std::array<SideTree, 2> trees;
    std::mutex lock;
    std::condition_variable finished;
    int running = 0;

    std::array<std::thread, 2> workers;
    for (int side = 0; side < 2; ++side) {
        auto walk = [&, side] {
            PrepareWorkerThread();
            SideTree tree = WalkSide(requests[size_t(side)], progress[size_t(side)]);
            std::lock_guard<std::mutex> guard(lock);
            trees[size_t(side)] = std::move(tree);
            --running;
            finished.notify_all();
        };
        {
            std::lock_guard<std::mutex> guard(lock);
            ++running;
        }
        try {
            workers[size_t(side)] = std::thread(walk);
        } catch (const std::system_error&) {
            // No thread to be had: this side is walked here, before the window is looked after.
            {
                std::lock_guard<std::mutex> guard(lock);
                --running;
            }
            trees[size_t(side)] = WalkSide(requests[size_t(side)], progress[size_t(side)]);
        }
    }

    for (;;) {
        if (tick)
            tick(progress, false);
        std::unique_lock<std::mutex> guard(lock);
        if (finished.wait_for(guard, std::chrono::milliseconds(10), [&] { return running == 0; }))
            break;
    }
    for (std::thread& worker : workers)
        if (worker.joinable())
            worker.join();
    if (tick)
        tick(progress, true);
    return trees;
}
