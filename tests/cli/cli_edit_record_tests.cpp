// The edits file: what --edits writes reads back the same through
// --apply-edits, and anything else is refused with the file, the line and
// the reason.

#include "programs/track/edit_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace tavo_cli;

namespace {

TargetEdit edit(int frame, EditAction action, int id, Box box = {})
{
    TargetEdit e;
    e.frame = frame;
    e.action = action;
    e.id = id;
    e.box = box;
    return e;
}

std::string readAll(const std::string& name)
{
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Why `text` is refused, or "" when it is read.
std::string refusal(const std::string& text)
{
    std::vector<TargetEdit> edits;
    std::string error;
    return parseEdits(text, "e.txt", edits, error) ? "" : error;
}

}  // namespace

TEST(EditRecord, WrittenEditsReadBackTheSame)
{
    const std::vector<TargetEdit> made = {edit(12, EditAction::Add, 3, {100, 40, 30, 60}),
                                          edit(12, EditAction::Drop, 1),
                                          edit(25, EditAction::Reinit, 2, {0, 0, 320, 240})};
    EXPECT_EQ(editLine(made[0]), "12 add 3 100 40 30 60");
    EXPECT_EQ(editLine(made[1]), "12 drop 1");

    const std::string name =
        (std::filesystem::temp_directory_path() / ("tavo-edits-" + std::to_string(::getpid()) + ".txt")).string();
    {
        std::ofstream(name) << "what was there before\n";
        EditsWriter writer;
        std::string error;
        ASSERT_TRUE(writer.open(name, error)) << error;
        for (const TargetEdit& e : made)
            ASSERT_TRUE(writer.append(e, error)) << error;
        // Each line is in the file as soon as it is made.
        EXPECT_NE(readAll(name).find("25 reinit 2 0 0 320 240\n"), std::string::npos);
    }
    std::vector<TargetEdit> read;
    std::string error;
    ASSERT_TRUE(readEditsFile(name, read, error)) << error;
    std::remove(name.c_str());
    ASSERT_EQ(read.size(), made.size());
    for (size_t i = 0; i < made.size(); ++i) {
        EXPECT_EQ(editLine(read[i]), editLine(made[i]));
        EXPECT_EQ(read[i].line, static_cast<int>(i) + 3);  // after the two header lines
    }

    // Spaces and tabs, CR LF, blank and comment lines as a person leaves them.
    std::vector<TargetEdit> edited;
    ASSERT_TRUE(parseEdits("  # mine\n\n4\tdrop  7 \r\n\t\n5 add 8 1 2 3 4", "e.txt", edited, error)) << error;
    ASSERT_EQ(edited.size(), 2u);
    EXPECT_EQ(edited[0].line, 3);
    EXPECT_EQ(editLine(edited[1]), "5 add 8 1 2 3 4");
}

TEST(EditRecord, AnythingButEditLinesIsRefusedWithItsLine)
{
    EXPECT_EQ(refusal("1 drop 1\n0 drop 1\n"), "'e.txt' line 2: the frame '0' is not a frame number (1 or more)");
    EXPECT_EQ(refusal("x drop 1"), "'e.txt' line 1: the frame 'x' is not a frame number (1 or more)");
    EXPECT_EQ(refusal("3"), "'e.txt' line 1: expected FRAME add|drop|reinit ID [X Y W H]");
    EXPECT_EQ(refusal("3 Drop 1"), "'e.txt' line 1: the change 'Drop' is none of add, drop, reinit");
    EXPECT_EQ(refusal("3 drop 1 2"), "'e.txt' line 1: drop takes FRAME and ID alone, not 4 fields");
    EXPECT_EQ(refusal("3 add 1 2 3 4"), "'e.txt' line 1: add takes FRAME, ID and a box X Y W H, not 6 fields");
    EXPECT_EQ(refusal("3 reinit 0 1 1 5 5"), "'e.txt' line 1: the id '0' is not a target id (1 or more)");
    EXPECT_EQ(refusal("3 drop 99999999999"), "'e.txt' line 1: the id '99999999999' is not a target id (1 or more)");
    EXPECT_EQ(refusal("3 add 2 1 1 0 5").rfind("'e.txt' line 1: the box '1 1 0 5': ", 0), 0u);
    EXPECT_EQ(refusal("3 add 2 1 1 5.5 5").rfind("'e.txt' line 1: the box '1 1 5.5 5': ", 0), 0u);
    EXPECT_EQ(refusal("5 drop 1\n# later\n4 drop 2"),
              "'e.txt' line 3: frame 4 is listed after frame 5 of line 1: the changes are listed in the order "
              "they were made");
    // Long or unprintable fields are quoted cut and readable.
    EXPECT_EQ(refusal(std::string("3 a\x01") + std::string(40, 'b') + " 1"),
              "'e.txt' line 1: the change 'a?bbbbbbbbbbbbbbbbbb...' is none of add, drop, reinit");

    std::vector<TargetEdit> edits;
    std::string error;
    EXPECT_FALSE(readEditsFile("/nonexistent/e.txt", edits, error));
    EXPECT_EQ(error.rfind("--apply-edits '/nonexistent/e.txt': ", 0), 0u) << error;
    EXPECT_FALSE(readEditsFile("/dev/zero", edits, error));
    EXPECT_EQ(error.rfind("--apply-edits '/dev/zero': ", 0), 0u) << error;

    EditsWriter writer;
    EXPECT_FALSE(writer.open("/", error));
    EXPECT_EQ(error, "--edits '/': not a file to write the changes to (a directory)");
    EXPECT_FALSE(writer.open("/nonexistent/e.txt", error));
    EXPECT_EQ(error.rfind("--edits '/nonexistent/e.txt': cannot write it: ", 0), 0u) << error;
    EXPECT_FALSE(writer.append(edit(1, EditAction::Drop, 1), error));
}
