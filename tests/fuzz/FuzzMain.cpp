// The fuzzing loop shared by every driver: an in-process mutation loop without coverage
// feedback, aimed at data files. Inputs are mutated byte-wise and with tokens that readers find
// hard (non-finite and huge numbers, markup, deep nesting, long repetitions).
//
//   fuzz_<name> [options] [file or folder]...
//     -runs=N             stop after N mutated inputs (default: no limit)
//     -max_total_time=S   stop after S seconds (default: no limit)
//     -seed=N             random seed (default: from the clock; printed)
//     -max_len=N          longest mutated input in bytes (default 262144)
//     -timeout=S          an input running longer than S seconds is a hang (default 20)
//     -artifact_prefix=P  where a crashing input is written, as P + "crash-<hash>" (default
//                         build/fuzz/<name>/)
//
// Every file named (folders: every file in them) runs once first, unmutated; without names the
// driver's own regression cases and seeds are used (as its CMake line lists them). Only files
// outside a "regressions" folder are then mutated. A crash, a sanitizer report, a hang or Fuzz::Fail writes the input and
// ends the run with a non-zero status.
#include "tests/fuzz/Fuzz.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

#ifdef GORVANE_FUZZ_COVERAGE
namespace Fuzz { void ClearCoverage(); long CoveredEdges(); }  // CoverageCount.cpp
#define GORVANE_COVERAGE_TEXT ", cov: " << Fuzz::CoveredEdges()
#else
#define GORVANE_COVERAGE_TEXT ""
#endif

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

    // Values and markup that readers of data files get wrong.
    const std::vector<std::string> hostileNumbers = {
        "nan", "-nan", "NaN", "inf", "-inf", "infinity", "1e39", "-1e39", "3.4e38", "-3.4e38", "1e308", "1e-45",
        "0", "-0", "0 0 0 0", "0 0 0", "1e30 1e30 1e30 1e30", "4294967295", "4294967296", "-1", "-5", "20000",
        "100000", "2049", "2050", "99999999999999999999", "0x7fffffff", "1e7", "1.0000001e7", "2", "1", ""};
    const std::vector<std::string> tokens = {
        "<", ">", "</", "/>", "=\"", "\"", "'", "=", " ", "\n", "\t", ":", "<!--", "-->", "<![CDATA[", "]]>",
        "<?xml version=\"1.0\"?>", "<!DOCTYPE x>", "&amp;", "&#x41;", "&#0;", "&", "<a>", "</a>", "<a/>",
        " Position=\"", " Rotation=\"", " Size=\"", " Orientation=\"", " Type=\"", " Location=\"",
        "<Entity Type=\"", "<BoxSensor Size=\"1 1 1\"/>", "<Body Shape=\"Box\" Static=\"false\"/>",
        "<Body Shape=\"Convex\" Static=\"true\"/>", "<Actor/>", "<Mesh File=\"", " AmbientLight=\"",
        " WorldGeometry=\"", " GroundPlane=\"true\"", "PageSize=", "PageWorldX=", "MaxHeight=",
        "Heightmap.image=", "\xff", std::string(1, '\0')};

    class Mutator
    {
    public:
        Mutator(std::uint64_t seed, std::size_t maxLength) : random(seed), maxLength(maxLength) {}

        std::string Mutate(const std::string& base, const std::vector<std::string>& corpus)
        {
            std::string data = base;
            const int steps = 1 + static_cast<int>(Below(4));
            for (int i = 0; i < steps; ++i)
                MutateOnce(data, corpus);
            if (data.size() > maxLength)
                data.resize(maxLength);
            return data;
        }

    private:
        std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(random() % n); }

        const std::string& Pick(const std::vector<std::string>& list) { return list[Below(list.size())]; }

        void MutateOnce(std::string& data, const std::vector<std::string>& corpus)
        {
            const std::size_t at = Below(data.size() + 1);
            switch (Below(11))
            {
            case 0:  // flip a bit
                if (!data.empty())
                    data[Below(data.size())] ^= static_cast<char>(1 << Below(8));
                break;
            case 1:  // a random byte
                if (!data.empty())
                    data[Below(data.size())] = static_cast<char>(Below(256));
                break;
            case 2:  // insert random bytes
                for (std::size_t n = 1 + Below(8); n > 0; --n)
                    data.insert(data.begin() + static_cast<std::ptrdiff_t>(Below(data.size() + 1)),
                                static_cast<char>(Below(256)));
                break;
            case 3:  // cut a piece out
                if (!data.empty())
                    data.erase(at > 0 ? at - 1 : 0, 1 + Below(std::min<std::size_t>(data.size(), 64)));
                break;
            case 4:  // copy a piece elsewhere
                if (!data.empty())
                {
                    const std::size_t from = Below(data.size());
                    const std::string piece = data.substr(from, 1 + Below(128));
                    data.insert(Below(data.size() + 1), piece);
                }
                break;
            case 5:
                data.insert(at, Pick(tokens));
                break;
            case 6:  // replace a number (or what follows a quote) with a hostile one
            {
                std::size_t start = data.find_first_of("0123456789-.", at);
                if (start == std::string::npos)
                    start = data.find_first_of("0123456789-.");
                if (start == std::string::npos)
                {
                    data.insert(at, Pick(hostileNumbers));
                    break;
                }
                std::size_t end = start;
                while (end < data.size() && std::strchr("0123456789-.eE+", data[end]) && data[end] != '\0')
                    ++end;
                data.replace(start, end - start, Pick(hostileNumbers));
                break;
            }
            case 7:  // splice with another input
                if (!corpus.empty())
                {
                    const std::string& other = Pick(corpus);
                    data = data.substr(0, at) + other.substr(Below(other.size() + 1));
                }
                break;
            case 8:  // nest deeply
            {
                const std::size_t levels = 1 + Below(Below(2) ? 400 : 6000);
                std::string open, close;
                for (std::size_t n = 0; n < levels; ++n)
                    open += "<a>";
                if (Below(2))
                    for (std::size_t n = 0; n < levels; ++n)
                        close += "</a>";
                data.insert(at, open + close);
                break;
            }
            case 9:  // repeat an element (or any piece) many times
            {
                // At most a thousand: thousands of bodies in one spot are slow in the physics
                // world's broadphase whatever the engine does (regressions/ holds a bigger case).
                std::size_t start = data.rfind('<', at);
                if (start == std::string::npos)
                    start = Below(data.size() + 1);
                std::size_t end = data.find('>', start);
                end = end == std::string::npos ? data.size() : end + 1;
                const std::string piece = data.substr(start, end - start);
                const std::size_t times = 1 + Below(Below(16) ? 50 : 1000);
                std::string repeated;
                repeated.reserve(piece.size() * times);
                for (std::size_t n = 0; n < times && repeated.size() < maxLength; ++n)
                    repeated += piece;
                data.insert(end, repeated);
                break;
            }
            default:  // a hostile number anywhere
                data.insert(at, Pick(hostileNumbers));
                break;
            }
        }

        std::mt19937_64 random;
        std::size_t maxLength;
    };

    long Option(const std::string& argument, const char* name, long fallback)
    {
        const std::string prefix = std::string("-") + name + "=";
        return argument.compare(0, prefix.size(), prefix) == 0 ? std::atol(argument.c_str() + prefix.size()) : fallback;
    }
}


