// A room's result files written as one set: temporaries in the project folder, put in place
// together once every file is complete.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "geometry/ErrorHandler.h"
#include "simulation/TResult.h"
#include "simulation/TRoom.h"

namespace {

// The files of a run that the next run replaces.
struct Kind {
    const char* label;  // printed before the pattern
    const char* shown;  // the pattern as printed
    const char* removed;
};
const Kind kRunFiles[] = {
    {"IR Files:       ", "S?\?\?-R???.txt", "S?\?\?-R???.txt"},
    {"PARAM Files:    ", "PARAMS-*.txt", "PARAMS-*.txt"},
    {"RAY Files:      ", "RAYS-*.txt", "RAYS*.txt"},  // the ray and early ray files
    {"AUDIO Files:    ", "S?\?\?-R???.wav", "S?\?\?-R???.wav"},
    {"AUDIO Files:    ", "SALL-R???.wav", "SALL-R???.wav"},
    {"AUDIO Files:    ", "S?\?\?-R?\?\?-IR.wav", "S?\?\?-R?\?\?-IR.wav"},
};

void ListRunFiles(const TRoom& room)
{
    std::printf("=======================================\n");
    std::printf("Removing old files: \n");
    for (const Kind& k : kRunFiles) std::printf("%s%s\n", k.label, room.ProjectFile(k.shown).c_str());
}

// The pairs' ray and hit files closed, their pending text written, and the early arrivals'
// scratch files beside them gone: nothing of the set is written after it has been put in place
// or dropped, and no scratch file is put in place with it.
void CloseSetFiles(TRoom& room)
{
    for (auto& row : room.spcresult)
        for (auto& pair : row)
            if (pair) {
                pair->CloseRayFile();
                pair->CloseHitFile();
                pair->EarlyArrivals.Clear();
            }
}

}  // namespace

void TRoom::CleanResultFiles()
{
    ListRunFiles(*this);
    for (const Kind& k : kRunFiles) StagedFiles::RemoveMatching(ProjectFolder, k.removed, ProjectFile(ProjectName));
    PlaneHitsBeforeRun.clear();
}

void TRoom::BeginResultSet(bool replacesRun)
{
    staged_.reset();  // a set left open is dropped
    if (!runLock) runLock = std::make_unique<RunLock>(ProjectFolder);
    staged_ = std::make_unique<StagedFiles>(ProjectFolder);
    replacesRun_ = replacesRun;
}

std::string TRoom::ResultFile(const std::string& name) const
{
    return staged_ ? staged_->Path(name) : ProjectFile(name);
}

void TRoom::CommitResultSet()
{
    if (!staged_) return;
    CloseSetFiles(*this);
    const std::unique_ptr<StagedFiles> set = std::move(staged_);
    std::vector<std::string> stale;
    if (replacesRun_)
        for (const Kind& k : kRunFiles) stale.push_back(k.removed);
    const bool ok = set->Commit(stale, ProjectFile(ProjectName));
    runLock.reset();
    if (!ok) ShowErrorAndThrowExit(1, set->Failure() + "\nNo results were changed.\n");
    if (replacesRun_) ListRunFiles(*this);  // removed with the commit
}

void TRoom::DiscardResultSet()
{
    // A file that failed is news to the user when the set goes without a commit.
    if (!staged_) {
        runLock.reset();
        return;
    }
    CloseSetFiles(*this);
    if (staged_->Failed()) ShowErrorText(staged_->Failure() + "\nNo results were changed.\n");
    staged_.reset();
    runLock.reset();
}
