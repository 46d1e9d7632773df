#include "geometry/util.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <system_error>
#include <unistd.h>

#include "geometry/ErrorHandler.h"

namespace {

// The longest text the error box shows (its buffer holds 512 characters with the zero).
constexpr std::size_t kMaxMessage = 511;

struct Spec {
    bool left = false;  // '-': pad on the right
    bool zero = false;  // '0': pad with zeros
    int width = 0;
    int precision = -1;  // -1: none given
};

void Pad(std::string& out, const std::string& text, const Spec& spec, bool signAware)
{
    const std::size_t width = static_cast<std::size_t>(spec.width);
    if (text.size() >= width) {
        out += text;
        return;
    }
    const std::size_t fill = width - text.size();
    if (spec.left) {
        out += text;
        out.append(fill, ' ');
    } else if (spec.zero) {
        // The sign stays in front of the zeros: "-007".
        std::size_t start = 0;
        if (signAware && !text.empty() && (text[0] == '-' || text[0] == '+')) {
            out += text[0];
            start = 1;
        }
        out.append(fill, '0');
        out.append(text, start, std::string::npos);
    } else {
        out.append(fill, ' ');
        out += text;
    }
}

void FormatInteger(std::string& out, std::uintmax_t magnitude, bool negative, int base, bool upper, Spec spec)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[magnitude % base]);
        magnitude /= base;
    } while (magnitude != 0);
    if (spec.precision >= 0) {
        if (spec.precision == 0 && text == "0") text.clear();
        if (text.size() < static_cast<std::size_t>(spec.precision))
            text.insert(0, static_cast<std::size_t>(spec.precision) - text.size(), '0');
        spec.zero = false;  // a precision overrides zero padding, as in printf
    }
    if (negative) text.insert(text.begin(), '-');
    Pad(out, text, spec, true);
}

void FormatFloating(std::string& out, long double value, char conv, Spec spec)
{
    const bool upper = conv == 'E' || conv == 'G';
    const char lower = static_cast<char>(upper ? conv - 'A' + 'a' : conv);
    const std::chars_format fmt = lower == 'f'   ? std::chars_format::fixed
                                  : lower == 'e' ? std::chars_format::scientific
                                                 : std::chars_format::general;
    const int precision = spec.precision < 0 ? 6 : std::min(spec.precision, 400);
    // Large enough for any double in fixed notation with the capped precision.
    std::vector<char> buf(static_cast<std::size_t>(precision) + 5000);
    const double v = static_cast<double>(value);
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), v, fmt, precision);
    std::string text = res.ec == std::errc() ? std::string(buf.data(), res.ptr) : std::string("?");
    if (upper)
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!std::isfinite(v)) spec.zero = false;
    Pad(out, text, spec, true);
}

