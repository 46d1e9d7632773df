#pragma once
// Readable names for parameterised test cases: GoogleTest takes only letters, digits and '_'.

#include <cctype>
#include <sstream>
#include <string>

// The text with '-' as "m", '.' as "p" and every other character that may not stand in a
// test name as '_': "-0.25" becomes "m0p25".
inline std::string ParamName(const std::string& text)
{
    std::string name;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
        else if (c == '-')
            name += 'm';
        else if (c == '.')
            name += 'p';
        else
            name += '_';
    }
    return name;
}

// A number as it prints, made a name: 1e-3 becomes "0p001".
inline std::string ParamName(double value)
{
    std::ostringstream text;
    text << value;
    return ParamName(text.str());
}
