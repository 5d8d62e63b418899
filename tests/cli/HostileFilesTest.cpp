// SPDX-License-Identifier: GPL-3.0-or-later
// lectorio-cli against hostile folders: FIFOs, planted links, second names of
// the recording, odd names and a nearly full disk. Each case says how the
// folder is prepared, the command ("@" stands for the case's folder), the exit
// status and a text the errors must hold; in every case the recording and
// the file behind the planted links keep their content.
#include "RunProgram.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using lectorio::test::RunCli;
using lectorio::test::Slurp;
using lectorio::test::TempFolder;
using lectorio::test::Touch;

namespace {

struct Case {
    const char* name;
    std::function<void(const std::string& dir)> plant;
    std::vector<std::string> args;
    int status;
    std::string message; // a text the errors hold ("" for none)
    rlim_t fileSizeLimit = RLIM_INFINITY;
    std::string madeFile = "";    // a file the command must leave ("" for none)
    std::string madeContent = ""; // its content, when not empty
};

std::string At(std::string text, const std::string& dir) {
    for (size_t at; (at = text.find('@')) != std::string::npos;)
        text.replace(at, 1, dir);
    return text;
}

void Link(const std::string& target, const std::string& name) {
    fs::create_symlink(target, name);
}

const std::string kLongName(238, 'n');

std::vector<std::string> TempFolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(HostileFiles, AreRefusedOrReportedAndNothingOfTheUsersChanges) {
    const auto fifo = [](auto d) { mkfifo((d + "/f.wav").c_str(), 0600); };
    const rlim_t none = RLIM_INFINITY;
    // clang-format off
    const std::vector<Case> cases = {
        {"text file as recording", [](auto d) { Touch(d + "/notes.wav", "plain text"); },
         {"segment", "@/notes.wav", "@/out", "talk"}, 2, "cannot read '@/notes.wav': not a RIFF file"},
        {"missing recording", nullptr, {"segment", "@/none.wav", "@/out", "talk"}, 2, "cannot be opened"},
        {"FIFO as recording", fifo, {"segment", "@/f.wav", "@/out", "talk"}, 2, "cannot read"},
        {"FIFO as segment to analyse", fifo, {"pitch", "@/f.wav", "@/t.ptc"}, 2, "cannot read"},
        {"FIFO as segment to stretch", fifo, {"stretch", "@/f.wav", "@/o.wav", "--position", "5"}, 2, "cannot read"},
        {"link planted as a segment", [](auto d) { Link(d + "/secret", d + "/out/00002_talk.wav"); },
         {"segment", "@/rec.wav", "@/out", "talk"}, 1, "cannot write @/out/00002_talk.wav"},
        {"link planted as the label file", [](auto d) { Link(d + "/secret", d + "/rec.lab"); },
         {"segment", "@/rec.wav", "@/out", "talk"}, 1, "cannot write @/rec.lab"},
        {"recording named as transcript and project file", [](auto d) {
             fs::create_hard_link(d + "/rec.wav", d + "/out/00004_talk.txt");
             fs::create_hard_link(d + "/rec.wav", d + "/out/talk.vprj"); },
         {"segment", "--no-label", "@/rec.wav", "@/out", "talk"}, 1, "cannot write @/out/talk.vprj"},
        {"label file on a full disk", nullptr, {"segment", "@/rec.wav", "@/out", "talk"}, 1, "cannot write @/rec.lab", 1},
        {"recording that is a segment of the project",
         [](auto d) { fs::create_hard_link(d + "/rec.wav", d + "/out/00003_talk.wav"); },
         {"segment", "@/rec.wav", "@/out", "talk"}, 2, "is a segment file of project 'talk'"},
        {"missing output folder", nullptr, {"segment", "@/rec.wav", "@/nowhere", "talk"}, 2, "@/nowhere"},
        {"name leading out of the folder", nullptr, {"segment", "@/rec.wav", "@/out", "../esc"}, 2, "project name"},
        {"name one byte too long", nullptr, {"segment", "@/rec.wav", "@/out", kLongName + "n"}, 2, "238 bytes"},
        {"longest name", nullptr, {"segment", "@/rec.wav", "@/out", kLongName}, 0, "", none,
         "@/out/" + kLongName + ".vprj"},
        {"-- ends the options", nullptr, {"segment", "--no-label", "--", "@/rec.wav", "@/out", "-x"}, 0, "", none,
         "@/out/-x.vprj"},
        {"folder with a line break", [](auto d) { fs::create_directory(d + "/a\nb"); },
         {"segment", "@/rec.wav", "@/a\nb", "talk"}, 2, "line break"},
        {"folder with blanks and a tab read back", [](auto d) {
             fs::create_directory(d + "/My  Rec\t ");
             RunCli({"segment", d + "/rec.wav", d + "/My  Rec\t ", "talk"});
             Touch(d + "/My  Rec\t /00002_talk.txt", "hello"); },
         {"text", "@/My  Rec\t /talk.vprj"}, 0, "", none, "@/My  Rec\t /talk.txt", "hello "},
        {"project recording the root as its folder", [](auto d) { Touch(d + "/talk.vprj", "3 /"); },
         {"text", "@/talk.vprj"}, 2, "records the folder '/'"},
        {"transcript linked to a file outside", [](auto d) {
             Touch(d + "/out/talk.vprj", "2 " + d + "/out");
             Link(d + "/secret", d + "/out/00001_talk.txt");
             Touch(d + "/out/00002_talk.txt", "hi"); },
         {"text", "@/out/talk.vprj"}, 0, "", none, "@/out/talk.txt", "hi "},
        {"stretch on a full disk names the output", nullptr, {"stretch", "@/rec.wav", "@/o.wav", "--position", "5"},
         2, "@/o.wav: the pitch track file cannot be written", 100},
    };
    // clang-format on
    std::vector<int16_t> recording(16000 * 2, 0);
    for (size_t i = 8000; i < 24000; ++i)
        recording[i] = static_cast<int16_t>((i & 1) ? -9000 : 9000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder t;
        const std::string& d = t.Path();
        fs::create_directory(d + "/out");
        lectorio::test::WriteWave(d + "/rec.wav", recording);
        Touch(d + "/secret", "secret");
        const std::string wave = Slurp(d + "/rec.wav");
        Touch(d + "/out/00001_talk.wav", "old");
        if (c.plant)
            c.plant(d);
        const auto before = TempFolderNames(d), beforeOut = TempFolderNames(d + "/out");
        std::vector<std::string> args;
        for (const std::string& a : c.args)
            args.push_back(At(a, d));
        const auto r = RunCli(args, c.fileSizeLimit);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(At(c.message, d)), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find(".lectorio-"), std::string::npos) << r.err;
        EXPECT_EQ(Slurp(d + "/rec.wav"), wave);
        EXPECT_EQ(Slurp(d + "/secret"), "secret");
        EXPECT_FALSE(fs::exists(d + "/esc.vprj"));
        if (c.status == 2) { // a refused command changes nothing
            EXPECT_EQ(TempFolderNames(d), before);
            EXPECT_EQ(TempFolderNames(d + "/out"), beforeOut);
            EXPECT_EQ(Slurp(d + "/out/00001_talk.wav"), "old");
        }
        if (!c.madeFile.empty()) {
            EXPECT_TRUE(fs::exists(At(c.madeFile, d)));
            EXPECT_EQ(c.madeContent.empty() ? "" : Slurp(At(c.madeFile, d)), c.madeContent);
        }
    }
}
