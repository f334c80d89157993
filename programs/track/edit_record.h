#pragma once

// The changes made to a run's targets from the live window, as a text file
// a person can read and edit, and a later run repeats:
//
//     # tavo-track edits: FRAME add|drop|reinit ID [X Y W H]
//     12 add 3 100 40 30 60
//     20 drop 1
//     25 reinit 2 50 60 30 30
//
// Each line is one change, applied after frame FRAME (the video's
// numbering) is tracked and its results written, before the next frame is
// tracked: add learns target ID at the box, drop ends target ID, reinit
// relearns target ID at the box.  Lines are in the order the changes were
// made (frames never decrease); blank lines and lines starting with '#'
// are left out.  Numbers are whole, fields separated by spaces or tabs.

#include "support/box.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tavo_cli {

enum class EditAction { Add, Drop, Reinit };

struct TargetEdit {
    int frame = 0;  // the video's frame after which it applies
    EditAction action = EditAction::Add;
    int id = 0;
    Box box;       // add and reinit only
    int line = 0;  // of the file read, for messages; 0 when made in the window
};

// The line that repeats `edit`, e.g. "12 add 3 100 40 30 60" (no newline).
std::string editLine(const TargetEdit& edit);

// The edits of `text`, read strictly; false with `error` naming the file
// `name`, the line and the reason.
bool parseEdits(const std::string& text, const std::string& name, std::vector<TargetEdit>& edits,
                std::string& error);

// The edits of the file --apply-edits names; false with `error` set when it
// cannot be read or holds anything but edit lines.
bool readEditsFile(const std::string& name, std::vector<TargetEdit>& edits, std::string& error);

// --edits FILE: written as the changes are made, each line flushed at once,
// so that the file holds every change made so far whatever becomes of the
// run (it is not one of the result files a failed run discards).
class EditsWriter {
public:
    EditsWriter() = default;
    ~EditsWriter();
    EditsWriter(const EditsWriter&) = delete;
    EditsWriter& operator=(const EditsWriter&) = delete;

    // Creates (or empties) `name` and writes the header; false with `error`
    // naming --edits, the file and the reason.
    bool open(const std::string& name, std::string& error);
    bool isOpen() const { return file_ != nullptr; }
    // Appends the edit's line; false with `error` set when it cannot be
    // written (the writer is closed then).
    bool append(const TargetEdit& edit, std::string& error);

private:
    std::FILE* file_ = nullptr;
    std::string name_;
};

}  // namespace tavo_cli
