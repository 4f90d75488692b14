#include "import/reader_process.h"

#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <cstring>
#include <filesystem>
#include <new>

#ifdef QUELMAR_HAVE_SECCOMP
#include <seccomp.h>
#endif

#include "import/model_reader.h"
#include "import/model_wire.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUELMAR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUELMAR_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

constexpr std::uint64_t kGigabyte = 1ull << 30;

void limitResources(const ReaderSettings& settings) {
    // The address sanitizer reserves terabytes of address space up front; under it the memory
    // limit would stop every child at once, so sanitizer builds run without it.
#ifndef QUELMAR_ADDRESS_SANITIZER
    rlimit memory{settings.memoryLimit, settings.memoryLimit};
    setrlimit(RLIMIT_AS, &memory);
#endif
    // SIGXCPU at the limit; SIGKILL a second later should it be caught.
    rlim_t seconds = static_cast<rlim_t>(settings.timeLimit);
    rlimit cpu{seconds, seconds + 1};
    setrlimit(RLIMIT_CPU, &cpu);
    rlimit core{0, 0};  // no core dumps of a crashed reader
    setrlimit(RLIMIT_CORE, &core);
}

// Forbids what a reader never needs: creating, changing or removing files, opening files for
// writing, sockets, and starting programs. Anything else is allowed: the filter is a second
// wall, not the only one.
void forbidWritingAndNetwork() {
#ifdef QUELMAR_HAVE_SECCOMP
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter) return;
    const int refused = SCMP_ACT_ERRNO(EPERM);
    for (int call : {SCMP_SYS(socket), SCMP_SYS(socketpair), SCMP_SYS(connect), SCMP_SYS(bind), SCMP_SYS(execve),
                     SCMP_SYS(execveat), SCMP_SYS(creat), SCMP_SYS(rename), SCMP_SYS(renameat), SCMP_SYS(renameat2),
                     SCMP_SYS(unlink), SCMP_SYS(unlinkat), SCMP_SYS(mkdir), SCMP_SYS(mkdirat), SCMP_SYS(rmdir),
                     SCMP_SYS(link), SCMP_SYS(linkat), SCMP_SYS(symlink), SCMP_SYS(symlinkat), SCMP_SYS(truncate),
                     SCMP_SYS(chmod), SCMP_SYS(fchmodat), SCMP_SYS(chown), SCMP_SYS(fchownat), SCMP_SYS(mknod),
                     SCMP_SYS(mknodat), SCMP_SYS(ptrace), SCMP_SYS(openat2)})
        seccomp_rule_add(filter, refused, call, 0);
    for (int flag : {O_WRONLY, O_RDWR, O_CREAT, O_TRUNC, O_APPEND}) {
        seccomp_rule_add(filter, refused, SCMP_SYS(open), 1,
                         SCMP_A1(SCMP_CMP_MASKED_EQ, static_cast<scmp_datum_t>(flag), static_cast<scmp_datum_t>(flag)));
        seccomp_rule_add(filter, refused, SCMP_SYS(openat), 1,
                         SCMP_A2(SCMP_CMP_MASKED_EQ, static_cast<scmp_datum_t>(flag), static_cast<scmp_datum_t>(flag)));
    }
    seccomp_load(filter);
    seccomp_release(filter);
#endif
}

volatile bool spinning = false;

// A switch for the importer's own tests, which must show what happens when the reader
// crashes, hangs, spins, runs out of memory or answers nonsense, without depending on one
// version of the parser having those faults.
std::optional<std::string> testFault() {
    const char* fault = std::getenv("QUELMAR_IMPORT_TEST_READER_FAULT");
    if (!fault) return std::nullopt;
    std::string which = fault;
    if (which == "crash") std::abort();
    if (which == "hang")
        for (;;) pause();
    if (which == "spin")
        for (;;) spinning = true;
    if (which == "memory")
        for (;;) new char[64 << 20]{1};
    if (which == "garbage") return std::string("QMR1 not a model");
    return std::nullopt;
}

bool writeAll(int descriptor, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

[[noreturn]] void childMain(int replyPipe, pid_t parent, const std::function<std::string()>& work,
                            const ReaderSettings& settings) {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGPIPE, SIG_DFL);
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // the importer killed: no reader left running on its own
    if (getppid() != parent) _exit(4);  // it ended before the line above
    // The importer's summary goes to the standard output: nothing of the reader's may mix in.
    int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing >= 0) dup2(nothing, STDOUT_FILENO);
    limitResources(settings);
    forbidWritingAndNetwork();
    std::string reply = work();
    _exit(writeAll(replyPipe, reply) ? 0 : 3);
}

using Clock = std::chrono::steady_clock;

// Reads the child's reply until it closes the pipe, the time is up, or the reply would
// exceed the child's own memory limit (a reply cannot be larger than what the child held).
ChildOutcome::End collectReply(int replyPipe, Clock::time_point deadline, std::uint64_t largest, std::string& reply) {
    constexpr std::size_t kChunk = 1 << 20;  // read straight into the reply, a megabyte at a time
    std::size_t filled = 0;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return ChildOutcome::End::timedOut;
        pollfd wait{replyPipe, POLLIN, 0};
        int ready = poll(&wait, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR) return ChildOutcome::End::failed;
        if (ready <= 0) continue;
        if (reply.size() < filled + kChunk) reply.resize(std::max(filled + kChunk, reply.size() * 2));
        ssize_t got = read(replyPipe, reply.data() + filled, kChunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) {
            reply.resize(filled);
            return got == 0 ? ChildOutcome::End::replied : ChildOutcome::End::failed;
        }
        filled += static_cast<std::size_t>(got);
        if (filled > largest) return ChildOutcome::End::replyTooLarge;
    }
}

