// Splitting independent work over threads.
#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

// Calls work(begin, end) on contiguous parts of [0, count) that together cover it once, on up
// to `threadCount` threads (the calling thread takes the first part). Below `grain` items per
// thread the work is not worth a thread, and fewer threads are used.
template <class Work>
void forEachRange(std::size_t count, int threadCount, std::size_t grain, Work work) {
    std::size_t parts = std::min<std::size_t>(static_cast<std::size_t>(std::max(threadCount, 1)),
                                              std::max<std::size_t>(count / std::max<std::size_t>(grain, 1), 1));
    if (parts <= 1) {
        work(std::size_t{0}, count);
        return;
    }
    std::vector<std::jthread> helpers;
    for (std::size_t part = 1; part < parts; ++part)
        helpers.emplace_back([=] { work(count * part / parts, count * (part + 1) / parts); });
    work(std::size_t{0}, count / parts);
}
