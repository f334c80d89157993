#include "programs/track/edit_record.h"

#include "evaluation/text_input.h"
#include "settings/number_text.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace tavo_cli {

namespace {

const char* const kHeader =
    "# tavo-track edits: FRAME add|drop|reinit ID [X Y W H], each applied after FRAME is tracked;\n"
    "# repeat the run with the same options and --apply-edits on this file\n";

// Field counts: frame, action, id, and the box for add and reinit.
constexpr size_t kFieldsWithoutBox = 3;
constexpr size_t kFieldsWithBox = 7;
// A field quoted in a message is cut to this many characters.
constexpr size_t kQuotedField = 20;

const char* actionName(EditAction action)
{
    switch (action) {
    case EditAction::Add:
        return "add";
    case EditAction::Drop:
        return "drop";
    case EditAction::Reinit:
        return "reinit";
    }
    return "?";
}

std::vector<std::string> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields;
    size_t at = 0;
    while (at < line.size()) {
        const size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string::npos)
            break;
        const size_t end = line.find_first_of(" \t", start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        at = end == std::string::npos ? line.size() : end;
    }
    return fields;
}

// A field as a message shows it: printable characters, cut when long.
std::string quoted(const std::string& field)
{
    std::string shown;
    for (const char c : field.substr(0, kQuotedField))
        shown += c >= ' ' && c < 127 ? c : '?';
    return "'" + shown + (field.size() > kQuotedField ? "...'" : "'");
}

// The edit of one line's fields; the reason when they are not one.
std::string parseFields(const std::vector<std::string>& f, TargetEdit& edit)
{
    const auto frame = parseInt(f[0]);
    if (!frame || *frame < 1)
        return "the frame " + quoted(f[0]) + " is not a frame number (1 or more)";
    edit.frame = *frame;
    if (f.size() < 2)
        return "expected FRAME add|drop|reinit ID [X Y W H]";
    if (f[1] == "add" || f[1] == "reinit")
        edit.action = f[1] == "add" ? EditAction::Add : EditAction::Reinit;
    else if (f[1] == "drop")
        edit.action = EditAction::Drop;
    else
        return "the change " + quoted(f[1]) + " is none of add, drop, reinit";
    const size_t wanted = edit.action == EditAction::Drop ? kFieldsWithoutBox : kFieldsWithBox;
    if (f.size() != wanted)
        return std::string(actionName(edit.action)) + " takes " +
               (wanted == kFieldsWithBox ? "FRAME, ID and a box X Y W H" : "FRAME and ID alone") + ", not " +
               std::to_string(f.size()) + " fields";
    const auto id = parseInt(f[2]);
    if (!id || *id < 1)
        return "the id " + quoted(f[2]) + " is not a target id (1 or more)";
    edit.id = *id;
    if (wanted == kFieldsWithoutBox)
        return "";
    std::string why;
    const auto box = parseBox(f[3] + "," + f[4] + "," + f[5] + "," + f[6], why);
    if (!box)
        return "the box " + quoted(f[3] + " " + f[4] + " " + f[5] + " " + f[6]) + ": " + why;
    edit.box = *box;
    return "";
}

}  // namespace

std::string editLine(const TargetEdit& edit)
{
    std::string line = std::to_string(edit.frame) + " " + actionName(edit.action) + " " + std::to_string(edit.id);
    if (edit.action != EditAction::Drop)
        line += " " + std::to_string(edit.box.x) + " " + std::to_string(edit.box.y) + " " +
                std::to_string(edit.box.width) + " " + std::to_string(edit.box.height);
    return line;
}

bool parseEdits(const std::string& text, const std::string& name, std::vector<TargetEdit>& edits,
                std::string& error)
{
    edits.clear();
    int lineNumber = 0;
    int lastLine = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> fields = fieldsOf(line);
        if (fields.empty() || fields[0][0] == '#')
            continue;
        const std::string where = "'" + name + "' line " + std::to_string(lineNumber) + ": ";
        TargetEdit edit;
        edit.line = lineNumber;
        const std::string why = parseFields(fields, edit);
        if (!why.empty()) {
            error = where + why;
            return false;
        }
        if (!edits.empty() && edit.frame < edits.back().frame) {
            error = where + "frame " + std::to_string(edit.frame) + " is listed after frame " +
                    std::to_string(edits.back().frame) + " of line " + std::to_string(lastLine) +
                    ": the changes are listed in the order they were made";
            return false;
        }
        lastLine = lineNumber;
        edits.push_back(edit);
    }
    return true;
}

bool readEditsFile(const std::string& name, std::vector<TargetEdit>& edits, std::string& error)
{
    const auto text = tavo_eval::readTextInput("--apply-edits", "edits file", name, error);
    if (!text)
        return false;
    if (parseEdits(*text, name, edits, error))
        return true;
    error = "--apply-edits " + error;
    return false;
}

EditsWriter::~EditsWriter()
{
    if (file_)
        std::fclose(file_);
}

bool EditsWriter::open(const std::string& name, std::string& error)
{
    name_ = name;
    // A FIFO would hold the run until something reads it.
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISDIR(st.st_mode))) {
        error = "--edits '" + name + "': not a file to write the changes to (" +
                (S_ISDIR(st.st_mode) ? "a directory" : "a FIFO or socket") + ")";
        return false;
    }
    file_ = std::fopen(name.c_str(), "w");
    if (!file_ || std::fputs(kHeader, file_) == EOF || std::fflush(file_) != 0) {
        error = "--edits '" + name + "': cannot write it: " + std::strerror(errno);
        if (file_)
            std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

bool EditsWriter::append(const TargetEdit& edit, std::string& error)
{
    if (!file_)
        return false;
    const std::string line = editLine(edit) + "\n";
    if (std::fputs(line.c_str(), file_) != EOF && std::fflush(file_) == 0)
        return true;
    error = "--edits '" + name_ + "': cannot write to it (" + std::strerror(errno) +
            "): the changes from here on are on stderr alone";
    std::fclose(file_);
    file_ = nullptr;
    return false;
}

}  // namespace tavo_cli
