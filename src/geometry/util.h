#pragma once
// Small shared helpers: text files, the error box, item counting and a few numeric tools.

#include <cstdio>
#include <string>
#include <vector>

// ---- Error box -------------------------------------------------------------------------------

// Shows Msg unchanged (no formatting) and returns the handler's answer (1 for OK).
int ErrorMessage(char* Msg);
int ErrorMessage(const std::string& Msg);

// printf-style formatting into a string of any length (numbers as the C library prints them).
std::string utilFormat(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// printf-like: %s %d %u %x %X %c with '-', '0' and a width, %f %e %g (and E, G) with a
// precision, length modifiers h hh l ll z j (L for floats); "%%" gives '%'. Any other
// conversion letter produces nothing and takes no argument. The text is cut at 511 characters.
void ErrorMessage(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// ---- Text files ------------------------------------------------------------------------------

// fopen with a message box on failure: "\n O arquivo %s nao pode ser aberto para %s!\n"
// ("escrita" for writing and appending modes, "leitura" otherwise). Returns null on failure.
FILE* utilOpenFile(const char* arquivo, const char* modo);
FILE* utilOpenFile(const std::string& arquivo, const char* modo);

// True when the file can be opened for reading.
bool utilFileExist(const char* arquivo);
bool utilFileExist(const std::string& arquivo);

// Reads one whole line of any length into `line`, keeping its line feed (if it had one) but
// dropping a carriage return before it. Returns false at the end of the file (nothing read).
bool utilReadLine(FILE* fid, std::string& line);

// Reads lines from the current position until one contains `texto`; returns 1 with that line
// (with its line feed) in `temp`, or 0 at the end of the file. The stream is left just after
// the matching line.
int utilBusca(FILE* fid, const char* texto, std::string& temp);
int utilBusca(FILE* fid, const char* texto);

// Like utilBusca, but the line without its line feed must equal `texto` exactly.
int utilBuscaExata(FILE* fid, const char* texto, std::string& temp);

// Number of blanks (0x20) and line feeds in the line: the item count of a project-file line
// read with its line feed.
int utilGetNumLineItems(const std::string& line);

// Size of the file in bytes; a file that cannot be opened shows
// "utilGetFileSize : Error Opening File %s\n" and ends the process with status 1.
long utilGetFileSize(const char* FileName);

// "key = value" readers: the first line that contains VarName and does not begin with '#'.
// A missing file, key, '=' or value prints a notice and returns -1 (or "NULL").
int utilReadIntValueData(const char* VarName, const char* FileName);
float utilReadFloatValueData(const char* VarName, const char* FileName);
void utilReadCharValueData(const char* VarName, const char* FileName, std::string& Value);

// Reads a file of one number per line; returns how many values were read into `data`.
unsigned int utilReadFloatVector(const char* FileName, std::vector<float>& data);

// Numbers in the "C" locale whatever the process locale is, with atoi/atof's leniency:
// leading blanks are skipped, the longest valid prefix is taken, no number gives 0.
int utilAtoi(const char* text);
double utilAtof(const char* text);

// ---- Printing --------------------------------------------------------------------------------

void printData(const float* data, unsigned int N);
void printData(const float* data, unsigned int N, const char* title);
void utilPlotFloat(const float* x, unsigned int N);

// ---- Numeric helpers -------------------------------------------------------------------------

float utilGetMaxAbs(const float* Data, unsigned long N);  // 0 for N = 0
float utilGetMax(const float* Data, unsigned long N);     // -inf for N = 0
float utilGetMin(const float* Data, unsigned long N);     // +inf for N = 0
float utilRandSign();                                     // -1 or +1
// Writes the NBins low bits of x, most significant first; no terminator.
void utilInt2BinaryString(unsigned int x, unsigned int NBins, char* outstring);
void utilInt2Binary(unsigned int x, unsigned int NBins, unsigned int* outstring);
bool utilFloatCmp(float f1, float f2);  // f1 < f2
float utilSign(float x);                // -1 for x < 0, else +1
short utilBigToLittleEndian(short x);
// Uniform random value in [MinVal, MaxVal].
float utilRand(float MinVal, float MaxVal);
// num truncated to `precision` decimals.
float utilPrecision(float num, int precision);
// Reads up to `items` 32-bit words from a file descriptor; returns the words read.
long utilReadLongBuffer(int handle, int* buffer, long items);
