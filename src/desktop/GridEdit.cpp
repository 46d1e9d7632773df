#include "desktop/GridEdit.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace GridEdit {
namespace {

bool IsBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string Trimmed(const std::string& text)
{
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

}  // namespace

std::optional<double> ParseNumber(const std::string& text)
{
    std::string t = Trimmed(text);
    // from_chars takes a leading minus only.
    if (!t.empty() && t[0] == '+') {
        t.erase(0, 1);
        if (!t.empty() && (t[0] == '+' || t[0] == '-')) return std::nullopt;
    }
    if (t.empty()) return std::nullopt;
    double value = 0.0;
    // from_chars ignores the locale and never accepts a second sign.
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

double Clamp01(double value)
{
    return value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
}

int FittedColumnWidth(int width, int widestText)
{
    return widestText > 0 ? std::max(width, widestText + kColumnPadding) : width;
}

std::string Fixed2(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%1.2f", value);
    std::string s = text;
    for (char& c : s)
        if (c == ',') c = '.';  // the interface thread may run in a comma locale
    return s;
}

std::string NewName(const char* format, unsigned number)
{
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<int>(number));
    return text;
}

std::string NameFromCell(const std::string& text)
{
    std::string name = text;
    for (char& c : name)
        if (IsBlank(c)) c = '_';
    return name;
}

std::string CheckName(const std::string& name, const std::vector<std::string>& names, int row, const std::string& kind)
{
    if (name.empty()) return "The " + kind + " needs a name.";
    if (name.size() > 511) return "The " + kind + " name is longer than 511 characters.";
    for (size_t i = 0; i < names.size(); ++i)
        if (static_cast<int>(i) != row && names[i] == name) return "Duplicated " + kind + ": " + name;
    return {};
}

std::string NumberRefusal(const std::string& text)
{
    if (ParseNumber(text)) return {};
    return "\"" + text + "\" is not a number.";
}

std::string SoundFileRefusal(const std::string& text)
{
    for (char c : text)
        if (IsBlank(c)) return "Sound file paths cannot contain blanks: " + text;
    return {};
}

}  // namespace GridEdit
