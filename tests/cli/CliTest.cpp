// SPDX-License-Identifier: GPL-3.0-or-later
// lectorio-cli as a user runs it, one table of cases. Each case says how the
// folder is prepared, the command ("@" stands for the case's folder), the exit
// status, the output, a text the errors must hold and the files it must leave.
// Every case runs in (so relative paths lead to) a folder prepared alike:
// rec.wav (0.5 s silence, 1 s loud, 0.5 s silence), a file "secret", and out/
// holding an old 00001_talk.wav; in every case the recording and the secret
// keep their content, and a refused command (status 2) changes no file.
#include "RunProgram.h"

#include <sys/stat.h>

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
    std::string out;                 // the whole output when it ends in a line break, else its start
    std::string message;             // a text the errors hold ("" for none)
    std::string madeFile = "";       // a file the command must leave ("" for none)
    std::string madeContent = "";    // its content; "size N": its size, "fnv N": its Fnv1a, "*": any
    std::string segmentsDigest = ""; // Digest() of @/out, when not ""
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

std::string At(std::string text, const std::string& dir) {
    for (size_t at; (at = text.find('@')) != std::string::npos;)
        text.replace(at, 1, dir);
    return text;
}

// "N fnv": the count and the FNV-1a of the names and bytes of the segment and
// transcript files of `folder`, in name order.
std::string Digest(const std::string& folder) {
    uint32_t hash = 2166136261u;
    int files = 0;
    for (const std::string& name : TempFolder::NamesIn(folder)) {
        if (!name.ends_with(".wav") && !name.ends_with(".txt"))
            continue;
        ++files;
        for (const char c : name + Slurp(folder + "/" + name))
            hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    return std::to_string(files) + " " + std::to_string(hash);
}

const std::string kLongName(238, 'n');
const std::string kSample = LECTORIO_SAMPLE;
const std::string kData = LECTORIO_CLI_DATA;

} // namespace