// Waits for the child to end, killing it at the deadline; its wait status.
int reap(pid_t child, Clock::time_point deadline, bool& killed) {
    int status = 0;
    for (;;) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return status;
        if (done < 0 && errno != EINTR) return 0;
        if (Clock::now() >= deadline && !killed) {
            kill(child, SIGKILL);
            killed = true;
        }
        usleep(killed ? 1000 : 2000);
    }
}

std::string memoryMessage(const ReaderSettings& settings) {
    return "needs more than " + memorySizeText(settings.memoryLimit) + " of memory; allow more with --memory-limit";
}

// Why a reader that did not reply ended, in words that say what to do about it.
std::string whatEndedTheReader(const ChildOutcome& outcome, const ReaderSettings& settings) {
    using End = ChildOutcome::End;
    switch (outcome.end) {
    case End::timedOut:
        return "gave up after " + std::to_string(settings.timeLimit) +
               " s; if the file is really that large, allow more with --time-limit";
    case End::crashed:
        return "the reader crashed (signal " + std::to_string(outcome.code) +
               "); the file is damaged or uses a feature this reader does not support";
    case End::failed:
        return "the reader failed (exit status " + std::to_string(outcome.code) + ")";
    case End::replyTooLarge:
        return memoryMessage(settings);
    case End::notStarted:
    case End::replied:
        break;
    }
    return std::string("the reader could not be started: ") + std::strerror(errno);
}

}  // namespace

bool childIsFiltered() {
#ifdef QUELMAR_HAVE_SECCOMP
    return true;
#else
    return false;
#endif
}

std::uint64_t defaultReaderMemoryLimit() {
    long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    std::uint64_t quarter = pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * pageSize / 4 : 2 * kGigabyte;
    return std::min(quarter, 8 * kGigabyte);
}

std::string memorySizeText(std::uint64_t bytes) {
    char text[32];
    if (bytes >= kGigabyte)
        std::snprintf(text, sizeof text, "%.3g GB", static_cast<double>(bytes) / kGigabyte);
    else
        std::snprintf(text, sizeof text, "%llu MB", static_cast<unsigned long long>(bytes >> 20));
    return text;
}

ChildOutcome runInChild(const std::function<std::string()>& work, const ReaderSettings& settings) {
    ChildOutcome outcome;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return outcome;
    std::fflush(nullptr);  // nothing buffered may be written twice
    pid_t parent = getpid();
    pid_t child = fork();
    if (child < 0) {
        close(ends[0]);
        close(ends[1]);
        return outcome;
    }
    if (child == 0) {
        close(ends[0]);
        childMain(ends[1], parent, work, settings);
    }
    close(ends[1]);
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(settings.timeLimit);
    ChildOutcome::End end = collectReply(ends[0], deadline, settings.memoryLimit, outcome.reply);
    close(ends[0]);
    bool killed = false;
    if (end != ChildOutcome::End::replied) {
        kill(child, SIGKILL);
        killed = true;
    }
    int status = reap(child, end == ChildOutcome::End::replied ? deadline : Clock::now(), killed);
    if (end == ChildOutcome::End::replied && killed) end = ChildOutcome::End::timedOut;
    outcome.end = end;
    if (end != ChildOutcome::End::replied) {
        outcome.reply.clear();
        return outcome;
    }
    if (WIFSIGNALED(status)) {
        outcome.code = WTERMSIG(status);
        outcome.end = outcome.code == SIGXCPU ? ChildOutcome::End::timedOut : ChildOutcome::End::crashed;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        outcome.code = WEXITSTATUS(status);
        outcome.end = ChildOutcome::End::failed;
    }
    if (outcome.end != ChildOutcome::End::replied) outcome.reply.clear();
    return outcome;
}

std::optional<ImportedModel> readModel(const std::string& path, std::vector<std::string>& warnings,
                                       std::string& why, const ReaderSettings& settings) {
    auto work = [&]() {
        ReaderReply reply;
        try {
            if (std::optional<std::string> fault = testFault()) return *fault;
            std::optional<ImportedModel> model = readModelInThisProcess(path, reply.warnings, reply.why, settings.searchFolders);
            reply.read = model.has_value();
            if (model) reply.model = std::move(*model);
        } catch (const std::bad_alloc&) {
            reply = {};
            reply.outOfMemory = true;
        } catch (const std::exception& e) {
            reply.read = false;
            reply.why = e.what();
        }
        return encodeReply(reply);
    };
    ChildOutcome outcome = runInChild(work, settings);
    if (outcome.end != ChildOutcome::End::replied) {
        why = whatEndedTheReader(outcome, settings);
        return std::nullopt;
    }
    std::string problem;
    std::optional<ReaderReply> reply = decodeReply(outcome.reply, problem);
    if (!reply) {
        why = "the reader's reply is malformed (" + problem + ")";
        return std::nullopt;
    }
    warnings.insert(warnings.end(), reply->warnings.begin(), reply->warnings.end());
    if (reply->outOfMemory) {
        why = memoryMessage(settings);
        return std::nullopt;
    }
    if (!reply->read) {
        why = reply->why.empty() ? "unknown format" : reply->why;
        return std::nullopt;
    }
    // The model's folder is where this process looks for its textures: taken from the name
    // given, not from the reply.
    reply->model.folder = std::filesystem::path(path).parent_path().string();
    if (!checkModel(reply->model, problem)) {
        why = problem;
        return std::nullopt;
    }
    return std::move(reply->model);
}
