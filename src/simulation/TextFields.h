#pragma once
// Number formatting and field parsing for the result text files (ray, hit and lost-ray lines).
// Everything works in the "C" locale whatever the process locale is, and formatting appends to
// a caller-owned string, so a string with enough capacity is filled without allocating.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// printf("%1.<decimals>f") of the value.
void AppendFixed(std::string& out, double value, int decimals);
// printf("%g") of the value.
void AppendGeneral(std::string& out, double value);
// The same for floats (as printf sees them, widened to double), by exact integer arithmetic:
// several times faster than the general conversion, for the lines of arrival records.
void AppendFixed(std::string& out, float value, int decimals);
void AppendGeneral(std::string& out, float value);
// The same, and the float that reading the text back (std::from_chars) gives, from the
// digits written; false where that is not decided so (the caller reads the text then).
bool AppendFixedRead(std::string& out, float value, int decimals, float& read);
bool AppendGeneralRead(std::string& out, float value, float& read);
// printf("%d") / printf("%u").
void AppendInt(std::string& out, long long value);

// The same numbers gathered in a buffer and appended to out a few hundred characters at a
// time and by Flush (what is not flushed is dropped): for the lines of the result files. Float
// fields take a shorter exact route where it reaches and the functions above elsewhere; the
// text is the same.
class FieldWriter {
public:
    explicit FieldWriter(std::string& out) : out_(out) {}
    FieldWriter(const FieldWriter&) = delete;
    FieldWriter& operator=(const FieldWriter&) = delete;

    void Int(long long value);
    void Fixed(float value, int decimals);
    void General(float value);
    bool FixedRead(float value, int decimals, float& read);
    bool GeneralRead(float value, float& read);
    void Char(char c)
    {
        Room();
        *p_++ = c;
    }
    // Appends what is gathered.
    void Flush();

    // Room for one field: a float with up to 9 decimals, a sign and 39 integer digits.
    static constexpr std::size_t kFieldChars = 64;

private:
    void Room()
    {
        if (static_cast<std::size_t>(buf_ + sizeof buf_ - p_) < kFieldChars) Flush();
    }
    std::string& out_;
    char buf_[512];
    char* p_ = buf_;
};

// Splits a line at blanks, tabs and line ends. Stores at most maxFields views and returns the
// number of fields found (which may exceed maxFields).
std::size_t SplitFields(std::string_view line, std::string_view* fields, std::size_t maxFields);

// Whole-field conversions: the field must be a number and nothing else. A leading '+' is
// accepted. Nothing is stored on failure.
bool ParseFloat(std::string_view field, float& value);
bool ParseDouble(std::string_view field, double& value);
bool ParseInt(std::string_view field, int32_t& value);
bool ParseUnsigned(std::string_view field, uint32_t& value);
// A 32-bit integer written either signed or unsigned ("-1" and "4294967295" give the same bits).
bool ParseInt32Bits(std::string_view field, uint32_t& value);

// Reads one line (without its '\n' and a trailing '\r') into line. Returns false at end of file
// when nothing was read.
bool ReadTextLine(std::FILE* f, std::string& line);
// Skips white space so that the end-of-file indicator is set right after the last line.
void SkipWhiteSpace(std::FILE* f);
// Writes the text; returns false on a write error.
bool WriteText(std::FILE* f, std::string_view text);
