// main() for builds without libFuzzer (the normal and the gcc sanitizer builds): every input
// of the driver runs once, as libFuzzer runs files named on its command line. Fuzzing itself is
// libFuzzer's, in the guided fuzz build (scripts/build-fuzzers).
//
//   fuzz_<name> [options] [file or folder]...
//     -timeout=S          an input running longer than S seconds is a hang (default 20)
//     -artifact_prefix=P  where a crashing input is written, as P + "crash-<hash>" (default
//                         build/fuzz/<name>/)
//   Other libFuzzer options are accepted and ignored.
//
// Without names the driver's own regression cases and corpus are run (as its CMake line lists
// them). A crash, a sanitizer report, a hang or Fuzz::Fail writes the input and ends the run
// with a non-zero status.
#include "tests/fuzz/Fuzz.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace
{
    const std::string* currentInput = nullptr;
    std::string artifactPrefix = GORVANE_FUZZ_ARTIFACTS;
    char artifactPath[4096] = "";

    // Only async-signal-safe calls from here on: it runs in signal handlers.
    void WriteArtifact(const char* kind)
    {
        if (!currentInput)
            return;
        std::uint64_t hash = 1469598103934665603ull;
        for (char c : *currentInput)
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        char name[64];
        std::snprintf(name, sizeof name, "%s-%016llx", kind, static_cast<unsigned long long>(hash));
        std::snprintf(artifactPath, sizeof artifactPath, "%s%s", artifactPrefix.c_str(), name);
        const int file = open(artifactPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (file >= 0)
        {
            std::size_t done = 0;
            while (done < currentInput->size())
            {
                const ssize_t n = write(file, currentInput->data() + done, currentInput->size() - done);
                if (n <= 0)
                    break;
                done += static_cast<std::size_t>(n);
            }
            close(file);
        }
        const char* text = "\n==fuzz== the input was written to ";
        (void)!write(2, text, std::strlen(text));
        (void)!write(2, artifactPath, std::strlen(artifactPath));
        (void)!write(2, "\n", 1);
        currentInput = nullptr;
    }

    void OnCrashSignal(int number)
    {
        WriteArtifact("crash");
        std::signal(number, SIG_DFL);
        std::raise(number);
    }

    void OnTimeout(int)
    {
        const char* text = "\n==fuzz== an input ran past the time-out (a hang)\n";
        (void)!write(2, text, std::strlen(text));
        WriteArtifact("timeout");
        _exit(70);
    }

    void OnSanitizerDeath()
    {
        WriteArtifact("crash");
    }

    void InstallHandlers()
    {
        // Stack overflows are reported too: the handler runs on a stack of its own.
        static std::vector<char> alternateStack(1 << 16);
        stack_t stack{};
        stack.ss_sp = alternateStack.data();
        stack.ss_size = alternateStack.size();
        sigaltstack(&stack, nullptr);
        for (int number : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        {
            struct sigaction action{};
            action.sa_handler = OnCrashSignal;
            action.sa_flags = SA_ONSTACK;
            sigaction(number, &action, nullptr);
        }
        struct sigaction action{};
        action.sa_handler = OnTimeout;
        sigaction(SIGALRM, &action, nullptr);
        if (__sanitizer_set_death_callback)
            __sanitizer_set_death_callback(OnSanitizerDeath);
    }

    bool ReadFile(const std::string& path, std::string& text)
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return false;
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }

    void Collect(const std::string& path, std::vector<std::string>& inputs, std::vector<std::string>& names)
    {
        struct stat info{};
        if (stat(path.c_str(), &info) != 0)
        {
            std::cerr << "==fuzz== no such file or folder: " << path << "\n";
            std::exit(2);
        }
        if (S_ISDIR(info.st_mode))
        {
            std::vector<std::string> entries;
            if (DIR* dir = opendir(path.c_str()))
            {
                while (dirent* entry = readdir(dir))
                    if (entry->d_name[0] != '.')
                        entries.push_back(path + "/" + entry->d_name);
                closedir(dir);
            }
            std::sort(entries.begin(), entries.end());
            for (const std::string& entry : entries)
                Collect(entry, inputs, names);
            return;
        }
        std::string text;
        if (ReadFile(path, text))
        {
            inputs.push_back(text);
            names.push_back(path);
        }
    }

    long Option(const std::string& argument, const char* name, long fallback)
    {
        const std::string prefix = std::string("-") + name + "=";
        return argument.compare(0, prefix.size(), prefix) == 0 ? std::atol(argument.c_str() + prefix.size()) : fallback;
    }
}

int main(int argc, char** argv)
{
    long timeout = 20;
    std::vector<std::string> inputs, names, paths;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        if (argument[0] != '-')
        {
            paths.push_back(argument);
            continue;
        }
        timeout = Option(argument, "timeout", timeout);
        if (argument.compare(0, 17, "-artifact_prefix=") == 0)
            artifactPrefix = argument.substr(17);
    }
    if (paths.empty())
    {
        const std::string list = GORVANE_FUZZ_INPUTS;
        for (std::size_t from = 0; from <= list.size();)
        {
            const std::size_t bar = std::min(list.find('|', from), list.size());
            if (bar > from)
                paths.push_back(list.substr(from, bar - from));
            from = bar + 1;
        }
    }
    InstallHandlers();
    LLVMFuzzerInitialize(&argc, &argv);
    for (const std::string& path : paths)
        Collect(path, inputs, names);
    for (const std::string& input : inputs)
    {
        currentInput = &input;
        alarm(static_cast<unsigned>(timeout));
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
        alarm(0);
        currentInput = nullptr;
    }
    std::cerr << "==fuzz== " << inputs.size() << " inputs passed\n";
    return 0;
}
