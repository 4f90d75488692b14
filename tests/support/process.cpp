#include "support/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

int runProgram(const std::vector<std::string>& arguments, const std::string& logFile,
               const ProcessSetting& setting) {
    std::vector<char*> argv;
    // A cross build's programs run through the emulator that runs the tests themselves.
    std::string emulator = QUELMAR_PROGRAM_EMULATOR;
    if (!emulator.empty()) argv.push_back(emulator.data());
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (setting.errorFile.empty())
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, setting.errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!setting.inputFile.empty())
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, setting.inputFile.c_str(), O_RDONLY, 0);
    if (!setting.workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, setting.workingFolder.c_str());
    pid_t child = 0;
    int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