int main(int argc, char** argv)
{
    long runs = -1, seconds = -1, maxLength = 262144, timeout = 20;
    std::uint64_t seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::vector<std::string> corpus, names;
    std::vector<std::string> paths;
    std::string keepFolder;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        if (argument[0] != '-')
        {
            paths.push_back(argument);
            continue;
        }
        runs = Option(argument, "runs", runs);
        seconds = Option(argument, "max_total_time", seconds);
        maxLength = Option(argument, "max_len", maxLength);
        timeout = Option(argument, "timeout", timeout);
        seed = static_cast<std::uint64_t>(Option(argument, "seed", static_cast<long>(seed)));
        if (argument.compare(0, 17, "-artifact_prefix=") == 0)
            artifactPrefix = argument.substr(17);
        if (argument.compare(0, 6, "-keep=") == 0)
            keepFolder = argument.substr(6);
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
#ifdef GORVANE_FUZZ_COVERAGE
    Fuzz::ClearCoverage();
    long covered = 0;
#endif
    for (const std::string& path : paths)
        Collect(path, corpus, names);

    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    auto runOne = [timeout](const std::string& input) {
        currentInput = &input;
        alarm(static_cast<unsigned>(timeout));
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
        alarm(0);
        currentInput = nullptr;
    };

    for (std::size_t i = 0; i < corpus.size(); ++i)
        runOne(corpus[i]);
    std::cerr << "==fuzz== " << corpus.size() << " regression cases and seeds passed; seed " << seed
              << GORVANE_COVERAGE_TEXT << "\n";
    // Regression cases are often huge or slow on purpose; only the seeds are mutated.
    std::vector<std::string> seedsOnly;
    for (std::size_t i = 0; i < corpus.size(); ++i)
        if (names[i].find("/regressions/") == std::string::npos)
            seedsOnly.push_back(corpus[i]);
    corpus.swap(seedsOnly);
    if (corpus.empty())
        corpus.push_back(std::string());

    Mutator mutator(seed, static_cast<std::size_t>(maxLength));
    std::mt19937_64 choose(seed ^ 0x9e3779b97f4a7c15ull);
    long done = 0;
    double nextReport = 10.0;
    const std::size_t seeds = corpus.size();
    while ((runs < 0 || done < runs) && (seconds < 0 || elapsed() < seconds))
    {
        const std::string input = mutator.Mutate(corpus[choose() % corpus.size()], corpus);
        runOne(input);
        ++done;
#ifdef GORVANE_FUZZ_COVERAGE
        // An input that reached new edges is kept (-keep=folder), so that libFuzzer's binary can
        // replay what the blind loop reached and count it its own way.
        if (!keepFolder.empty() && Fuzz::CoveredEdges() > covered)
        {
            covered = Fuzz::CoveredEdges();
            std::ofstream(keepFolder + "/input-" + std::to_string(done), std::ios::binary) << input;
        }
#endif
        // Now and then a survivor joins the corpus, so that mutations pile up; the corpus keeps
        // its seeds and at most a few hundred others.
        if (choose() % 32 == 0 && input.size() < 65536)
        {
            if (corpus.size() < seeds + 256)
                corpus.push_back(input);
            else
                corpus[seeds + choose() % 256] = input;
        }
        if (elapsed() >= nextReport)
        {
            std::cerr << "==fuzz== " << done << " inputs, " << static_cast<long>(done / elapsed()) << "/s"
                      << GORVANE_COVERAGE_TEXT << "\n";
            nextReport += 10.0;
        }
    }
    std::cerr << "==fuzz== done: " << done << " mutated inputs in " << static_cast<long>(elapsed())
              << " s without a fault" << GORVANE_COVERAGE_TEXT << "\n";
    return 0;
}