// printf-like formatting with the conversions the error box knows; see util.h.
std::string FormatText(const char* format, va_list args)
{
    std::string out;
    if (!format) return out;
    const char* p = format;
    while (*p && out.size() <= kMaxMessage) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        ++p;
        if (*p == '\0') break;  // a lone '%' at the end produces nothing
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        Spec spec;
        if (*p == '-') {
            spec.left = true;
            ++p;
        }
        while (*p == '0') {
            spec.zero = true;
            ++p;
        }
        while (*p >= '0' && *p <= '9') {
            spec.width = std::min(spec.width * 10 + (*p - '0'), 10000);
            ++p;
        }
        if (*p == '.') {
            ++p;
            spec.precision = 0;
            while (*p >= '0' && *p <= '9') {
                spec.precision = std::min(spec.precision * 10 + (*p - '0'), 10000);
                ++p;
            }
        }
        // Length modifiers: they only choose how wide the argument is.
        enum { kInt, kChar, kShort, kLong, kLongLong, kSize, kMax, kLongDouble } len = kInt;
        if (*p == 'h') {
            ++p;
            len = kShort;
            if (*p == 'h') {
                ++p;
                len = kChar;
            }
        } else if (*p == 'l') {
            ++p;
            len = kLong;
            if (*p == 'l') {
                ++p;
                len = kLongLong;
            }
        } else if (*p == 'z') {
            ++p;
            len = kSize;
        } else if (*p == 'j') {
            ++p;
            len = kMax;
        } else if (*p == 'L') {
            ++p;
            len = kLongDouble;
        }
        const char conv = *p;
        if (conv == '\0') break;
        ++p;
        switch (conv) {
        case 's': {
            const char* s = va_arg(args, const char*);
            std::string text = s ? s : "(null)";
            if (spec.precision >= 0 && text.size() > static_cast<std::size_t>(spec.precision))
                text.resize(static_cast<std::size_t>(spec.precision));
            Pad(out, text, spec, false);
            break;
        }
        case 'c': {
            const char c = static_cast<char>(va_arg(args, int));
            Pad(out, std::string(1, c), spec, false);
            break;
        }
        case 'd':
        case 'i': {
            std::intmax_t v;
            switch (len) {
            case kLong:
                v = va_arg(args, long);
                break;
            case kLongLong:
                v = va_arg(args, long long);
                break;
            case kSize:
                v = static_cast<std::intmax_t>(va_arg(args, std::size_t));
                break;
            case kMax:
                v = va_arg(args, std::intmax_t);
                break;
            case kShort:
                v = static_cast<short>(va_arg(args, int));
                break;
            case kChar:
                v = static_cast<signed char>(va_arg(args, int));
                break;
            default:
                v = va_arg(args, int);
                break;
            }
            const bool negative = v < 0;
            // Negate as unsigned so the most negative value survives.
            const std::uintmax_t mag =
                negative ? std::uintmax_t(0) - static_cast<std::uintmax_t>(v) : static_cast<std::uintmax_t>(v);
            FormatInteger(out, mag, negative, 10, false, spec);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            std::uintmax_t v;
            switch (len) {
            case kLong:
                v = va_arg(args, unsigned long);
                break;
            case kLongLong:
                v = va_arg(args, unsigned long long);
                break;
            case kSize:
                v = va_arg(args, std::size_t);
                break;
            case kMax:
                v = va_arg(args, std::uintmax_t);
                break;
            case kShort:
                v = static_cast<unsigned short>(va_arg(args, unsigned int));
                break;
            case kChar:
                v = static_cast<unsigned char>(va_arg(args, unsigned int));
                break;
            default:
                v = va_arg(args, unsigned int);
                break;
            }
            FormatInteger(out, v, false, conv == 'u' ? 10 : 16, conv == 'X', spec);
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G': {
            const long double v =
                len == kLongDouble ? va_arg(args, long double) : static_cast<long double>(va_arg(args, double));
            FormatFloating(out, v, conv == 'F' ? 'f' : conv, spec);
            break;
        }
        default:
            // Unknown conversion: nothing is produced and no argument is taken.
            break;
        }
    }
    if (out.size() > kMaxMessage) out.resize(kMaxMessage);
    return out;
}

bool IsWriteMode(const char* modo)
{
    return modo && (modo[0] == 'w' || modo[0] == 'a');
}

// The runtime here knows no text mode: drop the 't' of "rt", "wt", "at".
std::string PosixMode(const char* modo)
{
    std::string m;
    for (const char* c = modo; c && *c; ++c)
        if (*c != 't') m += *c;
    return m.empty() ? std::string("r") : m;
}

// Value of the first "key = value" line: the token after the first '=', ended by a blank or a
// line feed. False when no usable line exists (no file, no key, no '=', no value).
bool FindKeyValue(const char* VarName, const char* FileName, std::string& value)
{
    FILE* fid = utilOpenFile(FileName, "rt");
    if (!fid) return false;
    std::string line;
    bool found = false;
    while (utilReadLine(fid, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line.find(VarName ? VarName : "") == std::string::npos) continue;
        // The first line with the key decides, as the file's readers always did.
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) {
            std::size_t b = line.find_first_not_of(" \n\t", eq + 1);
            if (b != std::string::npos) {
                std::size_t e = line.find_first_of(" \n\t", b);
                value = line.substr(b, e == std::string::npos ? std::string::npos : e - b);
                found = true;
            }
        }
        break;
    }
    std::fclose(fid);
    return found;
}

}  // namespace

// ---- Error box -------------------------------------------------------------------------------

int ErrorMessage(char* Msg)
{
    return ShowErrorText(Msg ? std::string(Msg) : std::string("(null)"));
}

int ErrorMessage(const std::string& Msg)
{
    return ShowErrorText(Msg);
}

void ErrorMessage(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatText(format, args);
    va_end(args);
    ShowErrorText(text);
}

// ---- Text files ------------------------------------------------------------------------------

