#pragma once
// Checks the console makes before a run, a rebuild from ray files or a new auralization changes
// anything on disk. Each one that fails shows its message and ends with status 1, so that the
// results already in the project folder stay as they were.

#include <string>

class TRoom;

// The project argument is not a folder (which opens, but reads as an empty project); with
// writesReport, not the information report "SIM-INFO.txt" of the working directory either.
void CheckProjectFile(const std::string& path, bool writesReport);

// "-dxf2txt": the project file to write is not the drawing it is converted from.
void CheckConversionTarget(const std::string& drawing, const std::string& project);

// What a loaded project needs before its old results are deleted: a source and a receiver, a
// name that no result file of the run takes, a sample rate the band filters support (unless
// only stored responses are read again) and responses and ray directions that fit in memory.
void CheckRoomCanRun(TRoom& room, bool synthesises);

// "-rayfiles": the project stores late arrivals, and every pair's ray file "RAYS-Sxxx-Rxxx.txt"
// exists, ends with a complete line and holds arrival records of finite numbers only.
void CheckStoredRayFiles(TRoom& room);

// "-auralize", on results created for reading: every pair's response file holds a full response
// of finite values, and its parameter file the direct-sound lines, which the pair keeps (its
// onset and the stored lines) instead of the unknown direct sound of a response read back.
void CheckStoredResponses(TRoom& room);

// Before saving: every pair's response and parameters are finite numbers, so that no "nan" or
// "inf" reaches a file.
void CheckResultsFinite(TRoom& room);

// What a run needs that the loaded project may still lack, checked before any file is written:
// every plane triangulated and, with auralization, every dry sound file usable (a mono WAV
// file the reader takes, of finite samples). Also warns of the receivers that get no direct
// sound: one outside the room (a ray from it leaves the room's planes) or at a source (closer
// to it than the receiver's radius).
void CheckRunInputs(TRoom& room);
