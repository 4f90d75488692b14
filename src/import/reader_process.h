// Running the model reader in a child process of its own. Parsing an exchange format from the
// internet is the riskiest thing the importer does, and the parser is not ours to fix: in a
// child it can crash, hang or grow without taking the importer along. The child may read but
// not write files nor use the network, and its reply is checked before use.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A quarter of the machine's memory, at most 8 GB.
std::uint64_t defaultReaderMemoryLimit();

struct ReaderSettings {
    std::uint64_t memoryLimit = defaultReaderMemoryLimit();  // bytes of address space
    int timeLimit = 120;                                     // seconds, of CPU time and of waiting
    std::vector<std::string> searchFolders;  // folder trees besides the model's that it may read
};

// "2 GB", "512 MB": a memory size as the messages give it.
std::string memorySizeText(std::uint64_t bytes);

// What became of a child: its reply when it exited normally, or what ended it.
struct ChildOutcome {
    enum class End { replied, crashed, failed, timedOut, replyTooLarge, notStarted } end = End::notStarted;
    int code = 0;  // the signal that ended it, or its exit status
    std::string reply;
};

// Runs `work` in a child process under the limits and returns what it produced. The child
// cannot create or change files, open sockets or start programs (where the system offers such
// a filter), and its memory and CPU time are limited; after the time limit it is killed.
ChildOutcome runInChild(const std::function<std::string()>& work, const ReaderSettings& settings);

// Whether this build has the filter (libseccomp) that keeps the child from writing.
bool childIsFiltered();
