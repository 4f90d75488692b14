// Running the programs under test as separate processes.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Where a started program reads from and runs in; empty means as the test itself.
struct ProcessSetting {
    std::string inputFile;      // its standard input
    std::string workingFolder;  // its working directory
    std::string errorFile;      // its standard error, kept apart from standard output

    ProcessSetting(std::string input = "", std::string folder = "", std::string error = "")
        : inputFile(std::move(input)), workingFolder(std::move(folder)), errorFile(std::move(error)) {}
};

// Runs arguments[0] with the arguments, standard output and error both going to `logFile`
// (standard error to setting.errorFile instead, when one is named), and
// returns its exit status, or -1 when it could not be started or did not exit normally.
int runProgram(const std::vector<std::string>& arguments, const std::string& logFile,
               const ProcessSetting& setting = {});
