#include "dsp/IIRCoefFile.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "geometry/util.h"

IIRCoefFile::IIRCoefFile(const char* FileName)
{
    FILE* fid = utilOpenFile(FileName, "rt");
    if (!fid) return;
    open_ = true;
    std::string item;
    int c;
    while ((c = fgetc(fid)) != EOF) {
        if (std::isspace(c) || c == '=') {
            if (!item.empty()) items_.push_back(item);
            item.clear();
            if (c == '=') items_.push_back("=");
        } else {
            item += static_cast<char>(c);
        }
    }
    if (!item.empty()) items_.push_back(item);
    fclose(fid);
}

bool IIRCoefFile::Expect(const char* word)
{
    if (pos_ >= items_.size() || items_[pos_] != word) return false;
    pos_++;
    return true;
}

bool IIRCoefFile::ReadInt(int& value)
{
    if (pos_ >= items_.size()) return false;
    const std::string& s = items_[pos_];
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    pos_++;
    return true;
}

bool IIRCoefFile::ReadFloat(float& value)
{
    if (pos_ >= items_.size()) return false;
    const std::string& s = items_[pos_];
    const char* first = s.data();
    if (*first == '+') first++;
    auto [end, ec] = std::from_chars(first, s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return false;
    pos_++;
    return true;
}
