// Splitting independent work over threads.
#pragma once

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

// How many contiguous parts forEachRange cuts [0, count) into: one per thread, but fewer when a
// part would hold less than `grain` items, which is not worth a thread.
inline std::size_t rangePartCount(std::size_t count, int threadCount, std::size_t grain) {
    return std::min<std::size_t>(static_cast<std::size_t>(std::max(threadCount, 1)),
                                 std::max<std::size_t>(count / std::max<std::size_t>(grain, 1), 1));
}

// Calls work(part, begin, end) for the `parts` contiguous parts of [0, count), in order of part
// number and together covering it once, each on a thread of its own (the calling thread takes
// part 0). Returns when all are done.
template <class Work>
void forEachPart(std::size_t count, std::size_t parts, Work work) {
    parts = std::max<std::size_t>(parts, 1);
    std::vector<std::jthread> helpers;
    for (std::size_t part = 1; part < parts; ++part)
        helpers.emplace_back([=] { work(part, count * part / parts, count * (part + 1) / parts); });
    work(std::size_t{0}, std::size_t{0}, count / parts);
}

// Calls work(begin, end) on contiguous parts of [0, count) that together cover it once, on up
// to `threadCount` threads (see rangePartCount).
template <class Work>
void forEachRange(std::size_t count, int threadCount, std::size_t grain, Work work) {
    forEachPart(count, rangePartCount(count, threadCount, grain),
                [&work](std::size_t, std::size_t begin, std::size_t end) { work(begin, end); });
}