TEST(Cli, CommandsGiveTheirStatusOutputAndFiles) {
    const auto fifo = [](auto d) { mkfifo((d + "/f.wav").c_str(), 0600); };
    const auto sample = [](auto d) { fs::copy_file(kSample, d + "/speech.wav"); };
    const auto project = [](auto d) {
        Touch(d + "/out/talk.vprj", "2 " + d + "/out");
        Touch(d + "/out/00002_talk.txt", "A: hi *l");
    };
    const auto segmented = [](auto d) {
        RunCli({"segment", d + "/rec.wav", d + "/out", "talk"});
        Touch(d + "/out/00002_talk.txt", "A: hi");
    };
    const auto track = [](auto d) { RunCli({"pitch", d + "/rec.wav", d + "/d.ptc"}); };
    const auto other = [](auto d) {
        lectorio::test::WriteWave(d + "/x.wav", std::vector<int16_t>(8000));
        RunCli({"pitch", d + "/x.wav", d + "/d.ptc"});
    };
    // The usual arguments of segment and stretch, followed by `more`.
    const auto segment = [](std::vector<std::string> more) {
        more.insert(more.begin(), {"segment", "@/rec.wav", "@/out", "talk"});
        return more;
    };
    const auto stretch = [](std::vector<std::string> more) {
        more.insert(more.begin(), {"stretch", "@/rec.wav", "@/o.wav"});
        return more;
    };
    auto usage = [](const char* command) { return std::string("Usage:\n  lectorio-cli ") + command + " "; };
    // Known answers, recorded once from a run checked by ear and by eye.
    const std::string run = "3 segments written: 1.43 s speech, 0.58 s silence\n";
    const std::string runLabel = "#\n0.350000 121 S1\n1.775000 121 V2\n2.000000 121 S3\n";
    const std::string sampleRun = "19 segments written: 20.80 s speech, 6.88 s silence\n";
    const std::string sampleLabel = Slurp(kData + "/speech.lab");
    // clang-format off
    const std::vector<Case> cases = {
        {"a whole run", nullptr, {"segment", "@/rec.wav", "@/out", "talk.vprj"}, 0, run, "", "@/rec.lab",
         runLabel, "6 1003306081"},
        {"the shipped sample", sample, {"segment", "@/speech.wav", "@/out", "talk"}, 0, sampleRun, "",
         "@/speech.lab", sampleLabel, "38 2664774565"},
        {"no label", nullptr, {"segment", "--no-label", "--", "@/rec.wav", "@/out", "-x"}, 0, run, "",
         "@/out/-x.vprj", "3 @/out"},
        {"relative paths are recorded absolute", nullptr, {"segment", "rec.wav", "out/", "talk"}, 0, run, "",
         "@/out/talk.vprj", "3 @/out"},
        {"help", nullptr, {"--help"}, 0, "Usage: lectorio-cli COMMAND", ""},
        {"segment help", nullptr, {"segment", "--help"}, 0, usage("segment"), ""},
        {"unknown command", nullptr, {"bogus"}, 2, "", "unknown command 'bogus'"},
        {"segment without a name", nullptr, {"segment", "@/rec.wav", "@/out"}, 2, "", "Usage: lectorio-cli"},
        {"unknown option", nullptr, {"segment", "@/rec.wav", "@/out", "t", "--bogus"}, 2, "",
         "unknown option"},
        {"option without a value", nullptr, {"segment", "@/rec.wav", "@/out", "t", "--history"}, 2, "",
         "needs a value"},
        {"pitch without files", nullptr, {"pitch"}, 2, "", "pitch needs SEGMENT.wav TRACK.ptc"},
        {"stretch without a speed", nullptr, {"stretch", "a.wav", "b.wav", "--speed"}, 2, "",
         "unknown option --speed"},
        {"text file as recording", [](auto d) { Touch(d + "/notes.wav", "plain text"); }, {"segment",
         "@/notes.wav", "@/out", "talk"}, 2, "", "cannot read '@/notes.wav': not a RIFF file"},
        {"missing recording", nullptr, {"segment", "@/none.wav", "@/out", "talk"}, 2, "", "cannot be opened"},
        {"FIFO as recording", fifo, {"segment", "@/f.wav", "@/out", "talk"}, 2, "", "cannot read"},
        {"FIFO as segment to analyse", fifo, {"pitch", "@/f.wav", "@/t.ptc"}, 2, "", "cannot read"},
        {"link planted as a segment", [](auto d) { fs::create_symlink(d + "/secret",
         d + "/out/00002_talk.wav"); }, segment({}), 1, "", "cannot write @/out/00002_talk.wav"},
        {"link planted as the label file", [](auto d) { fs::create_symlink(d + "/secret", d + "/rec.lab"); },
         segment({}), 1, "", "cannot write @/rec.lab"},
        {"recording named as transcript and project file", [](auto d) { fs::create_hard_link(d + "/rec.wav",
         d + "/out/00004_talk.txt"); fs::create_hard_link(d + "/rec.wav", d + "/out/talk.vprj"); },
         {"segment", "--no-label", "@/rec.wav", "@/out", "talk"}, 1, "", "cannot write @/out/talk.vprj"},
        {"a full disk (the output's first byte fits)", nullptr, segment({}), 1, "0", "cannot write @/rec.lab",
         "", "", "", 1},
        {"recording that is a segment of the project", [](auto d) { fs::create_hard_link(d + "/rec.wav",
         d + "/out/00003_talk.wav"); }, segment({}), 2, "", "is a segment file of project 'talk'"},
        {"missing output folder", nullptr, {"segment", "@/rec.wav", "@/nowhere", "talk"}, 2, "", "@/nowhere"},
        {"name leading out of the folder", nullptr, {"segment", "@/rec.wav", "@/out", "../esc"}, 2, "",
         "project name"},
        {"name one byte too long", nullptr, {"segment", "@/rec.wav", "@/out", kLongName + "n"}, 2, "",
         "238 bytes"},
        {"longest name", nullptr, {"segment", "@/rec.wav", "@/out", kLongName}, 0, run, "",
         "@/out/" + kLongName + ".vprj", "*"},
        {"folder with a line break", [](auto d) { fs::create_directory(d + "/a\nb"); }, {"segment",
         "@/rec.wav", "@/a\nb", "talk"}, 2, "", "line break"},
        {"folder with blanks and a tab read back",
         [](auto d) { fs::create_directory(d + "/My  Rec\t "); RunCli({"segment", d + "/rec.wav",
         d + "/My  Rec\t ", "talk"}); Touch(d + "/My  Rec\t /00002_talk.txt", "hello"); }, {"text",
         "@/My  Rec\t /talk.vprj"}, 0, "@/My  Rec\t /talk.txt\n", "", "@/My  Rec\t /talk.txt", "hello "},
        {"final text", project, {"text", "@/out/talk.vprj"}, 0, "@/out/talk.txt\n", "", "@/out/talk.txt",
         "\nA: hi [LAUGH] "},
        {"final text that cannot be written",
         [project](auto d) { project(d); fs::create_directory(d + "/out/talk.txt"); }, {"text",
         "@/out/talk.vprj"}, 2, "", "cannot write the final text file"},
        {"missing project", nullptr, {"text", "@/none.vprj"}, 2, "", "cannot read the project file"},
        {"blank project", [](auto d) { Touch(d + "/out/talk.vprj"); }, {"text", "@/out/talk.vprj"}, 2, "",
         "records no project folder"},
        {"text without a project", nullptr, {"text"}, 2, "", "text takes one argument"},
        {"project recording the root as its folder", [](auto d) { Touch(d + "/talk.vprj", "3 /"); }, {"text",
         "@/talk.vprj"}, 2, "", "records the folder '/'"},
        {"transcript linked to a file outside", [](auto d) { Touch(d + "/out/talk.vprj",
         "2 " + d + "/out"); fs::create_symlink(d + "/secret",
         d + "/out/00001_talk.txt"); Touch(d + "/out/00002_talk.txt", "hi"); }, {"text", "@/out/talk.vprj"},
         0, "@/out/talk.txt\n", "", "@/out/talk.txt", "hi "},
        {"export beside the project", segmented, {"export", "@/out/talk.vprj", "--format", "srt"}, 0,
         "@/out/talk.srt\n", "", "@/out/talk.srt", "1\n00:00:00,350 --> 00:00:01,775\nA: hi\n\n"},
        {"export to a named file", segmented, {"export", "@/out/talk.vprj", "-o", "@/t.csv", "--format",
         "csv"}, 0, "@/t.csv\n", "", "@/t.csv",
         "segment,start,end,speaker,text\r\n1,0.000000,0.350000,,\r\n2,0.350000,1.775000,A,hi\r\n3,1.775000,2.000000,,\r\n"},
        {"export without a format", project, {"export", "@/out/talk.vprj"}, 2, "",
         "export takes PROJECT.vprj"},
        {"export of a missing project", nullptr, {"export", "@/none.vprj", "--format", "srt"}, 2, "",
         "cannot read the project file"},
        {"export of a segment that is no recording", project, {"export", "@/out/talk.vprj", "--format",
         "srt"}, 2, "", "lectorio-cli: the segment file '@/out/00001_talk.wav' is missing or unreadable\n"},
        {"export of a project without segments", [](auto d) { Touch(d + "/out/talk.vprj",
         "0 " + d + "/out"); }, {"export", "@/out/talk.vprj", "--format", "srt"}, 2, "", "has no segments"},
        {"export over the recording", segmented, {"export", "@/out/talk.vprj", "--format", "srt", "-o",
         "@/rec.wav"}, 2, "", "'@/rec.wav' is a recording"},
        {"export over a segment", segmented, {"export", "@/out/talk.vprj", "--format", "srt", "-o",
         "@/out/00002_talk.wav"}, 2, "", "is a recording"},
        {"export into a missing folder", segmented, {"export", "@/out/talk.vprj", "--format", "srt", "-o",
         "@/none/x.srt"}, 1, "", "cannot write '@/none/x.srt'"},
        {"stretch on a full disk names the output", nullptr, stretch({"--position", "5"}), 2, "",
         "@/o.wav: the output file cannot be written", "", "", "", 100},
        // pitch and stretch: what they write (the track of rec.wav as stored, the copies by their
        // size) and each refusal's own text.
        {"pitch", nullptr, {"pitch", "@/rec.wav", "@/t.ptc"}, 0, "", "", "@/t.ptc",
         "fnv 7247413080432611628"},
        {"stretch at position 12", nullptr, stretch({"--position", "12"}), 0, "", "", "@/o.wav",
         "size 76846"},
        {"stretch by a factor", nullptr, {"stretch", "--factor", "0.25", "@/rec.wav", "@/o.wav"}, 0, "", "",
         "@/o.wav", "size 16044"},
        {"stretch with a given track", track, stretch({"--position", "20", "--use-track", "@/d.ptc"}), 0, "",
         "", "@/o.wav", "size 128044"},
        {"stretch keeping its track", nullptr, stretch({"--position", "20", "--track", "@/k.ptc"}), 0, "", "",
         "@/k.ptc", "fnv 7247413080432611628"},
        {"pitch of a segment below a frame", [](auto d) { lectorio::test::WriteWave(d + "/s.wav",
         std::vector<int16_t>(100, 5)); }, {"pitch", "@/s.wav", "@/t.ptc"}, 2, "",
         "@/s.wav: the segment is shorter than one analysis frame (40 ms); no track written\n"},
        {"pitch with one file", nullptr, {"pitch", "@/rec.wav"}, 2, "", "pitch needs SEGMENT.wav TRACK.ptc"},
        {"stretch without a factor", nullptr, stretch({}), 2, "", "stretch needs --position P or --factor F"},
        {"position below 5", nullptr, stretch({"--position", "4"}), 2, "", "from 5 to 20, not '4'"},
        {"position above 20", nullptr, stretch({"--position", "21"}), 2, "", "from 5 to 20, not '21'"},
        {"position not a number", nullptr, stretch({"--position", "12x"}), 2, "", "from 5 to 20, not '12x'"},
        {"factor above 4", nullptr, stretch({"--factor", "4.5"}), 2, "", "from 0.25 to 4.0, not '4.5'"},
        {"factor at 4", nullptr, stretch({"--factor", "4"}), 0, "", "", "@/o.wav", "size 256044"},
        {"damaged track", [](auto d) { Touch(d + "/d.ptc", "x"); }, stretch({"--factor", "1", "--use-track",
         "@/d.ptc"}), 2, "", "@/d.ptc: the pitch track file is truncated or damaged; no copy written"},
        {"factor not a number", nullptr, stretch({"--factor", "nan"}), 2, "", "from 0.25 to 4.0, not 'nan'"},
        {"factor and position", nullptr, stretch({"--factor", "1", "--position", "10"}), 2, "",
         "give one --position or one --factor"},
        {"unknown stretch option", nullptr, stretch({"--position", "10", "--frobnicate"}), 2, "",
         "unknown option --frobnicate"},
        {"position without a value", nullptr, stretch({"--position"}), 2, "", "--position needs a value"},
        {"both track options", nullptr, stretch({"--position", "10", "--track", "a.ptc", "--use-track",
         "b.ptc"}), 2, "", "exclude each other"},
        {"track of another segment", other, stretch({"--position", "10", "--use-track", "@/d.ptc"}), 2, "",
         "@/d.ptc: the pitch track belongs to another segment; no copy written"},
        {"stretch over the segment", nullptr, {"stretch", "@/rec.wav", "@/rec.wav", "--position", "10"}, 2,
         "", "would replace the segment"},
        {"stretch into a missing folder", nullptr, {"stretch", "@/rec.wav", "@/none/o.wav", "--position",
         "10"}, 2, "", "@/none/o.wav: the output file cannot be written"},
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
        const std::string firstSegment = Slurp(d + "/out/00001_talk.wav");
        const auto before = t.Names(), beforeOut = TempFolder::NamesIn(d + "/out");
        std::vector<std::string> args;
        for (const std::string& a : c.args)
            args.push_back(At(a, d));
        const fs::path here = fs::current_path();
        fs::current_path(d);
        const auto r = RunCli(args, c.fileSizeLimit);
        fs::current_path(here);
        EXPECT_EQ(r.status, c.status) << r.err;
        const std::string out = At(c.out, d);
        EXPECT_EQ(out.ends_with('\n') ? r.out : r.out.substr(0, out.size()), out);
        EXPECT_NE(r.err.find(At(c.message, d)), std::string::npos) << r.err;
        EXPECT_TRUE(r.err.empty() || r.err.back() == '\n') << r.err;
        EXPECT_EQ(r.err.find(".lectorio-"), std::string::npos) << r.err;
        EXPECT_TRUE(Slurp(d + "/rec.wav") == wave && Slurp(d + "/secret") == "secret" &&
                    !fs::exists(d + "/esc.vprj"));
        for (const std::string& name : t.Names()) // no scratch file left behind
            EXPECT_FALSE(name.starts_with(".lectorio-")) << name;
        if (c.status == 2) {
            EXPECT_EQ(t.Names(), before);
            EXPECT_EQ(TempFolder::NamesIn(d + "/out"), beforeOut);
            EXPECT_EQ(Slurp(d + "/out/00001_talk.wav"), firstSegment);
        }
        if (!c.madeFile.empty()) {
            EXPECT_TRUE(fs::exists(At(c.madeFile, d)));
            const std::string bytes = Slurp(At(c.madeFile, d));
            EXPECT_EQ(c.madeContent == "*"                 ? "*"
                      : c.madeContent.starts_with("size ") ? "size " + std::to_string(bytes.size())
                      : c.madeContent.starts_with("fnv ")
                          ? "fnv " + std::to_string(lectorio::test::Fnv1a(bytes.data(), bytes.size()))
                          : bytes,
                      At(c.madeContent, d));
        }
        const bool noLabel = std::find(args.begin(), args.end(), "--no-label") != args.end();
        EXPECT_FALSE(noLabel && fs::exists(d + "/rec.lab"));
        EXPECT_EQ(c.segmentsDigest.empty() ? "" : Digest(d + "/out"), c.segmentsDigest);
    }
}