FILE* utilOpenFile(const char* arquivo, const char* modo)
{
    FILE* fid = arquivo ? std::fopen(arquivo, PosixMode(modo).c_str()) : nullptr;
    if (!fid)
        ErrorMessage("\n O arquivo %s nao pode ser aberto para %s!\n", arquivo ? arquivo : "(null)",
                     IsWriteMode(modo) ? "escrita" : "leitura");
    return fid;
}

FILE* utilOpenFile(const std::string& arquivo, const char* modo)
{
    return utilOpenFile(arquivo.c_str(), modo);
}

bool utilFileExist(const char* arquivo)
{
    if (!arquivo) return false;
    std::error_code ec;
    if (std::filesystem::is_directory(arquivo, ec)) return false;
    FILE* fid = std::fopen(arquivo, "r");
    if (!fid) return false;
    std::fclose(fid);
    return true;
}

bool utilFileExist(const std::string& arquivo)
{
    return utilFileExist(arquivo.c_str());
}

bool utilReadLine(FILE* fid, std::string& line)
{
    line.clear();
    if (!fid) return false;
    int c;
    while ((c = std::fgetc(fid)) != EOF) {
        line += static_cast<char>(c);
        if (c == '\n') break;
    }
    if (line.empty()) return false;
    // Files written on Windows: "...\r\n" reads as "...\n".
    if (line.back() == '\n') {
        if (line.size() >= 2 && line[line.size() - 2] == '\r') line.erase(line.size() - 2, 1);
    } else if (line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

int utilBusca(FILE* fid, const char* texto, std::string& temp)
{
    const char* key = texto ? texto : "";
    while (utilReadLine(fid, temp))
        if (temp.find(key) != std::string::npos) return 1;
    return 0;
}

int utilBusca(FILE* fid, const char* texto)
{
    std::string temp;
    return utilBusca(fid, texto, temp);
}

int utilBuscaExata(FILE* fid, const char* texto, std::string& temp)
{
    const char* key = texto ? texto : "";
    while (utilReadLine(fid, temp)) {
        const std::size_t nl = temp.find('\n');
        if (temp.compare(0, nl, key) == 0) return 1;
    }
    return 0;
}

int utilGetNumLineItems(const std::string& line)
{
    return static_cast<int>(std::count_if(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\n'; }));
}

long utilGetFileSize(const char* FileName)
{
    std::error_code ec;
    const bool regular = FileName && std::filesystem::is_regular_file(FileName, ec);
    const auto size = regular ? std::filesystem::file_size(FileName, ec) : 0;
    FILE* probe = regular && !ec ? std::fopen(FileName, "rb") : nullptr;
    if (!probe) {
        ShowErrorAndThrowExit(1, std::string("utilGetFileSize : Error Opening File ") +
                                     (FileName ? FileName : "(null)") + "\n");
    }
    std::fclose(probe);
    return static_cast<long>(size);
}

int utilReadIntValueData(const char* VarName, const char* FileName)
{
    std::string value;
    if (!FindKeyValue(VarName, FileName, value)) {
        std::printf("utilReadIntValueData : Value '%s' not found in file '%s'\n RETURNING -1\n", VarName, FileName);
        return -1;
    }
    return utilAtoi(value.c_str());
}

float utilReadFloatValueData(const char* VarName, const char* FileName)
{
    std::string value;
    if (!FindKeyValue(VarName, FileName, value)) {
        std::printf("utilReadFloatValueData : Value '%s' not found in file '%s'\n RETURNING -1\n", VarName, FileName);
        return -1.0f;
    }
    return static_cast<float>(utilAtof(value.c_str()));
}

void utilReadCharValueData(const char* VarName, const char* FileName, std::string& Value)
{
    if (!FindKeyValue(VarName, FileName, Value)) {
        std::printf("utilReadCharValueData : Value '%s' not found in file '%s'\n RETURNING NULL\n", VarName, FileName);
        Value = "NULL";
    }
}

unsigned int utilReadFloatVector(const char* FileName, std::vector<float>& data)
{
    data.clear();
    FILE* fid = utilOpenFile(FileName, "rt");
    if (!fid) return 0;
    std::string line;
    while (utilReadLine(fid, line)) {
        const char* s = line.c_str();
        while (*s == ' ' || *s == '\t') ++s;
        if (*s == '\n' || *s == '\0') continue;
        data.push_back(static_cast<float>(utilAtof(s)));
    }
    std::fclose(fid);
    return static_cast<unsigned int>(data.size());
}

int utilAtoi(const char* text)
{
    if (!text) return 0;
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r') ++text;
    if (*text == '+') {
        ++text;
        if (*text == '-') return 0;
    }
    long long v = 0;
    auto res = std::from_chars(text, text + std::strlen(text), v);
    if (res.ec == std::errc::result_out_of_range) return *text == '-' ? INT_MIN : INT_MAX;
    if (res.ec != std::errc()) return 0;
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

double utilAtof(const char* text)
{
    if (!text) return 0.0;
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r') ++text;
    if (*text == '+') {
        ++text;
        if (*text == '-') return 0.0;
    }
    double v = 0.0;
    auto res = std::from_chars(text, text + std::strlen(text), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Overflow becomes infinity and underflow zero, as with strtod.
        const bool negative = *text == '-';
        const char* e = std::strpbrk(text, "eE");
        const bool tiny = e && e[1] == '-';
        v = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        return negative ? -v : v;
    }
    if (res.ec != std::errc()) return 0.0;
    return v;
}

// ---- Printing --------------------------------------------------------------------------------

void printData(const float* data, unsigned int N)
{
    for (unsigned int i = 0; i < N; ++i) std::printf("%1.2f ", data[i]);
    std::printf("\n");
}

void printData(const float* data, unsigned int N, const char* title)
{
    std::printf("%s: ", title ? title : "");
    printData(data, N);
}

void utilPlotFloat(const float*, unsigned int) {}

// ---- Numeric helpers -------------------------------------------------------------------------

float utilGetMaxAbs(const float* Data, unsigned long N)
{
    float m = 0.0f;
    for (unsigned long i = 0; i < N; ++i)
        if (std::fabs(Data[i]) > m) m = std::fabs(Data[i]);
    return m;
}

float utilGetMax(const float* Data, unsigned long N)
{
    float m = -std::numeric_limits<float>::infinity();
    for (unsigned long i = 0; i < N; ++i)
        if (Data[i] > m) m = Data[i];
    return m;
}

float utilGetMin(const float* Data, unsigned long N)
{
    float m = std::numeric_limits<float>::infinity();
    for (unsigned long i = 0; i < N; ++i)
        if (Data[i] < m) m = Data[i];
    return m;
}

float utilRandSign()
{
    return static_cast<float>(2 * (std::rand() % 2) - 1);
}

void utilInt2BinaryString(unsigned int x, unsigned int NBins, char* outstring)
{
    for (unsigned int i = 0; i < NBins; ++i) {
        const unsigned int bit = i < 32 ? (x >> i) & 1u : 0u;
        outstring[NBins - 1 - i] = bit ? '1' : '0';
    }
}

void utilInt2Binary(unsigned int x, unsigned int NBins, unsigned int* outstring)
{
    for (unsigned int i = 0; i < NBins; ++i) outstring[NBins - 1 - i] = i < 32 ? (x >> i) & 1u : 0u;
}

bool utilFloatCmp(float f1, float f2)
{
    return f1 < f2;
}

float utilSign(float x)
{
    return x < 0 ? -1.0f : 1.0f;
}

short utilBigToLittleEndian(short x)
{
    const auto u = static_cast<unsigned short>(x);
    return static_cast<short>(static_cast<unsigned short>((u >> 8) | (u << 8)));
}

float utilRand(float MinVal, float MaxVal)
{
    thread_local std::mt19937 gen{std::random_device{}()};
    const float lo = std::min(MinVal, MaxVal);
    const float hi = std::max(MinVal, MaxVal);
    std::uniform_real_distribution<float> dist(lo, hi);
    const float v = lo == hi ? lo : dist(gen);
    return std::min(v, hi);
}

float utilPrecision(float num, int precision)
{
    const double scale = std::pow(10.0, precision);
    return static_cast<float>(std::trunc(static_cast<double>(num) * scale) / scale);
}

long utilReadLongBuffer(int handle, int* buffer, long items)
{
    if (!buffer || items <= 0) return 0;
    char* dst = reinterpret_cast<char*>(buffer);
    const std::size_t total = static_cast<std::size_t>(items) * sizeof(int);
    std::size_t done = 0;
    while (done < total) {
        const std::size_t chunk = std::min<std::size_t>(total - done, 32767);
        const ssize_t got = ::read(handle, dst + done, chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long>(done / sizeof(int));
}

std::string utilFormat(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, fmt, args);
    va_end(args);
    return text;
}
