// SPDX-License-Identifier: GPL-3.0-or-later
#include "SafeFile.h"

#include "TestFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

using namespace lectorio;
using namespace lectorio::test;
namespace fs = std::filesystem;

TEST(SafeFile, PlantedNamesAreRefusedAndNothingBehindThemChanges) {
    TempFolder t;
    Touch(t.File("secret"), "secret");
    Touch(t.File("rec.wav"), "rec");
    const FileIdentity keep = FileIdentity::Of(t.File("rec.wav"));
    fs::create_symlink(t.File("secret"), t.File("link"));
    fs::create_hard_link(t.File("rec.wav"), t.File("second"));
    mkfifo(t.File("fifo").c_str(), 0600);

    for (const auto& [name, error] : {std::pair{"link", ELOOP}, {"second", EEXIST}, {"fifo", EEXIST}}) {
        EXPECT_EQ(CreateFreshFile(t.File(name), keep), -1) << name;
        EXPECT_EQ(errno, error) << name;
    }
    for (const char* name : {"link", "second"})
        EXPECT_FALSE(WriteFileAtomically(t.File(name), "x", keep)) << name;
    EXPECT_TRUE(OpenRegularForReading(t.File("fifo")) == -1 && OpenRegularForReading(t.Path()) == -1 &&
                errno == EINVAL);
    DeleteFileQuietly(t.File("second"), keep);
    DeleteFileQuietly(t.File("link"), keep);
    EXPECT_TRUE(fs::exists(t.File("second")) && !fs::is_symlink(t.File("link")));
    EXPECT_EQ(Slurp(t.File("secret")) + Slurp(t.File("rec.wav")), "secretrec");
}

TEST(SafeFile, ReplacedFilesGetTheUmasksModeAndOtherNamesKeepTheirContent) {
    TempFolder t;
    const mode_t mask = umask(027); // an unusual one, given back at the end
    EXPECT_EQ(ProcessUmask(), 027);
    Touch(t.File("old"), "old");
    fs::create_hard_link(t.File("old"), t.File("alias"));
    chmod(t.File("old").c_str(), 0600);
    ASSERT_TRUE(WriteFileAtomically(t.File("old"), "new"));
    EXPECT_EQ(Slurp(t.File("old")) + Slurp(t.File("alias")), "newold");
    EXPECT_EQ(fs::status(t.File("old")).permissions(), static_cast<fs::perms>(0640));

    const int fd = CreateFreshFile(t.File("alias"));
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(Slurp(t.File("alias")), "");
    EXPECT_FALSE(WriteFileAtomically(t.File("no/such/folder.txt"), "x"));
    EXPECT_FALSE(ReplacementFile(t.File("no/such/folder.txt")).Commit(Durability::Rebuilt));
    // A full disk: the old content stays.
    EXPECT_FALSE(WithFileSizeLimit(2, [&] { return WriteFileAtomically(t.File("old"), "longer"); }));
    EXPECT_EQ(Slurp(t.File("old")), "new");
    EXPECT_TRUE(ReplacementFile(t.File("old")).IsOpen());             // and abandoned
    EXPECT_EQ(t.Names(), (std::vector<std::string>{"alias", "old"})); // no temporary left
    // Started without standard input, the program's first file is descriptor 0.
    const int input = dup(0);
    close(0);
    std::string text;
    const bool zero = WriteFileAtomically(t.File("zero"), "0") && ReadRegularFile(t.File("zero"), text);
    std::FILE* stream = StreamOf(OpenRegularForReading(t.File("zero")), "rb");
    const bool streamed =
        stream && std::fgetc(stream) == '0' && std::fclose(stream) == 0 && fcntl(0, F_GETFD) < 0;
    dup2(input, 0);
    close(input);
    EXPECT_TRUE(zero && text == "0" && streamed);
    umask(mask);
}
