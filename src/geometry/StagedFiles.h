#pragma once
// A set of files written whole: each is written under a temporary name in its target folder and
// the set is put in place in one step once every file is complete. Until then the folder's
// earlier files stay as they are; a set that fails or is dropped removes its temporaries.
//
// Only one set writes a folder at a time (the run lock sees to it), so every temporary found in
// the folder belongs to the set.

#include <mutex>
#include <string>
#include <vector>

class StagedFiles {
public:
    // A folder "" is the working directory.
    explicit StagedFiles(std::string folder);
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Where the file `name` of the folder is written until the set is committed. A name that is
    // only the start of a file name ("RAYS" for "RAYS-S001-R001.txt") gives the start of its path.
    std::string Path(const std::string& name) const;
    // The folder's path for `name`, where the file lies once committed.
    std::string Target(const std::string& name) const;

    // A file of the set could not be written; the first failure is kept. Safe from any thread.
    void Fail(const std::string& path, const std::string& why);
    bool Failed() const;
    // "Cannot write <file>: <why>" of the first failure, naming the file the set was to put in place.
    std::string Failure() const;

    // Puts every file of the set in place, replacing the earlier ones, then removes the folder's
    // regular files that match one of `stale` ('?' and '*' wildcards) and that the set did not
    // write, never `keep`. False, when a file was not written or cannot be put in place: the
    // earlier files are all back as they were and the temporaries are gone (Failure says why).
    bool Commit(const std::vector<std::string>& stale = {}, const std::string& keep = "");
    // Removes the temporaries; the folder keeps its earlier files.
    void Discard();

    // Keeps a failure on a path of a live set; false when no set owns the path.
    static bool Note(const std::string& path, const std::string& why);
    // What a process that ended in the middle left in folder: earlier files set aside go back,
    // temporaries go.
    static void Recover(const std::string& folder);

    // Removes the regular files of folder matching pattern, except `keep` and the names in
    // `spare`; reports (prints) what cannot be removed.
    static void RemoveMatching(const std::string& folder, const std::string& pattern, const std::string& keep,
                               const std::vector<std::string>& spare = {});
    // Wildcard match: '?' one character, '*' any run of characters.
    static bool Matches(const std::string& pattern, const std::string& name);

private:
    std::string folder_;
    std::string prefix_;  // folder joined with the temporaries' name prefix
    mutable std::mutex mutex_;
    std::string failure_;
    bool done_ = false;
};
