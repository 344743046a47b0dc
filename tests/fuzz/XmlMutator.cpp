// libFuzzer's mutations for the XML drivers, with three of our own that its byte-wise ones
// seldom make and that readers of data files get wrong: a number replaced by a hostile one, an
// element nested thousands deep, an element repeated a thousand times. One mutation in four is
// ours; the dictionary (data.dict) brings the tokens.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace
{
    const std::vector<std::string> hostileNumbers = {
        "nan", "-nan", "inf", "-inf", "1e39", "-1e39", "3.4e38", "1e308", "1e-45", "0", "-0", "0 0 0 0",
        "1e30 1e30 1e30 1e30", "4294967296", "-1", "2049", "2050", "99999999999999999999", "1e7",
        "1.0000001e7", ""};

    // A number at or after `at` (or anywhere) becomes a hostile one.
    void ReplaceNumber(std::string& data, std::size_t at, std::mt19937& random)
    {
        std::size_t start = data.find_first_of("0123456789-.", at);
        if (start == std::string::npos)
            start = data.find_first_of("0123456789-.");
        const std::string& number = hostileNumbers[random() % hostileNumbers.size()];
        if (start == std::string::npos)
        {
            data.insert(at, number);
            return;
        }
        std::size_t end = start;
        while (end < data.size() && std::strchr("0123456789-.eE+", data[end]) && data[end] != '\0')
            ++end;
        data.replace(start, end - start, number);
    }

    void NestDeeply(std::string& data, std::size_t at, std::mt19937& random)
    {
        const std::size_t levels = 1 + random() % (random() % 2 ? 400 : 6000);
        std::string open, close;
        for (std::size_t n = 0; n < levels; ++n)
            open += "<a>";
        if (random() % 2)
            for (std::size_t n = 0; n < levels; ++n)
                close += "</a>";
        data.insert(at, open + close);
    }

    // The element (or piece) around `at`, repeated. At most a thousand times: thousands of bodies
    // in one spot are slow in the physics broadphase whatever the engine does.
    void RepeatElement(std::string& data, std::size_t at, std::size_t maxSize, std::mt19937& random)
    {
        std::size_t start = data.rfind('<', at);
        if (start == std::string::npos)
            start = random() % (data.size() + 1);
        std::size_t end = data.find('>', start);
        end = end == std::string::npos ? data.size() : end + 1;
        const std::string piece = data.substr(start, end - start);
        const std::size_t times = 1 + random() % (random() % 16 ? 50 : 1000);
        std::string repeated;
        for (std::size_t n = 0; n < times && repeated.size() < maxSize; ++n)
            repeated += piece;
        data.insert(end, repeated);
    }
}

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* bytes, std::size_t size, std::size_t maxSize,
                                              unsigned int seed)
{
    std::mt19937 random(seed);
    if (random() % 4 != 0 || maxSize == 0)
        return LLVMFuzzerMutate(bytes, size, maxSize);
    std::string data(reinterpret_cast<const char*>(bytes), size);
    const std::size_t at = random() % (data.size() + 1);
    switch (random() % 3)
    {
    case 0:
        ReplaceNumber(data, at, random);
        break;
    case 1:
        NestDeeply(data, at, random);
        break;
    default:
        RepeatElement(data, at, maxSize, random);
        break;
    }
    if (data.size() > maxSize)
        data.resize(maxSize);
    std::memcpy(bytes, data.data(), data.size());
    return data.size();
}
