#include "simulation/TextFields.h"

#include <charconv>
#include <stdio.h>
#include <system_error>
#include <type_traits>

namespace {

// Enough for any double in fixed notation with a few decimals (the largest has 309 digits).
constexpr std::size_t kNumberBuffer = 400;

template <typename T>
bool ParseWhole(std::string_view field, T& value)
{
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    if (field.empty()) return false;
    T parsed{};
    const char* first = field.data();
    const char* last = first + field.size();
    std::from_chars_result r;
    if constexpr (std::is_floating_point_v<T>)
        r = std::from_chars(first, last, parsed, std::chars_format::general);
    else
        r = std::from_chars(first, last, parsed);
    if (r.ec != std::errc() || r.ptr != last) return false;
    value = parsed;
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

void AppendFixed(std::string& out, double value, int decimals)
{
    char buf[kNumberBuffer];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) {
        // Only a precision far beyond what the files use can get here.
        int n = std::snprintf(buf, sizeof buf, "%.*e", decimals, value);
        out.append(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
        return;
    }
    out.append(buf, r.ptr);
}

void AppendGeneral(std::string& out, double value)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
    out.append(buf, r.ec == std::errc() ? r.ptr : buf);
}

void AppendInt(std::string& out, long long value)
{
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

std::size_t SplitFields(std::string_view line, std::string_view* fields, std::size_t maxFields)
{
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size()) break;
        std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (count < maxFields) fields[count] = line.substr(start, i - start);
        ++count;
    }
    return count;
}

bool ParseFloat(std::string_view field, float& value) { return ParseWhole(field, value); }
bool ParseDouble(std::string_view field, double& value) { return ParseWhole(field, value); }
bool ParseInt(std::string_view field, int32_t& value) { return ParseWhole(field, value); }
bool ParseUnsigned(std::string_view field, uint32_t& value) { return ParseWhole(field, value); }

bool ParseInt32Bits(std::string_view field, uint32_t& value)
{
    int64_t wide = 0;
    if (!ParseWhole(field, wide)) return false;
    if (wide < INT32_MIN || wide > static_cast<int64_t>(UINT32_MAX)) return false;
    value = static_cast<uint32_t>(wide);
    return true;
}

bool ReadTextLine(std::FILE* f, std::string& line)
{
    line.clear();
    int c = 0;
    bool any = false;
    // One lock for the whole line: result files are read a line at a time.
    flockfile(f);
    while ((c = getc_unlocked(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    funlockfile(f);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

void SkipWhiteSpace(std::FILE* f)
{
    int c = 0;
    flockfile(f);
    while ((c = getc_unlocked(f)) != EOF) {
        if (!IsBlank(static_cast<char>(c))) {
            std::ungetc(c, f);
            break;
        }
    }
    funlockfile(f);
}

bool WriteText(std::FILE* f, std::string_view text)
{
    return std::fwrite(text.data(), 1, text.size(), f) == text.size();
}
