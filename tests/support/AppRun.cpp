#include "support/AppRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

extern char** environ;

namespace NuvraMobile {

bool AppRun::ExitedWith(int code) const {
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

std::string AppRun::Describe() const {
    std::ostringstream text;
    if (status == -1) {
        text << "did not start";
    } else if (WIFSIGNALED(status)) {
        text << "ended by signal " << WTERMSIG(status);
    } else {
        text << "exit status " << WEXITSTATUS(status);
    }
    text << "; its output:\n" << output;
    return text.str();
}

long long AppRun::NumberAfter(const std::string& word) const {
    const auto found = output.find(word + " ");
    return found == std::string::npos ? -1 : std::stoll(output.substr(found + word.size() + 1));
}

long long AppRun::MsToTheEnd(const std::string& word) const {
    const long long printed = NumberAfter(word);
    if (printed <= 0) {
        return -1;
    }
    const std::chrono::steady_clock::time_point then{std::chrono::steady_clock::duration(printed)};
    return std::chrono::duration_cast<std::chrono::milliseconds>(ended - then).count();
}

AppRun RunApp(const std::string& program, const std::string& folder, const std::string& mode,
              const std::string& argument, bool checkLeaks) {
    AppRun run;
    std::filesystem::create_directories(folder);
    std::vector<std::string> environment = {"XDG_DATA_HOME=" + folder + "/share",
                                            "XDG_CACHE_HOME=" + folder + "/cache"};
    std::string addressOptions = "ASAN_OPTIONS=";
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        if (entry.rfind("ASAN_OPTIONS=", 0) == 0) {
            addressOptions = entry + ":";
        } else if (entry.rfind("XDG_DATA_HOME=", 0) != 0 && entry.rfind("XDG_CACHE_HOME=", 0) != 0) {
            environment.push_back(entry);
        }
    }
    // The last setting of an option wins.
    environment.push_back(addressOptions + (checkLeaks ? "" : "detect_leaks=0"));
    std::vector<char*> envp;
    for (auto& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string programPath = program;
    std::string modeArgument = mode;
    std::string extraArgument = argument;
    char* argv[] = {programPath.data(), modeArgument.data(),
                    argument.empty() ? nullptr : extraArgument.data(), nullptr};
    const std::string outputPath = folder + "/output";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, programPath.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return run;
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        return run;
    }
    run.ended = std::chrono::steady_clock::now();
    run.status = status;
    std::ifstream output(outputPath);
    run.output.assign(std::istreambuf_iterator<char>(output), std::istreambuf_iterator<char>());
    return run;
}

}  // namespace NuvraMobile
